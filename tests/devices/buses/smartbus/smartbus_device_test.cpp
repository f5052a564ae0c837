// The SmartBus drivers against scripted bus members: a pty as COM3, a TCP gateway on loopback,
// and UDP broadcast inside a network namespace of the test's own.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include "../BusTestSupport.h"
#include "SmartBusTestFrames.h"
#include "common/Checksums.h"
#include "common/NerulanValue.h"
#include "devices/DeviceFactory.h"
#include "devices/DeviceParams.h"
#include "devices/buses/smartbus/SmartBusSerialDevice.h"
#include "devices/buses/smartbus/SmartBusTcpGateDevice.h"
#include "devices/buses/smartbus/SmartBusUdpDevice.h"
#include "support/OwnNetwork.h"
#include "support/TcpPeer.h"

namespace
{
using bus_test::CRecording;
using bus_test::Hex;
using bus_test::SerialFolder;
using bus_test::Tick;
using bus_test::TickFor;
using smartbus_test::Bytes;
using smartbus_test::Frame;
using smartbus_test::kRelayPress;

constexpr uint8_t kInt32 = 6;
constexpr uint8_t kBool = 1;

// Channel blob: action, [period], subnet, device, operation code (LE), then the kind's fields.
Bytes Blob(uint8_t action, uint8_t subnet, uint8_t device, uint16_t op, const Bytes& rest,
           uint32_t period = 0)
{
    Bytes blob = {action};
    if (action == 16)
    {
        for (int i = 0; i < 4; ++i)
            blob.push_back(static_cast<uint8_t>(period >> (8 * i)));
    }
    blob.insert(blob.end(), {subnet, device, static_cast<uint8_t>(op), static_cast<uint8_t>(op >> 8)});
    blob.insert(blob.end(), rest.begin(), rest.end());
    return blob;
}

// The relay's answer to the press: channel 3 at `level`, addressed to the panel.
Bytes RelayAnswer(uint8_t level)
{
    return Frame(1, 2, 0x32, 0xFD, 0xFE, {3, 0xF8, level});
}

template <class Device>
void Add(Device& device, uint16_t id, uint8_t type, const Bytes& blob, uint8_t direction = 0)
{
    ASSERT_TRUE(device.AddChannel(id, type, 1, direction, static_cast<uint32_t>(blob.size()), blob.data()));
}

// Frames the peer got, each with the time it arrived.
size_t Count(const std::vector<PeerLog::Chunk>& chunks, const Bytes& frame)
{
    size_t n = 0;
    for (const auto& c : chunks)
        n += c.bytes == frame ? 1 : 0;
    return n;
}

class SmartBusSerial : public bus_test::SerialDriverTest<CSmartBusSerialDevice>
{
};

TEST_F(SmartBusSerial, RelayPressIsSentByteExactAndTheAnswerReleasesIt)
{
    Add(*device, 1, kInt32, Blob(1, 1, 2, 49, {3, 100, 0, 0}));
    // The relay's own feedback channel (never sent).
    Add(*device, 2, kInt32, Blob(0, 1, 2, 49, {3, 0, 0, 0}), 1);
    Peer().AddReply(kRelayPress, RelayAnswer(100));
    Online();
    ASSERT_TRUE(device->Press(1, nullptr));
    ASSERT_TRUE(Tick(*device, [&] { return Peer().Bytes().size() >= kRelayPress.size(); }));
    EXPECT_EQ(Hex(Peer().Chunks()[0].bytes), Hex(kRelayPress));
    // (An answer that beats the end of the panel's own write is dropped by the serial transport,
    // as the echo of a two-wire line would be; the frame then goes again and is answered again.)
    ASSERT_TRUE(Tick(*device, [&] { return device->QueuedFrames() == 0 && !device->EventsFor(2).empty(); }));
    EXPECT_EQ(device->QueueState(), 2);
    EXPECT_EQ(device->EventsFor(2).back().value, 100);
    EXPECT_EQ(device->EventsFor(2).back().kind, EventSetItemValue);

    // A press of a channel that is never sent, or by the wrong action, sends nothing.
    EXPECT_FALSE(device->Press(2, nullptr));
    EXPECT_FALSE(device->Release(1, nullptr));
    EXPECT_FALSE(device->SetValue(1, nullptr));
}

TEST_F(SmartBusSerial, FeedbackRowsAndNumber255)
{
    Add(*device, 1, kInt32, Blob(0, 1, 2, 2, {4, 0}));
    Add(*device, 2, kInt32, Blob(0, 1, 2, 2, {5, 0}));
    Add(*device, 3, kInt32, Blob(0, 1, 2, 2, {4, 0}), 2); // send-only: no feedback
    Online();
    // Another bus member switches channel 4 of module 1/2: the target row shows it.
    Peer().Send(Frame(1, 77, 2, 1, 2, {4, 80}));
    ASSERT_TRUE(Tick(*device, [&] { return !device->EventsFor(1).empty(); }));
    EXPECT_EQ(device->EventsFor(1).back().value, 80);
    EXPECT_TRUE(device->EventsFor(2).empty());
    // The same value again is posted again.
    Peer().Send(Frame(1, 77, 2, 1, 2, {4, 80}));
    ASSERT_TRUE(Tick(*device, [&] { return device->EventsFor(1).size() == 2; }));
    // Number 255: every channel of the module and kind.
    Peer().Send(Frame(1, 77, 2, 1, 2, {255, 7}));
    ASSERT_TRUE(Tick(*device, [&] { return !device->EventsFor(2).empty(); }));
    EXPECT_EQ(device->EventsFor(2).back().value, 7);
    EXPECT_TRUE(device->EventsFor(3).empty());
}

class SmartBusGate : public bus_test::GateDriverTest<CSmartBusTcpGateDevice>
{
};

// Audio channel blob: number, value, zone, source.
Bytes AudioBlob(uint8_t action, uint8_t number, uint8_t zone, uint8_t source)
{
    return Blob(action, 1, 9, 6446, {number, 0, zone, source});
}

TEST_F(SmartBusGate, AudioVolumeOfZone1At50)
{
    Add(*device, 1, kInt32, AudioBlob(3, 3, 1, 0));
    Online();
    CNerulanValue* fifty = CNerulanValue::NewInt(50);
    ASSERT_TRUE(device->SetValue(1, fifty));
    delete fifty;
    const std::string text = "*Z1VOL39\r";
    ASSERT_TRUE(Tick(*device, [&] { return peer.Bytes().size() >= 13 + text.size(); }));
    const Bytes sent = peer.Bytes();
    EXPECT_EQ(std::string(sent.begin() + 11, sent.end() - 2), text);
    EXPECT_EQ(sent[2], 11 + text.size());
    EXPECT_EQ((sent[7] << 8) | sent[8], 6446);
}

TEST_F(SmartBusGate, AudioReportsGoToTheirZoneAndSource)
{
    Add(*device, 1, kInt32, AudioBlob(0, 129, 2, 0)); // volume of zone 2
    Add(*device, 2, kInt32, AudioBlob(0, 129, 3, 0)); // volume of zone 3
    Add(*device, 3, kInt32, AudioBlob(0, 133, 0, 1)); // position text of source 1
    Add(*device, 4, kInt32, AudioBlob(0, 132, 0, 1)); // progress of source 1
    Add(*device, 5, kInt32, AudioBlob(0, 138, 0, 1)); // display line 2 of source 1
    Add(*device, 6, kInt32, AudioBlob(0, 139, 0, 1)); // display line 3 of source 1
    Online();
    const std::string zone = "#Z2,ON,SRC1,VOL39,TRB5,BASS7\r";
    peer.Send(Frame(1, 9, 6447, 0xFD, 0xFE, Bytes(zone.begin(), zone.end())));
    ASSERT_TRUE(Tick(*device, [&] { return !device->EventsFor(1).empty(); }));
    EXPECT_EQ(device->EventsFor(1).back().value, 50); // trunc(100 - 39 x 1.2658228)
    EXPECT_TRUE(device->EventsFor(2).empty());
    // A muted zone leaves the volume as it is.
    const std::string muted = "#Z2,ON,SRC1,MUTE,TRB5,BASS7\r";
    peer.Send(Frame(1, 9, 6447, 0xFD, 0xFE, Bytes(muted.begin(), muted.end())));
    const std::string info = "#S1DISPINFO,DUR2400,POS600,STATUS1\r";
    peer.Send(Frame(1, 9, 6446, 0xFF, 0xFF, Bytes(info.begin(), info.end())));
    ASSERT_TRUE(
        Tick(*device, [&] { return !device->EventsFor(3).empty() && !device->EventsFor(4).empty(); }));
    EXPECT_EQ(device->EventsFor(1).size(), 1u);
    EXPECT_EQ(device->EventsFor(3).back().kind, EventSetItemText);
    EXPECT_EQ(device->EventsFor(3).back().text, u"1:00");
    EXPECT_EQ(device->EventsFor(4).back().value, 25);
    const std::string line = "#S1DISPLINE2,\"Caf\xE9\"\r";
    peer.Send(Frame(1, 9, 6446, 0xFF, 0xFF, Bytes(line.begin(), line.end())));
    ASSERT_TRUE(Tick(*device, [&] { return !device->EventsFor(6).empty(); }));
    ASSERT_FALSE(device->EventsFor(5).empty());
    EXPECT_EQ(device->EventsFor(5).back().text, std::u16string(u"Caf\u00E9"));
    EXPECT_FALSE(device->EventsFor(6).back().hasText);
}

TEST_F(SmartBusGate, UnansweredFrameGoesFourTimesAtLeast501msApartThenTheNext)
{
    Add(*device, 1, kInt32, Blob(1, 1, 2, 49, {3, 100, 0, 0}));
    Add(*device, 2, kBool, Blob(1, 1, 2, 2, {5, 0}));
    Online();
    uint32_t now = 1000;
    device->SetDeviceTime(now);
    ASSERT_TRUE(device->Press(1, nullptr));
    CNerulanValue* on = CNerulanValue::NewBool(true);
    ASSERT_TRUE(device->Press(2, on));
    delete on;
    for (size_t sends = 1; sends <= 4; ++sends)
    {
        ASSERT_TRUE(Tick(*device, [&] { return peer.ChunkCount() == sends; })) << sends;
        // 500 ms after the send is not yet a time-out.
        device->SetDeviceTime(now + 500);
        TickFor(*device, 30);
        ASSERT_EQ(peer.ChunkCount(), sends);
        now += 501;
        device->SetDeviceTime(now);
    }
    // After the fourth time-out the head is gone and the next frame follows.
    ASSERT_TRUE(Tick(*device, [&] { return peer.ChunkCount() == 5; }));
    TickFor(*device, 30);
    const auto chunks = peer.Chunks();
    ASSERT_EQ(chunks.size(), 5u) << Hex(peer.Bytes());
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(chunks[i].bytes, kRelayPress) << i;
    EXPECT_EQ(Hex(Bytes(chunks[4].bytes.begin() + 7, chunks[4].bytes.end() - 2)), "00 02 01 02 05 01");
    EXPECT_EQ(device->QueuedFrames(), 1);
}

TEST_F(SmartBusGate, PeriodicChannelsSendOnOnlineThenEveryPeriodAndAPeriodOf0Once)
{
    Add(*device, 1, kInt32, Blob(16, 1, 2, 49, {3, 100, 0, 0}, 5000));
    Add(*device, 2, kBool, Blob(16, 1, 2, 2, {5, 1}, 0));
    peer.AddReply(kRelayPress, RelayAnswer(100));
    peer.AddReply({0x00, 0x02, 0x01, 0x02, 0x05}, Frame(1, 2, 3, 0xFD, 0xFE, {5, 1}));
    Online();
    // The clock stands still from here: the periods below are counted from the first send
    // however long the exchanges take on a busy machine.
    device->SetDeviceTime(device->Now());
    ASSERT_TRUE(
        Tick(*device, [&] { return Count(peer.Chunks(), kRelayPress) == 1 && device->QueuedFrames() == 0; }));
    // The once-only channel went once and nothing is queued again on every tick.
    TickFor(*device, 300);
    EXPECT_EQ(device->QueuedFrames(), 0);
    EXPECT_EQ(peer.ChunkCount(), 2u) << Hex(peer.Bytes());
    // The device clock moved on: 4000 ms is not yet due, 5001 is.
    device->Advance(4000);
    TickFor(*device, 50);
    EXPECT_EQ(Count(peer.Chunks(), kRelayPress), 1u);
    device->Advance(1001);
    ASSERT_TRUE(Tick(*device, [&] { return Count(peer.Chunks(), kRelayPress) == 2; }));
    EXPECT_EQ(peer.ChunkCount(), 3u);
}

TEST_F(SmartBusGate, AnsweredFrameIsSentOnce)
{
    Add(*device, 1, kInt32, Blob(1, 1, 2, 49, {3, 100, 0, 0}));
    peer.AddReply(kRelayPress, RelayAnswer(100));
    Online();
    ASSERT_TRUE(device->Press(1, nullptr));
    ASSERT_TRUE(Tick(*device, [&]
                     { return peer.Bytes().size() >= kRelayPress.size() && device->QueuedFrames() == 0; }));
    TickFor(*device, 600);
    EXPECT_EQ(Hex(peer.Bytes()), Hex(kRelayPress));
}

TEST_F(SmartBusGate, LostLinkEmptiesTheQueueAndStartsItsStateOver)
{
    Add(*device, 1, kInt32, Blob(1, 1, 2, 49, {3, 100, 0, 0}));
    Online();
    ASSERT_TRUE(device->Press(1, nullptr));
    // Two time-outs: the head is waiting with a resend count of 1.
    ASSERT_TRUE(Tick(*device, [&] { return peer.Bytes().size() == 2 * kRelayPress.size(); }));
    ASSERT_EQ(device->QueueState(), 3);
    peer.CloseClient();
    ASSERT_TRUE(Tick(*device, [&] { return device->QueuedFrames() == 0 && device->QueueState() == 2; }));
    EXPECT_EQ(device->ResendCount(), 0);
    // Online again: a new press goes at once and is then sent four times in all, not fewer.
    ASSERT_TRUE(Tick(
        *device, [&] { return device->GetState() == CAbstractDevice::StateOnline; }, 30000));
    ASSERT_TRUE(peer.WaitAccepted(2, 10000));
    peer.Clear();
    ASSERT_TRUE(device->Press(1, nullptr));
    ASSERT_TRUE(Tick(*device, [&] { return device->QueuedFrames() == 0; }));
    EXPECT_EQ(peer.Bytes().size(), 4 * kRelayPress.size());
}

TEST(SmartBusFactory, TheTableCreatesTheSerialAndGatewayDrivers)
{
    bus_test::FactoryDrivers made(0xC3, 0xC4);
    ASSERT_TRUE(made.Ok());
    made.ExpectMade<CSmartBusSerialDevice, CSmartBusTcpGateDevice>();
    ASSERT_TRUE(made.gate);
    EXPECT_NE(made.gate->GetTransport(), nullptr);
}

// Runs the body in a child in a network namespace of its own, where lo is up and broadcasts to
// 255.255.255.255 go out on it: nothing leaves the machine.
void InOwnNetworkNamespace(const std::function<void()>& body)
{
    RunInOwnNetworkNamespace(BroadcastOnLo(), body);
}

// A bus member on the broadcast port: reads what is broadcast, broadcasts answers.
class BroadcastMember
{
public:
    explicit BroadcastMember(uint16_t port) : m_port(port)
    {
        m_socket = socket(AF_INET, SOCK_DGRAM, 0);
        int on = 1;
        setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        setsockopt(m_socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        timeval wait{0, 100000};
        setsockopt(m_socket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(port);
        m_ok = bind(m_socket, reinterpret_cast<sockaddr*>(&any), sizeof any) == 0;
    }
    ~BroadcastMember() { close(m_socket); }
    bool Ok() const { return m_ok; }
    // The next datagram within the time (empty when none).
    Bytes Receive(int tries = 50)
    {
        uint8_t buffer[600];
        for (int i = 0; i < tries; ++i)
        {
            const ssize_t n = recv(m_socket, buffer, sizeof buffer, 0);
            if (n > 0)
                return Bytes(buffer, buffer + n);
        }
        return {};
    }
    void Broadcast(const Bytes& bytes)
    {
        sockaddr_in all{};
        all.sin_family = AF_INET;
        all.sin_port = htons(m_port);
        all.sin_addr.s_addr = htonl(INADDR_BROADCAST);
        sendto(m_socket, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&all), sizeof all);
    }

private:
    int m_socket = -1;
    uint16_t m_port;
    bool m_ok = false;
};

TEST(SmartBusUdp, BroadcastCarriesTheKernelsLocalAddressAndTheAnswerReleases)
{
    InOwnNetworkNamespace(
        []
        {
            constexpr uint16_t kPort = 6000;
            BroadcastMember member(kPort);
            ASSERT_TRUE(member.Ok());
            CRecording<CSmartBusUdpDevice> device;
            Add(device, 1, kInt32, Blob(1, 1, 2, 49, {3, 100, 0, 0}));
            DeviceParams params;
            params.port = kPort;
            ASSERT_TRUE(device.Configure(&params));
            ASSERT_TRUE(Tick(device, [&] { return device.GetState() == CAbstractDevice::StateOnline; }));
            ASSERT_TRUE(device.Press(1, nullptr));
            Bytes datagram;
            ASSERT_TRUE(Tick(device,
                             [&]
                             {
                                 datagram = member.Receive(1);
                                 return !datagram.empty();
                             }));
            Bytes expected = {127, 0, 0, 1, 'H', 'D', 'L', 'M', 'I', 'R', 'A', 'C', 'L', 'E'};
            expected.insert(expected.end(), kRelayPress.begin(), kRelayPress.end());
            EXPECT_EQ(Hex(datagram), Hex(expected));
            // The relay answers on the bus; the panel hears its own broadcasts as well and is not
            // confused by them.
            Bytes answer = {127, 0, 0, 1, 'H', 'D', 'L', 'M', 'I', 'R', 'A', 'C', 'L', 'E'};
            const Bytes frame = RelayAnswer(100);
            answer.insert(answer.end(), frame.begin(), frame.end());
            member.Broadcast(answer);
            ASSERT_TRUE(Tick(device, [&] { return device.QueuedFrames() == 0; }));
            EXPECT_EQ(device.QueueState(), 2);
        });
}
} // namespace

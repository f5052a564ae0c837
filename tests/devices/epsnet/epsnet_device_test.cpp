// The EPSNET driver against a scripted station on 127.0.0.1: connecting, read blocks and their
// replies, writes and their pace, sequence numbers, reconnecting, and a silent station.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/NerulanValue.h"
#include "devices/AbstractTransport.h"
#include "devices/DeviceFactory.h"
#include "devices/DeviceParams.h"
#include "devices/buses/epsnet/EPSNETUdpDevice.h"
#include "devices/support/RecordingDriver.h"
#include "support/UdpPeer.h"

namespace
{
using Bytes = std::vector<uint8_t>;
using driver_test::Hex;
using driver_test::Tick;

const Bytes kConnect = {0x10, 0x00, 0x05, 0x69, 0x6E, 0x16};
const Bytes kConnectAnswer = {0x01, 0xF0, 0x02, 0x00, 0x00, 0x06, 0x10, 0x00, 0x05, 0x00, 0x05, 0x16};

class CTestEpsnet : public driver_test::CRecording<CEPSNETUdpDevice>
{
public:
    // The transport stops before any destructor runs, so its thread never meets a half-destroyed object.
    ~CTestEpsnet() override { DeleteTransport(); }
    void SetReconnectWait(uint32_t ms) { m_reconnectWait = ms; }
    void SkipSequences(int n)
    {
        for (int i = 0; i < n; ++i)
            TakeSequence();
    }
};

Bytes Blob(uint8_t action, uint8_t area, uint16_t address, uint8_t bit, Bytes value)
{
    Bytes blob = {action, area, static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8), bit};
    blob.insert(blob.end(), value.begin(), value.end());
    return blob;
}

// The frame of a message (what follows its header).
std::string FrameOf(const Bytes& message)
{
    return Hex(message, 6);
}

class EpsnetLink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        device.SetId(7);
        device.BeginChannels();
    }
    void Add(uint32_t id, uint8_t type, const Bytes& blob, uint8_t direction = 0)
    {
        device.AddChannel(id, type, 1, direction, static_cast<uint32_t>(blob.size()), blob.data());
    }
    void Start(uint32_t pollPeriod, bool answerConnect = true)
    {
        device.EndChannels();
        if (answerConnect)
            peer.AddReply(kConnect, kConnectAnswer);
        DeviceParams params;
        params.host = "127.0.0.1";
        params.port = peer.Port();
        params.value = 0x105; // the low 8 bits: station 5
        params.second = pollPeriod;
        ASSERT_TRUE(device.Configure(&params));
    }
    void Online()
    {
        ASSERT_TRUE(Tick(device, [&] { return device.GetState() == CAbstractDevice::StateOnline; }));
    }
    // The messages received after the connect frame whose frame is `frame`.
    std::vector<Bytes> Received(const std::string& frame)
    {
        std::vector<Bytes> found;
        for (const auto& chunk : peer.Chunks())
        {
            if (FrameOf(chunk.bytes) == frame)
                found.push_back(chunk.bytes);
        }
        return found;
    }

    UdpPeer peer;
    CTestEpsnet device;
};

TEST_F(EpsnetLink, ReadsBlocksAndAppliesTheirReplies)
{
    Add(1, ValueBool, Blob(0, 1, 10, 0, {0}));
    Add(2, ValueBool, Blob(0, 1, 11, 1, {0}));
    Add(3, ValueInt16, Blob(0, 1, 12, 0, {0, 0}));
    Add(4, ValueInt16, Blob(0, 0, 12, 0, {0, 0}));    // the same address in area 0
    Add(5, ValueInt16, Blob(0, 1, 40, 0, {0, 0}), 2); // send-only: never read
    Start(100);
    ASSERT_EQ(device.GetBlockCount(), 2u);
    Online();

    const std::string read = "68 08 08 68 00 05 6C 0B 01 0A 00 04 8B 16";
    ASSERT_TRUE(Tick(device, [&] { return !Received(read).empty(); }));
    const Bytes request = Received(read).front();
    EXPECT_EQ(Hex(Bytes(request.begin() + 2, request.begin() + 6)), "02 00 00 0E");

    // The reply carries the request's sequence value: bits 0 and 1 set, 0x1234 at 12.
    const uint8_t sum = static_cast<uint8_t>(0x05 + 0x08 + 0x01 + 0x02 + 0x34 + 0x12);
    const Bytes reply = {request[0], request[1], 0x02, 0x00, 0x00, 0x0D, 0x68, 0x07, 0x07, 0x68,
                         0x00,       0x05,       0x08, 0x01, 0x02, 0x34, 0x12, sum,  0x16};
    device.ClearEvents();
    ASSERT_TRUE(peer.SendTo(device.GetTransport()->GetLocalPort(), reply));
    ASSERT_TRUE(Tick(device, [&] { return device.Events().size() >= 3; }));
    EXPECT_EQ(device.Events(), (std::vector<std::string>{"1 1 1", "2 1 1", "3 1 4660"}));

    // The same reply again matches no request: nothing more.
    ASSERT_TRUE(peer.SendTo(device.GetTransport()->GetLocalPort(), reply));
    ASSERT_TRUE(Tick(device, [&] { return Received(read).size() >= 3; }));
    EXPECT_EQ(device.Events().size(), 3u);
}

TEST_F(EpsnetLink, WritesLeaveOnePer26Ms)
{
    Add(1, ValueInt16, Blob(2, 1, 12, 0, {0, 0}));
    Add(2, ValueBool, Blob(1, 0, 7, 3, {1}));
    Add(3, ValueUInt8, Blob(3, 2, 300, 0, {0}));
    Start(0);
    Online();
    peer.Clear();

    const uint32_t t = 100000;
    device.HoldTime(t);
    std::unique_ptr<CNerulanValue> v(CNerulanValue::NewInt(0x1234));
    EXPECT_TRUE(device.Release(1, v.get()));
    EXPECT_FALSE(device.Press(2, nullptr)); // its own value: bit 3 on
    std::unique_ptr<CNerulanValue> b(CNerulanValue::NewInt(0x1FF));
    EXPECT_TRUE(device.SetValue(3, b.get()));
    EXPECT_FALSE(device.Press(1, v.get())); // channel 1 is sent by Release only
    EXPECT_EQ(device.GetQueueCount(), 3);

    device.Update();
    device.Update();
    EXPECT_EQ(device.GetQueueCount(), 2);
    device.HoldTime(t + 25);
    device.Update();
    EXPECT_EQ(device.GetQueueCount(), 2);
    device.HoldTime(t + 26);
    device.Update();
    EXPECT_EQ(device.GetQueueCount(), 1);
    device.HoldTime(t + 52);
    device.Update();
    EXPECT_EQ(device.GetQueueCount(), 0);

    ASSERT_TRUE(peer.WaitChunks(3, 10000));
    const auto chunks = peer.Chunks();
    EXPECT_EQ(FrameOf(chunks[0].bytes), "68 0A 0A 68 00 05 63 0C 01 0C 00 02 34 12 C9 16");
    EXPECT_EQ(FrameOf(chunks[1].bytes), "68 08 08 68 00 05 63 10 00 07 00 83 02 16");
    EXPECT_EQ(FrameOf(chunks[2].bytes), "68 09 09 68 00 05 63 0C 02 2C 01 01 FF A3 16");

    // With poll period 0 nothing is read.
    for (uint32_t step = 1; step <= 40; ++step)
    {
        device.HoldTime(t + 52 + step * 100);
        device.Update();
    }
    EXPECT_EQ(peer.ChunkCount(), 3u);
}

TEST_F(EpsnetLink, SequenceWrapsAfter4095)
{
    Add(1, ValueUInt8, Blob(2, 0, 1, 0, {9}));
    Start(0);
    Online();
    EXPECT_EQ(device.GetSequence(), 1); // the connect frame took 1
    device.SkipSequences(4094);
    EXPECT_EQ(device.GetSequence(), 4095);
    peer.Clear();
    EXPECT_TRUE(device.Release(1, nullptr)); // the 4096th request
    ASSERT_TRUE(Tick(device, [&] { return peer.ChunkCount() >= 1; }));
    EXPECT_EQ(Hex(peer.Chunks()[0].bytes), "01 F0 02 00 00 0F 68 09 09 68 00 05 63 0C 00 01 00 01 09 7F 16");
}

TEST_F(EpsnetLink, ConnectsAgainWhileTheStationIsSilent)
{
    Add(1, ValueUInt8, Blob(2, 0, 1, 0, {9}));
    Start(100, false);
    device.SetReconnectWait(100);
    // The socket stays open: the connect frame is sent again after each wait.
    ASSERT_TRUE(Tick(device, [&] { return Received(Hex(kConnect)).size() >= 3; }));
    EXPECT_NE(device.GetState(), CAbstractDevice::StateOnline);

    // A late answer makes the device online.
    peer.AddReply(kConnect, kConnectAnswer);
    Online();
}

TEST_F(EpsnetLink, NeverQueuesABlockTwice)
{
    // Sixty blocks: a full pass takes longer than the read time-out.
    for (uint16_t i = 0; i < 60; ++i)
        Add(i + 1u, ValueUInt8, Blob(0, 0, static_cast<uint16_t>(i * 20), 0, {0}));
    Start(1);
    ASSERT_EQ(device.GetBlockCount(), 60u);
    Online();
    int32_t most = 0;
    for (uint32_t t = 10000; t < 14000; t += 5)
    {
        device.HoldTime(t);
        device.Update();
        most = std::max(most, device.GetQueueCount());
    }
    EXPECT_LE(most, 60);
    // Every block was asked for, and asked again once its request timed out.
    ASSERT_TRUE(peer.WaitChunks(1 + 120, 10000));
}
} // namespace

namespace
{
TEST(EpsnetFactory, CreatesTheUdpDriver)
{
    UdpPeer peer;
    ASSERT_TRUE(peer.Ok());
    CDeviceFactory factory;
    bool known = false;
    std::unique_ptr<CAbstractDevice> device(factory.Create(0xD2, "127.0.0.1", peer.Port(), "5,1000", known));
    EXPECT_TRUE(known);
    EXPECT_NE(dynamic_cast<CEPSNETUdpDevice*>(device.get()), nullptr);
}
} // namespace

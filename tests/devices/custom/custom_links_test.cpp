// The custom byte-string device on its three links, against loopback peers: what a press,
// release and hold send, and the feedback patterns found in what the peer sends.
#include "CustomTestSupport.h"
#include "devices/DeviceFactory.h"
#include "devices/DeviceParams.h"
#include "devices/controllers/custom/CustomSerialDevice.h"
#include "devices/controllers/custom/CustomTCPDevice.h"
#include "devices/controllers/custom/CustomUDPDevice.h"
#include "devices/support/TransportTestDevice.h"
#include "support/PtyPeer.h"
#include "support/TcpPeer.h"
#include "support/TempFolder.h"
#include "support/UdpPeer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

namespace
{
using custom_test::Blob;
using custom_test::CRecording;

constexpr uint16_t kDevice = 5;
const std::vector<uint8_t> kCommand = {0x41, 0x00, 0xFF, 0x80, 0x0D};

template <class Link> void AddChannels(CRecording<Link>& device)
{
    auto add = [&](uint32_t id, uint8_t reportKind, const std::vector<uint8_t>& blob)
    { device.AddChannel(id, 0, reportKind, 0, static_cast<uint32_t>(blob.size()), blob.data()); };
    add(1, 0, Blob(1, 0, 0, 1, kCommand));                  // press
    add(2, 0, Blob(2, 0, 0, 1, PeerText("OFF\r")));         // release
    add(3, 0, Blob(1, 0, 0, 3, PeerText("R")));             // press, three times
    add(4, 0, Blob(32, 0, 0, 1, PeerText("H"), true, 500)); // hold every 500 ms
    add(10, EventSetItemState, Blob(3, 77, 2, 1, PeerText("OK")));
    add(11, EventSetItemValue, Blob(3, 78, 16777217, 1, PeerText("OK")));
    add(12, EventSetItemState, Blob(3, 79, 16777217, 1, PeerText("\x01READY\xFE")));
    add(13, EventSetItemState, Blob(3, 80, 1, 1, {})); // empty pattern: never matches
}

bool Online(CAbstractDevice& device)
{
    return TickUntil(device, 10000, [&] { return device.GetState() == CAbstractDevice::StateOnline; });
}

std::vector<CDeviceEvent> WaitPosted(CRecording<CCustomTCPDevice>& device, size_t count, uint32_t ms = 10000)
{
    WaitUntil(ms,
              [&]
              {
                  device.DispatchEvents();
                  return device.Posted().size() >= count;
              });
    return device.Posted();
}

float FloatOf(uintptr_t value)
{
    uint32_t bits = static_cast<uint32_t>(value);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

class CustomTcp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_peer.Ok());
        m_device.SetId(kDevice);
        AddChannels(m_device);
        DeviceParams params;
        params.host = "127.0.0.1";
        params.port = m_peer.Port();
        ASSERT_TRUE(m_device.Configure(&params));
        ASSERT_TRUE(m_device.Connect());
        ASSERT_TRUE(Online(m_device));
        ASSERT_TRUE(m_peer.WaitAccepted(1, 10000));
    }

    TcpPeer m_peer;
    CRecording<CCustomTCPDevice> m_device;
};

TEST_F(CustomTcp, PressReleaseAndRepeatSendTheChannelBytes)
{
    EXPECT_EQ(m_device.GetKind(), 6);
    EXPECT_TRUE(m_device.Press(1, nullptr));
    ASSERT_TRUE(m_peer.WaitBytes(kCommand.size(), 10000));
    EXPECT_EQ(m_peer.Bytes(), kCommand);

    m_peer.Clear();
    EXPECT_TRUE(m_device.Press(3, nullptr));
    ASSERT_TRUE(m_peer.WaitBytes(3, 10000));
    usleep(50 * 1000);
    EXPECT_EQ(m_peer.Bytes(), PeerText("RRR"));

    m_peer.Clear();
    EXPECT_TRUE(m_device.Release(2, nullptr));
    ASSERT_TRUE(m_peer.WaitBytes(4, 10000));
    EXPECT_EQ(m_peer.Bytes(), PeerText("OFF\r"));

    // The wrong kind for the operation, or no such channel: nothing sent.
    m_peer.Clear();
    EXPECT_FALSE(m_device.Press(2, nullptr));
    EXPECT_FALSE(m_device.Release(1, nullptr));
    EXPECT_FALSE(m_device.Press(10, nullptr));
    EXPECT_FALSE(m_device.Press(99, nullptr));
    EXPECT_FALSE(m_device.Hold(1, 5));
    EXPECT_FALSE(m_device.SetValue(1, nullptr));
    usleep(50 * 1000);
    EXPECT_TRUE(m_peer.Bytes().empty());
}

TEST_F(CustomTcp, HoldSendsAbove500MsThenEvery505)
{
    // Ticks of 5 ms: the first send on the tick at 505 ms, the next at 1010 ms.
    std::vector<int> sentAt;
    size_t seen = 0;
    for (int tick = 1; tick <= 210; ++tick)
    {
        EXPECT_TRUE(m_device.Hold(4, 5));
        if (tick == 100 || tick == 201)
            usleep(30 * 1000); // a send here would show by now (or at the next look)
        if (tick == 101 || tick == 202)
        {
            // The send due on this tick may reach the peer late on a busy machine.
            WaitUntil(10000, [&] { return m_peer.Bytes().size() > seen; });
        }
        if (tick == 100 || tick == 101 || tick == 201 || tick == 202)
        {
            size_t now = m_peer.Bytes().size();
            if (now > seen)
                sentAt.push_back(tick * 5);
            seen = now;
        }
    }
    EXPECT_EQ(sentAt, (std::vector<int>{505, 1010}));
}

TEST_F(CustomTcp, PatternSplitOverTwoReceivesPostsOnTheSecond)
{
    ASSERT_TRUE(m_peer.Send(PeerText("xxO")));
    // Only what may still begin the longest pattern (7 bytes) stays.
    EXPECT_TRUE(WaitUntil(10000, [&] { return m_device.PendingBytes() == 3; }));
    m_device.DispatchEvents();
    EXPECT_TRUE(m_device.Posted().empty());
    EXPECT_EQ(m_device.PendingBytes(), 3);

    ASSERT_TRUE(m_peer.Send(PeerText("K")));
    auto posted = WaitPosted(m_device, 2);
    ASSERT_EQ(posted.size(), 2u);
    // Both channels with the pattern post, in channel order.
    EXPECT_EQ(posted[0].channel, 77u);
    EXPECT_EQ(posted[0].kind, EventSetItemState);
    EXPECT_EQ(posted[0].value, 2u);
    EXPECT_EQ(posted[1].channel, 78u);
    EXPECT_EQ(posted[1].kind, EventSetItemValue);
    EXPECT_EQ(FloatOf(posted[1].value), 16777216.0f);
    EXPECT_EQ(m_device.PendingBytes(), 0);
}

TEST_F(CustomTcp, TenMegabytesOfJunkThenAPatternStillPostsWithFlatMemory)
{
    // The peer's socket does not block: a piece the kernel refused goes again (more junk).
    auto sendAll = [&](const std::vector<uint8_t>& bytes)
    {
        const size_t piece = 16 * 1024;
        for (size_t at = 0; at < bytes.size(); at += piece)
        {
            std::vector<uint8_t> part(bytes.begin() + at, bytes.begin() + std::min(bytes.size(), at + piece));
            if (!WaitUntil(10000, [&] { return m_peer.Send(part); }))
                return false;
        }
        return true;
    };
    ASSERT_TRUE(sendAll(PeerGarbage(10 * 1024 * 1024, 3)));
    ASSERT_TRUE(sendAll(PeerText("\x01READY\xFE")));
    // The junk may hold "OK" by chance; the READY pattern is what this waits for.
    auto findReady = [&]() -> const CDeviceEvent*
    {
        static CDeviceEvent found;
        for (const CDeviceEvent& event : m_device.Posted())
            if (event.channel == 79u)
                return &(found = event);
        return nullptr;
    };
    ASSERT_TRUE(WaitUntil(20000,
                          [&]
                          {
                              m_device.DispatchEvents();
                              return findReady() != nullptr;
                          }));
    // Not the float kind: the value through a float, truncated.
    EXPECT_EQ(findReady()->value, 16777216u);
    ASSERT_TRUE(WaitUntil(10000, [&] { return m_device.PendingBytes() < 7; }));
    // The buffer holds a receive slice and a pattern's tail at most, nowhere near the junk's size.
    EXPECT_LE(m_device.BufferCapacity(), 2 * CCustomDevice::kReceiveSlice);
    EXPECT_LT(m_device.PendingBytes(), 7);
}

TEST(CustomTcpLink, NoFeedbackChannelIgnoresWhatArrives)
{
    TcpPeer peer;
    CRecording<CCustomTCPDevice> device;
    auto blob = Blob(1, 0, 0, 1, PeerText("A"));
    device.AddChannel(1, 0, 0, 0, static_cast<uint32_t>(blob.size()), blob.data());
    EXPECT_FALSE(device.HasFeedback());
    DeviceParams params;
    params.host = "127.0.0.1";
    params.port = peer.Port();
    ASSERT_TRUE(device.Configure(&params));
    device.Connect();
    ASSERT_TRUE(Online(device));
    ASSERT_TRUE(peer.WaitAccepted(1, 10000));
    ASSERT_TRUE(peer.Send(PeerText("OKOKOK")));
    usleep(100 * 1000);
    EXPECT_EQ(device.PendingBytes(), 0);
}

TEST(CustomFactory, TheThreeRowsCreateCustomDevices)
{
    TcpPeer peer;
    CDeviceFactory factory;
    bool known = false;
    std::unique_ptr<CAbstractDevice> tcp(factory.Create(0x61, "127.0.0.1", peer.Port(), nullptr, known));
    ASSERT_TRUE(tcp);
    EXPECT_TRUE(known);
    EXPECT_EQ(tcp->GetKind(), 6);
    EXPECT_NE(dynamic_cast<CCustomTCPDevice*>(tcp.get()), nullptr);
    UdpPeer udpPeer;
    std::unique_ptr<CAbstractDevice> udp(factory.Create(0x62, "127.0.0.1", udpPeer.Port(), nullptr, known));
    ASSERT_TRUE(udp);
    EXPECT_NE(dynamic_cast<CCustomUDPDevice*>(udp.get()), nullptr);
    std::unique_ptr<CAbstractDevice> serial(factory.Create(0x63, nullptr, 9, nullptr, known));
    ASSERT_TRUE(serial);
    EXPECT_NE(dynamic_cast<CCustomSerialDevice*>(serial.get()), nullptr);
}

TEST(CustomUdp, PressSendsADatagramAndPatternsPostAndDisconnectClosesTheSocket)
{
    UdpPeer peer;
    ASSERT_TRUE(peer.Ok());
    CRecording<CCustomUDPDevice> device;
    device.SetId(kDevice);
    AddChannels(device);
    DeviceParams params;
    params.host = "127.0.0.1";
    params.port = peer.Port();
    int before = OpenDescriptorCount();
    ASSERT_TRUE(device.Configure(&params));
    ASSERT_TRUE(device.Connect());
    ASSERT_TRUE(Online(device));

    EXPECT_TRUE(device.Press(3, nullptr));
    ASSERT_TRUE(peer.WaitChunks(3, 10000));
    for (const auto& chunk : peer.Chunks())
        EXPECT_EQ(chunk.bytes, PeerText("R"));
    EXPECT_TRUE(device.Press(1, nullptr));
    ASSERT_TRUE(peer.WaitChunks(4, 10000));
    EXPECT_EQ(peer.Chunks()[3].bytes, kCommand);

    peer.Answer(PeerText("O"));
    usleep(100 * 1000);
    peer.Answer(PeerText("K"));
    ASSERT_TRUE(WaitUntil(10000,
                          [&]
                          {
                              device.DispatchEvents();
                              return device.Posted().size() >= 2;
                          }));
    EXPECT_EQ(device.Posted()[0].channel, 77u);

    // Disconnect lets go of the socket as the other links do; a new Connect opens it again.
    device.Disconnect();
    ASSERT_TRUE(WaitUntil(10000, [&] { return OpenDescriptorCount() <= before; }));
    peer.Clear();
    ASSERT_TRUE(device.Connect());
    ASSERT_TRUE(Online(device));
    EXPECT_TRUE(device.Press(1, nullptr));
    ASSERT_TRUE(peer.WaitChunks(1, 10000));
    EXPECT_EQ(peer.Chunks()[0].bytes, kCommand);
}

class CustomSerial : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char here[4096];
        ASSERT_NE(getcwd(here, sizeof here), nullptr);
        m_home = here;
        ASSERT_EQ(chdir(m_folder.Path().c_str()), 0);
    }
    void TearDown() override
    {
        if (!m_home.empty() && chdir(m_home.c_str()) != 0)
            ADD_FAILURE() << "cannot return to " << m_home;
    }
    TempFolder m_folder;
    std::string m_home;
};

TEST_F(CustomSerial, PressReachesThePtyAndItsPatternPosts)
{
    PtyPeer peer(m_folder.Path(), 4);
    ASSERT_TRUE(peer.Ok());
    CDeviceFactory factory;
    bool known = false;
    // Made as the loader makes it: COM4 at 19200 baud.
    std::unique_ptr<CAbstractDevice> made(factory.Create(0x63, nullptr, 4, "19200,8,n", known));
    ASSERT_TRUE(made);
    made.reset();

    CRecording<CCustomSerialDevice> device;
    device.SetId(kDevice);
    AddChannels(device);
    DeviceParams params;
    params.port = 4;
    params.baud = 19200;
    params.dataBits = 8;
    params.parity = 'n';
    params.readInterval = 1;
    ASSERT_TRUE(device.Configure(&params));
    ASSERT_TRUE(device.Connect());
    ASSERT_TRUE(Online(device));

    EXPECT_TRUE(device.Press(1, nullptr));
    ASSERT_TRUE(peer.WaitBytes(kCommand.size(), 10000));
    EXPECT_EQ(peer.Bytes(), kCommand);

    // The port takes one block at a time: the repeats and a release in the same tick wait for it
    // instead of being refused and lost.
    peer.Clear();
    EXPECT_TRUE(device.Press(3, nullptr));
    EXPECT_TRUE(device.Release(2, nullptr));
    ASSERT_TRUE(WaitUntil(10000,
                          [&]
                          {
                              device.Update();
                              return peer.Bytes().size() >= 7;
                          }));
    EXPECT_EQ(peer.Bytes(), PeerText("RRROFF\r"));
    usleep(100 * 1000);
    peer.Clear();

    // The link drops what arrives while its own bytes go out (a two-wire line's echo): answer as a
    // real device would, once the line has turned round.
    usleep(100 * 1000);
    ASSERT_TRUE(peer.Send(PeerText("zzO")));
    usleep(100 * 1000);
    ASSERT_TRUE(peer.Send(PeerText("Kzz")));
    ASSERT_TRUE(WaitUntil(10000,
                          [&]
                          {
                              device.DispatchEvents();
                              return device.Posted().size() >= 2;
                          }));
    EXPECT_EQ(device.Posted()[0].channel, 77u);
    EXPECT_EQ(device.Posted()[1].channel, 78u);

    device.Disconnect();
    EXPECT_TRUE(WaitUntil(10000, [&] { return device.GetState() == CAbstractDevice::StateIdle; }));
}
} // namespace

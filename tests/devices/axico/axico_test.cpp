// The Axico driver: command lines and status frames from tables, the serial handshake over a
// pty as COMn, and the TCP gateway against a scripted peer on 127.0.0.1.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/NerulanValue.h"
#include "devices/DeviceFactory.h"
#include "devices/DeviceParams.h"
#include "devices/controllers/axico/AxicoCodec.h"
#include "devices/controllers/axico/AxicoSerialDevice.h"
#include "devices/controllers/axico/AxicoTcpGateDevice.h"
#include "devices/support/RecordingDriver.h"
#include "support/PtyPeer.h"
#include "support/TcpPeer.h"
#include "support/TempFolder.h"

namespace
{
using Bytes = std::vector<uint8_t>;
using driver_test::Hex;
using driver_test::Tick;

std::string Text(const Bytes& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// A status frame with L = 5: 'P', 5, address, command, checksum.
Bytes Status(uint8_t a1, uint8_t a2, uint8_t a3, uint8_t command)
{
    return {'P', 5, a1, a2, a3, command, static_cast<uint8_t>(6 + a1 + a2 + a3 + command)};
}

TEST(AxicoFrames, CommandLine)
{
    const uint8_t address[3] = {0x01, 0x02, 0x03};
    EXPECT_EQ(CAxicoCodec::WriteCommand(address, 0x11), "S05010203111D\r");
    const uint8_t high[3] = {0xFF, 0xAB, 0x10};
    EXPECT_EQ(CAxicoCodec::WriteCommand(high, 0x0C), "S05FFAB100CCC\r");
}

TEST(AxicoFrames, Reader)
{
    const CAxicoCodec codec;
    struct Case
    {
        Bytes bytes;
        FrameVerdict::Kind kind;
        int32_t length;
    };
    const Bytes good = Status(1, 2, 3, 0x11);
    Bytes bad = good;
    bad[6] ^= 1;
    // Extended: L = 12, checksum (with 1 added) at 13 and at 12, byte 6 not 0.
    Bytes extended = {'P', 12, 1, 2, 3, 0x11, 9, 0, 0, 0, 0, 0, 0, 0};
    extended[12] = extended[13] = static_cast<uint8_t>(6 + 1 + 2 + 3 + 0x11 + 1);
    Bytes extendedZero = extended;
    extendedZero[6] = 0;
    Bytes shortExtended = {'P', 6, 1, 2, 3, 0x11, 0, 0};
    shortExtended[7] = static_cast<uint8_t>(6 + 1 + 2 + 3 + 0x11 + 1);
    const std::vector<Case> cases = {
        {good, FrameVerdict::Frame, 7},
        {bad, FrameVerdict::NotHere, 0},
        {Bytes(good.begin(), good.begin() + 6), FrameVerdict::NeedMore, 0},
        {{'P'}, FrameVerdict::NeedMore, 0},
        {{'P', 4, 1, 2, 3, 0x11}, FrameVerdict::NotHere, 0}, // too short to hold a status
        {{'P', 0, 6}, FrameVerdict::NotHere, 0},
        {extended, FrameVerdict::Frame, 14},
        {extendedZero, FrameVerdict::NotHere, 0},
        {shortExtended, FrameVerdict::NotHere, 0}, // its second checksum would lie past its end
        {{'A', 'C', '1', '0', '2', '\r'}, FrameVerdict::Frame, 6},
        {{'A', 'C', '1'}, FrameVerdict::NeedMore, 0},
        {{'A', 'X'}, FrameVerdict::NotHere, 0},
        {{'E', '\r'}, FrameVerdict::Frame, 2},
        {{'O'}, FrameVerdict::NeedMore, 0},
        {{'Z', '\r'}, FrameVerdict::NotHere, 0},
    };
    for (const Case& c : cases)
    {
        const FrameVerdict v = codec.Check(c.bytes.data(), static_cast<int32_t>(c.bytes.size()));
        EXPECT_EQ(v.kind, c.kind) << Hex(c.bytes);
        EXPECT_EQ(v.length, c.length) << Hex(c.bytes);
    }
    EXPECT_EQ(CAxicoCodec::Classify(good.data(), 7).kind, AxicoMessage::Status);
    EXPECT_EQ(CAxicoCodec::Classify(good.data(), 7).command, 0x11);
    EXPECT_EQ(CAxicoCodec::Classify(extended.data(), 14).kind, AxicoMessage::ExtendedStatus);
}

template <class Driver> class CTestAxico : public driver_test::CRecording<Driver>
{
public:
    // The transport stops before any destructor runs, so its thread never meets a half-destroyed object.
    ~CTestAxico() override { this->DeleteTransport(); }
    int32_t StateOf(uint16_t channel) { return this->m_channels.Find(channel)->m_state; }
};

// Blob: kind, address.
Bytes Blob(uint8_t kind, uint8_t a1, uint8_t a2, uint8_t a3)
{
    return {kind, a1, a2, a3};
}

class AxicoSerial : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        ASSERT_TRUE(here.Ok());
        device.SetId(9);
        Add(1, Blob(1, 1, 2, 3));
        Add(2, Blob(2, 4, 5, 6));
        Add(3, Blob(3, 7, 8, 9));
    }
    void Add(uint32_t id, const Bytes& blob, uint8_t direction = 0)
    {
        device.AddChannel(id, ValueInt32, 1, direction, static_cast<uint32_t>(blob.size()), blob.data());
    }
    void Handshake()
    {
        DeviceParams params;
        params.port = 5;
        params.baud = 9600;
        params.dataBits = 8;
        params.parity = 'n';
        params.readInterval = 1;
        ASSERT_TRUE(device.Configure(&params));
        ASSERT_TRUE(driver_test::Converse(device, peer, PeerText("T\r"), PeerText("AC102\r")));
        ASSERT_TRUE(driver_test::Converse(device, peer, PeerText("M\r"), PeerText("E\r")));
        EXPECT_NE(device.GetState(), CAbstractDevice::StateOnline);
        ASSERT_TRUE(driver_test::Converse(device, peer, PeerText("O\rRC8\r"), PeerText("O\r")));
        ASSERT_TRUE(Tick(device, [&] { return device.GetState() == CAbstractDevice::StateOnline; }));
        EXPECT_EQ(Text(peer.Bytes()), "T\rM\rO\rRC8\r");
    }
    // What the peer receives from an action, ticking the device until `count` bytes are there.
    std::string SentAfter(const std::function<void()>& act, size_t count)
    {
        peer.Clear();
        act();
        EXPECT_TRUE(Tick(device, [&] { return peer.Bytes().size() >= count; }));
        return Text(peer.Bytes());
    }

    TempFolder folder;
    PtyPeer peer{folder.Path(), 5};
    driver_test::CCurrentFolder here{folder.Path()};
    CTestAxico<CAxicoSerialDevice> device;
};

TEST_F(AxicoSerial, HandshakeThenCommandsAndClose)
{
    Handshake();
    // Placeholders until the states are known.
    EXPECT_EQ(device.Events(), (std::vector<std::string>{"1 1 2", "2 1 18"}));
    device.ClearEvents();

    // The switch's state is not known yet: nothing is sent.
    EXPECT_FALSE(device.Release(1, nullptr));
    ASSERT_TRUE(peer.Send(Status(1, 2, 3, 0x00)));
    ASSERT_TRUE(Tick(device, [&] { return device.StateOf(1) == 0; }));
    EXPECT_EQ(SentAfter([&] { EXPECT_TRUE(device.Release(1, nullptr)); }, 14), "S05010203111D\r");
    EXPECT_EQ(SentAfter([&] { EXPECT_TRUE(device.Release(1, nullptr)); }, 14), "S05010203000C\r");
    EXPECT_EQ(device.Events(), (std::vector<std::string>{"1 1 0"}));
    EXPECT_EQ(SentAfter([&] { EXPECT_TRUE(device.Release(3, nullptr)); }, 14), "S05070809112F\r");
    std::unique_ptr<CNerulanValue> level(CNerulanValue::NewInt(9));
    EXPECT_EQ(SentAfter([&] { EXPECT_TRUE(device.SetValue(2, level.get())); }, 14), "S05040506091E\r");
    EXPECT_EQ(SentAfter([&] { device.Disconnect(); }, 2), "C\r");
}

TEST_F(AxicoSerial, CommandsInQuickSuccessionAllLeave)
{
    // The port takes one line at a time and writes it after its current read. A second release
    // in the same tick used to find it busy: the line was lost while the switch's kept state had
    // already turned, so the panel showed off over a lamp that was on.
    Handshake();
    ASSERT_TRUE(peer.Send(Status(1, 2, 3, 0x00)));
    ASSERT_TRUE(Tick(device, [&] { return device.StateOf(1) == 0; }));
    std::unique_ptr<CNerulanValue> level(CNerulanValue::NewInt(9));
    EXPECT_EQ(SentAfter(
                  [&]
                  {
                      EXPECT_TRUE(device.Release(1, nullptr));
                      EXPECT_TRUE(device.Release(1, nullptr));
                      EXPECT_TRUE(device.SetValue(2, level.get()));
                  },
                  42),
              "S05010203111D\rS05010203000C\rS05040506091E\r");
    EXPECT_EQ(device.StateOf(1), 0);
}

TEST_F(AxicoSerial, DimmerSteps)
{
    Handshake();
    device.ClearEvents();
    // From not known down gives 17, where up is ignored; off gives 0, down from 0 gives 16, up
    // from 16 gives 17; then off, up to 1, where on and down are ignored.
    Bytes frames;
    for (uint8_t command : {0x14, 0x13, 0x00, 0x14, 0x13, 0x00, 0x13, 0x11, 0x14})
    {
        const Bytes f = Status(4, 5, 6, command);
        frames.insert(frames.end(), f.begin(), f.end());
    }
    // Noise and a damaged frame between them are stepped over.
    frames.insert(frames.begin() + 7, {0x55, 'P', 5, 4, 5, 6, 0x11, 0x00});
    ASSERT_TRUE(peer.Send(frames));
    ASSERT_TRUE(Tick(device, [&] { return device.Events().size() >= 6; }));
    EXPECT_EQ(device.Events(),
              (std::vector<std::string>{"2 1 17", "2 1 0", "2 1 16", "2 1 17", "2 1 0", "2 1 1"}));
    EXPECT_EQ(device.StateOf(2), 1);
    EXPECT_EQ(device.GetPending(), 0);
}

TEST(AxicoGate, OnlineAtOnceAndNoHandshake)
{
    TcpPeer peer;
    ASSERT_TRUE(peer.Ok());
    driver_test::CRecording<CAxicoTcpGateDevice> device;
    const Bytes blob = Blob(2, 4, 5, 6);
    device.AddChannel(2, ValueInt32, 1, 0, static_cast<uint32_t>(blob.size()), blob.data());
    const Bytes quiet = Blob(2, 1, 1, 1);
    device.AddChannel(3, ValueInt32, 1, 2, static_cast<uint32_t>(quiet.size()), quiet.data());
    DeviceParams params;
    params.host = "127.0.0.1";
    params.port = peer.Port();
    ASSERT_TRUE(device.Configure(&params));
    ASSERT_TRUE(Tick(device, [&] { return device.GetState() == CAbstractDevice::StateOnline; }));
    ASSERT_TRUE(peer.WaitAccepted(1, 10000));
    device.ClearEvents();

    // Two frames in one reception, the texts among them unanswered; the send-only dimmer ignores its frame.
    Bytes bytes = {'A', 'C', '1', '0', '2', '\r', 'E', '\r'};
    for (const Bytes& f : {Status(4, 5, 6, 0x11), Status(1, 1, 1, 0x11), Status(4, 5, 6, 0x14)})
        bytes.insert(bytes.end(), f.begin(), f.end());
    ASSERT_TRUE(peer.Send(bytes));
    ASSERT_TRUE(Tick(device, [&] { return device.Events().size() >= 2; }));
    EXPECT_EQ(device.Events(), (std::vector<std::string>{"2 1 17", "2 1 16"}));
    EXPECT_TRUE(peer.Bytes().empty());
}
} // namespace

namespace
{
TEST(AxicoFactory, CreatesBothDrivers)
{
    TcpPeer peer;
    ASSERT_TRUE(peer.Ok());
    TempFolder folder;
    driver_test::CCurrentFolder here(folder.Path());
    CDeviceFactory factory;
    bool known = false;
    std::unique_ptr<CAbstractDevice> gate(factory.Create(0x14, "127.0.0.1", peer.Port(), nullptr, known));
    EXPECT_NE(dynamic_cast<CAxicoTcpGateDevice*>(gate.get()), nullptr);
    std::unique_ptr<CAbstractDevice> serial(factory.Create(0x13, nullptr, 8, "9600,8,n", known));
    EXPECT_NE(dynamic_cast<CAxicoSerialDevice*>(serial.get()), nullptr);
}
} // namespace

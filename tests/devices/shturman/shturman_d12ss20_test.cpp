// The Shturman D12SS20 driver: frames, commands and time texts from tables, and the driver
// against a scripted bus over TCP on 127.0.0.1 and over a pty as COMn.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/Checksums.h"
#include "common/NerulanValue.h"
#include "devices/DeviceFactory.h"
#include "devices/DeviceParams.h"
#include "devices/buses/shturman/ShturmanD12SS20Codec.h"
#include "devices/buses/shturman/ShturmanD12SS20SerialDevice.h"
#include "devices/buses/shturman/ShturmanD12SS20TcpDevice.h"
#include "devices/buses/shturman/ShturmanXXV07SerialDevice.h"
#include "devices/buses/shturman/ShturmanXXV07TCPDevice.h"
#include "devices/shturman/support/ShturmanTestSupport.h"
#include "devices/support/RecordingDriver.h"
#include "platform/Clock.h"
#include "support/PtyPeer.h"
#include "support/TcpPeer.h"
#include "support/TempFolder.h"

namespace
{
using shturman_test::Bytes;
using Codec = CShturmanD12SS20Codec;
using driver_test::Hex;
using driver_test::Tick;

using shturman_test::Framed;

TEST(D12SS20Frames, RequestsAndTheirChecksum)
{
    EXPECT_EQ(Hex(Codec::Frame(3, Codec::RequestCommand(Codec::TagDiscovery))), "83 02 22 5E");
    EXPECT_EQ(Hex(Codec::Frame(0, 0x5E)), "80 02 5E 17");
    EXPECT_EQ(Hex(Codec::Frame(127, 0x27, {0x55})),
              "FF 03 27 55 " + Hex({ShturmanSum7(Bytes{0xFF, 0x03, 0x27, 0x55}.data(), 4)}));
}

TEST(D12SS20Frames, ReaderNeedsALengthAndAChecksum)
{
    const Codec codec;
    struct Case
    {
        Bytes bytes;
        FrameVerdict::Kind kind;
        int32_t length;
    };
    const std::vector<Case> cases = {
        {{0x83, 0x02, 0x22, 0x5E}, FrameVerdict::Frame, 4},
        {{0x83, 0x02, 0x22, 0x5F}, FrameVerdict::NotHere, 0},
        {{0x83, 0x02, 0x22}, FrameVerdict::NeedMore, 0},
        {{0x83}, FrameVerdict::NeedMore, 0},
        {Framed({0x83, 0x00}), FrameVerdict::NotHere, 0}, // a length of 0 passes the checksum
        {Framed({0x83, 0x01}), FrameVerdict::NotHere, 0},
        {{0x03, 0x02, 0x22, 0x5E}, FrameVerdict::NotHere, 0},
        {Framed({0x85, 0x05, 0x05, 0x08, 0x20, 0x09}), FrameVerdict::Frame, 7},
    };
    for (const Case& c : cases)
    {
        const FrameVerdict v = codec.Check(c.bytes.data(), static_cast<int32_t>(c.bytes.size()));
        EXPECT_EQ(v.kind, c.kind) << Hex(c.bytes);
        EXPECT_EQ(v.length, c.length) << Hex(c.bytes);
    }
}

std::string CommandText(uint8_t kind, uint8_t sub, uint8_t v, uint8_t w, uint8_t type)
{
    uint8_t command = 0;
    Bytes arguments;
    if (!Codec::Command(kind, sub, v, w, type, command, arguments))
        return "none";
    Bytes all = {command};
    all.insert(all.end(), arguments.begin(), arguments.end());
    return Hex(all);
}

TEST(D12SS20Frames, CommandTable)
{
    struct Case
    {
        uint8_t kind, sub, v, w, type;
        const char* expected;
    };
    const Case cases[] = {
        {0, 5, 0x11, 0x22, 1, "3B 02 05 11 22"},
        {0, 5, 0x11, 0x22, 2, "3B 05 11 22"},
        {0, 25, 0x11, 0x22, 2, "3B 19 11 11"},
        {0, 31, 0x11, 0x22, 2, "none"},
        {0, 30, 0x11, 0x22, 1, "none"},
        {2, 0, 0xC1, 0, 2, "06 01 41"},
        {5, 0, 0x05, 0, 1, "62 00 05"},
        {6, 0, 0x33, 0, 1, "13 33 01"},
        {6, 0, 0x33, 0, 2, "13 33"},
        {7, 0, 0x85, 0, 1, "none"},
        {7, 0, 0x85, 0, 2, "27 05"},
        {8, 0, 0x85, 0, 1, "15 05"},
        {9, 0, 0x85, 0, 1, "14 05"},
        {11, 0, 0x85, 0, 2, "5A 05"},
        {13, 0, 0x85, 0, 1, "none"},
        {14, 0, 0xAB, 0, 2, "5D 01 2B"},
        {14, 0, 0xAB, 0, 1, "5D 0A 0B"},
        {18, 0, 0xFF, 0, 2, "65 0A"},
        {18, 0, 0xFF, 0, 1, "none"},
        {1, 0, 1, 0, 2, "none"},
        {15, 0, 1, 0, 2, "none"},
        {19, 0, 1, 0, 2, "none"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CommandText(c.kind, c.sub, c.v, c.w, c.type), c.expected)
            << int(c.kind) << " " << int(c.sub);
    // Sub-index 30 of a new module: the value thirty times, the second value twenty times, its half ten
    // times.
    uint8_t command = 0;
    Bytes arguments;
    ASSERT_TRUE(Codec::Command(0, 30, 7, 8, 2, command, arguments));
    EXPECT_EQ(command, 0x04);
    ASSERT_EQ(arguments.size(), 60u);
    EXPECT_EQ(arguments[29], 7);
    EXPECT_EQ(arguments[30], 8);
    EXPECT_EQ(arguments[50], 4);
}

TEST(D12SS20Frames, VersionsAndTimes)
{
    const uint8_t oldVersion[] = {0x05, 0x08, 0x20, 0x09};
    const uint8_t newVersion[] = {0x06, 0x08, 0x20, 0x09};
    EXPECT_EQ(Codec::Version(oldVersion), 0x20090805u);
    EXPECT_EQ(Codec::TypeOfVersion(Codec::Version(oldVersion)), Codec::kTypeOld);
    EXPECT_EQ(Codec::TypeOfVersion(Codec::Version(newVersion)), Codec::kTypeNew);
    EXPECT_EQ(Codec::TimeText(0x30, 0x45, 0x65), "05:45:30 PM");
    EXPECT_EQ(Codec::TimeText(0x59, 0x07, 0x51), "11:07:59 AM");
    EXPECT_EQ(Codec::TimeText(0x00, 0x00, 0x23), "23:00:00");
    EXPECT_EQ(Codec::TimeText(0xFF, 0xFF, 0x3F), "45:85:85"); // nonsense digits stay in two places
}

// Blob: action, module, kind, then the kind's bytes.
Bytes Blob(uint8_t action, uint8_t module, uint8_t kind, Bytes rest = {})
{
    Bytes blob = {action, module, kind};
    blob.insert(blob.end(), rest.begin(), rest.end());
    return blob;
}

using CTestD12 = shturman_test::CTestDevice<CShturmanD12SS20TcpDevice>;

const Bytes kDiscovery3 = {0x83, 0x02, 0x22, 0x5E};

class D12SS20Link : public shturman_test::CLinkTest<CShturmanD12SS20TcpDevice>
{
protected:
    void SetUp() override
    {
        CLinkTest::SetUp();
        device.SetId(4);
    }
    // Module 3 answers its discovery and its version query with the version's first byte.
    void Answer(uint8_t module, uint8_t versionLow)
    {
        const auto m = static_cast<uint8_t>(0x80 | module);
        peer.AddReply(Codec::Frame(module, 0x22), Framed({m, 0x02, 0x01}));
        peer.AddReply(Codec::Frame(module, 0x5E), Framed({m, 0x05, versionLow, 0x08, 0x20, 0x09}));
    }
    void Start(uint32_t pollPeriod)
    {
        DeviceParams params;
        params.value = pollPeriod;
        StartWith(params);
    }
    bool Received(const Bytes& bytes) { return Hex(peer.Bytes()).find(Hex(bytes)) != std::string::npos; }
};

TEST_F(D12SS20Link, VersionDecidesTheCommands)
{
    for (uint8_t low : {uint8_t{0x05}, uint8_t{0x06}})
    {
        TcpPeer bus;
        ASSERT_TRUE(bus.Ok());
        CTestD12 d;
        const Bytes blob = Blob(1, 3, 7, {0x85});
        ASSERT_TRUE(d.AddChannel(1, ValueInt32, 1, 2, static_cast<uint32_t>(blob.size()), blob.data()));
        bus.AddReply(kDiscovery3, Framed({0x83, 0x02, 0x01}));
        bus.AddReply(Codec::Frame(3, 0x5E), Framed({0x83, 0x05, low, 0x08, 0x20, 0x09}));
        DeviceParams params;
        params.host = "127.0.0.1";
        params.port = bus.Port();
        params.value = 0;
        ASSERT_TRUE(d.Configure(&params));
        EXPECT_FALSE(d.Press(1, nullptr)); // not discovered yet
        ASSERT_TRUE(Tick(d, [&] { return d.IsModuleUsed(3); }));
        EXPECT_EQ(Hex(bus.Bytes()), "83 02 22 5E 83 02 5E 1A");
        EXPECT_EQ(d.GetModuleType(3), low == 0x05 ? 1 : 2);
        EXPECT_EQ(d.Press(1, nullptr), low == 0x06);
        ASSERT_TRUE(Tick(d, [&] { return d.GetQueueCount() == 0; }));
        if (low == 0x06)
        {
            ASSERT_TRUE(Tick(d, [&] { return bus.Bytes().size() >= 12; }));
        }
        EXPECT_EQ(Hex(bus.Bytes()),
                  low == 0x05 ? "83 02 22 5E 83 02 5E 1A" : "83 02 22 5E 83 02 5E 1A 83 03 27 05 69");
    }
}

TEST_F(D12SS20Link, PollsAndAppliesAnswers)
{
    Add(1, ValueBool, Blob(0, 3, 0, {0, 0, 0}));
    Add(2, ValueBool, Blob(0, 3, 0, {2, 0, 0}));
    Add(3, ValueUInt8, Blob(0, 3, 0, {1, 0, 0})); // no feedback for this type
    Add(4, ValueInt32, Blob(0, 3, 15));
    Add(5, ValueBool, Blob(0, 3, 1, {5}));
    Add(6, ValueInt32, Blob(0, 3, 18, {0}));
    Add(7, ValueInt32, Blob(0, 3, 16));
    Add(8, ValueInt32, Blob(0, 3, 17));
    Answer(3, 0x06);
    peer.AddReply(Codec::Frame(3, 0x02), Framed({0x83, 0x04, 0x01, 0x00, 0x07}));
    peer.AddReply(Codec::Frame(3, 0x64), Framed({0x83, 0x02, 0x09}));
    peer.AddReply(Codec::Frame(3, 0x36), Framed({0x83, 0x06, 0x00, 0x11, 0x00, 0x00, 0x22}));
    peer.AddReply(Codec::Frame(3, 0x32), Framed({0x83, 0x04, 0x30, 0x45, 0x65}));
    // Bits: byte 1 bits 0-3 are sub-indexes 1-4, byte 0 bits 0-3 sub-indexes 5-8.
    peer.AddReply(Codec::Frame(3, 0x99), Framed({0x83, 0x07, 0x01, 0x02, 0x00, 0x00, 0x00, 0x00}));
    Start(100);
    ASSERT_TRUE(Tick(device, [&] { return device.Events().size() >= 7; }));
    EXPECT_EQ(device.Events(), (std::vector<std::string>{"1 1 1", "2 1 1", "6 1 9", "7 1 17", "8 1 34",
                                                         "4 4 '05:45:30 PM'", "5 1 1"}));
    // The next pass: the same values post nothing but the value and the time, which go every time.
    device.ClearEvents();
    ASSERT_TRUE(Tick(device, [&] { return device.Events().size() >= 2; }));
    EXPECT_EQ(device.Events(), (std::vector<std::string>{"6 1 9", "4 4 '05:45:30 PM'"}));
}

TEST_F(D12SS20Link, OnlyTheHeadsModuleReleasesIt)
{
    Add(1, ValueBool, Blob(0, 3, 0, {0, 0, 0}));
    Add(2, ValueBool, Blob(0, 4, 0, {0, 0, 0}));
    peer.AddReply(kDiscovery3, Framed({0x83, 0x02, 0x01}));
    peer.AddReply(Codec::Frame(3, 0x5E), Framed({0x83, 0x05, 0x06, 0x08, 0x20, 0x09}));
    Start(0);
    ASSERT_TRUE(Tick(device, [&] { return Received(Codec::Frame(4, 0x22)); }));
    // Module 4 is silent; module 3 speaks out of turn instead, and a few bytes of noise come.
    ASSERT_TRUE(peer.Send(Framed({0x83, 0x02, 0x01})));
    ASSERT_TRUE(peer.Send({0x11, 0x22}));
    const uint32_t sent = device.Now();
    ASSERT_TRUE(Tick(device, [&] { return platform::ElapsedMs(device.Now(), sent) > 300; }));
    EXPECT_EQ(device.PumpState(), CSendPump::Waiting);
    EXPECT_EQ(device.HeadTag(), 4 << 8 | Codec::TagDiscovery);
    EXPECT_FALSE(device.IsModuleUsed(4));

    // The wait ends after 2000 ms: the module stays unused on this link.
    device.HoldTime(sent + 2001);
    device.Update();
    device.ReleaseTime();
    ASSERT_TRUE(Tick(device, [&] { return device.GetQueueCount() == 0; }));
    EXPECT_TRUE(device.IsModuleUsed(3));
    EXPECT_FALSE(device.IsModuleUsed(4));

    // After a new link both are discovered again; now module 4 answers.
    peer.AddReply(Codec::Frame(4, 0x22), Framed({0x84, 0x02, 0x01}));
    peer.AddReply(Codec::Frame(4, 0x5E), Framed({0x84, 0x05, 0x06, 0x08, 0x20, 0x09}));
    peer.CloseClient();
    ASSERT_TRUE(Tick(device, [&] { return peer.Accepted() >= 2; }));
    ASSERT_TRUE(Tick(device, [&] { return device.IsModuleUsed(3) && device.IsModuleUsed(4); }));
}

TEST_F(D12SS20Link, SilentModulesKeepTheQueueBounded)
{
    Add(1, ValueBool, Blob(0, 3, 0, {0, 0, 0}));
    Add(2, ValueInt32, Blob(0, 3, 15));
    Answer(3, 0x06);
    Start(1);
    ASSERT_TRUE(Tick(device, [&] { return device.IsModuleUsed(3); }));
    EXPECT_LE(shturman_test::MostQueued(device, 100000, 110000), 2);
}

TEST(D12SS20Serial, DiscoveryOverAPty)
{
    shturman_test::CPtyBus bus(4);
    ASSERT_TRUE(bus.Ok());
    PtyPeer& peer = bus.peer;
    driver_test::CRecording<CShturmanD12SS20SerialDevice> device;
    const Bytes blob = Blob(1, 3, 0, {0, 0, 0});
    ASSERT_TRUE(device.AddChannel(1, ValueBool, 1, 0, static_cast<uint32_t>(blob.size()), blob.data()));
    DeviceParams params = bus.Params();
    params.value = 100;
    ASSERT_TRUE(device.Configure(&params));
    ASSERT_TRUE(driver_test::Converse(device, peer, kDiscovery3, Framed({0x83, 0x02, 0x01})));
    ASSERT_TRUE(driver_test::Converse(device, peer, Codec::Frame(3, 0x5E),
                                      Framed({0x83, 0x05, 0x06, 0x08, 0x20, 0x09})));
    ASSERT_TRUE(driver_test::Converse(device, peer, Codec::Frame(3, 0x02), Framed({0x83, 0x02, 0x05})));
    ASSERT_TRUE(Tick(device, [&] { return !device.Events().empty(); }));
    EXPECT_EQ(device.Events(), (std::vector<std::string>{"1 1 1"}));
    EXPECT_EQ(Hex(peer.Bytes()).substr(0, 11), "83 02 22 5E");
}
} // namespace

namespace
{
TEST(ShturmanFactory, CreatesTheFourDrivers)
{
    TcpPeer peer;
    ASSERT_TRUE(peer.Ok());
    TempFolder folder;
    driver_test::CCurrentFolder here(folder.Path());
    CDeviceFactory factory;
    bool known = false;
    std::unique_ptr<CAbstractDevice> d74(factory.Create(0x74, "127.0.0.1", peer.Port(), "1", known));
    EXPECT_NE(dynamic_cast<CShturmanXXV07TCPDevice*>(d74.get()), nullptr);
    std::unique_ptr<CAbstractDevice> d84(factory.Create(0x84, "127.0.0.1", peer.Port(), "500", known));
    EXPECT_NE(dynamic_cast<CShturmanD12SS20TcpDevice*>(d84.get()), nullptr);
    // No COM8 in the folder: the serial drivers are made all the same.
    std::unique_ptr<CAbstractDevice> d73(factory.Create(0x73, nullptr, 8, "9600,8,n,1", known));
    EXPECT_NE(dynamic_cast<CShturmanXXV07SerialDevice*>(d73.get()), nullptr);
    std::unique_ptr<CAbstractDevice> d83(factory.Create(0x83, nullptr, 8, "9600,8,n,500", known));
    EXPECT_NE(dynamic_cast<CShturmanD12SS20SerialDevice*>(d83.get()), nullptr);
}
} // namespace

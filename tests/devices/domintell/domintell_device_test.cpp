// The Domintell driver against a scripted master on 127.0.0.1: the login, the status stream
// exchange, command lines out and status lines in.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "common/NerulanValue.h"
#include "devices/DeviceFactory.h"
#include "devices/DeviceParams.h"
#include "devices/controllers/domintell/DomintellTCPDevice.h"
#include "devices/controllers/domintell/DomintellUDPDevice.h"
#include "devices/support/ByteText.h"
#include "devices/support/DeviceTick.h"
#include "devices/support/NullEventSink.h"
#include "platform/Clock.h"
#include "support/TcpPeer.h"
#include "support/UdpPeer.h"

namespace
{
using Bytes = std::vector<uint8_t>;
using device_test::Text;
using device_test::TickWithin;

// Notes every drained record as "kind channel value"; its local date stands still.
class CTestDomintell : public CDomintellTCPDevice
{
public:
    std::vector<std::string> events;
    DomintellDate date{2024, 2, 10, 13, 25};
    bool realDate = false;

    DomintellDate Date() const { return CDomintellTCPDevice::LocalDate(); }

protected:
    DomintellDate LocalDate() const override { return realDate ? CDomintellTCPDevice::LocalDate() : date; }
    void DispatchEvent(const CDeviceEvent& event, uint32_t address) override
    {
        char text[64];
        std::snprintf(text, sizeof text, "%d %u %g", event.kind, event.channel, event.ValueAsFloat());
        events.push_back(text);
        CDomintellTCPDevice::DispatchEvent(event, address);
    }
};

// Blob: action, module type, serial number, I/O number, sub-kind, reserved, initial value.
Bytes Blob(uint8_t action, uint32_t type, uint32_t serial, uint8_t io, uint8_t subKind, int32_t initial)
{
    Bytes blob = {action};
    for (uint32_t v : {type, serial})
        for (int i = 0; i < 4; ++i)
            blob.push_back(static_cast<uint8_t>(v >> (8 * i)));
    blob.push_back(io);
    blob.push_back(subKind);
    blob.push_back(0);
    for (int i = 0; i < 4; ++i)
        blob.push_back(static_cast<uint8_t>(static_cast<uint32_t>(initial) >> (8 * i)));
    return blob;
}

class DomintellLink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        device.SetId(4);
        device.SetDialogSystem(&sink);
    }
    void Add(uint32_t id, const Bytes& blob, uint8_t valueType = 6, uint8_t direction = 0)
    {
        device.AddChannel(id, valueType, 1, direction, static_cast<uint32_t>(blob.size()), blob.data());
    }
    void Configure(const char* login)
    {
        DeviceParams params;
        params.host = "127.0.0.1";
        params.port = peer.Port();
        params.text = login;
        ASSERT_TRUE(device.Configure(&params));
    }
    // Up to the status stream: login, session opened, RSMODE, one PING.
    void Open(const std::string& beforeOpening = "")
    {
        peer.AddReply(PeerText("LOGIN"), PeerText((beforeOpening + "INFO:Session opened:INFO\r\n").c_str()));
        peer.AddReply(PeerText("RSMODE\r\n"), PeerText("RSMODE\r\nsio=TRUE\r\n"));
        Configure(nullptr);
        ASSERT_TRUE(TickWithin(device, 5000,
                               [&] { return Text(peer.Bytes()).find("PING\r\n") != std::string::npos; }));
        EXPECT_EQ(device.GetState(), CAbstractDevice::StateOnline);
        peer.Clear();
    }
    std::string Sent(bool expectSent, const std::function<bool()>& act, size_t count)
    {
        peer.Clear();
        EXPECT_EQ(act(), expectSent);
        if (count == 0)
            return "";
        EXPECT_TRUE(peer.WaitBytes(count, 10000));
        return Text(peer.Bytes());
    }
    void Status(const char* text, size_t events)
    {
        ASSERT_TRUE(peer.Send(PeerText(text)));
        ASSERT_TRUE(TickWithin(device, 10000, [&] { return device.events.size() >= events; })) << text;
    }

    TcpPeer peer;
    CNullEventSink sink;
    CTestDomintell device;
};

TEST_F(DomintellLink, LoginWithoutTextIsTheBareWord)
{
    Configure(nullptr);
    ASSERT_TRUE(TickWithin(device, 5000, [&] { return peer.Bytes().size() >= 7; }));
    EXPECT_EQ(Text(peer.Bytes()), "LOGIN\r\n");
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateConnecting);
}

TEST_F(DomintellLink, LoginCarriesTheTokenOfTextAndDate)
{
    Configure("abc");
    ASSERT_TRUE(TickWithin(device, 5000, [&] { return peer.Bytes().size() >= 24; }));
    const Bytes expected = {'L',  'O',  'G',  'I',  'N',  0xcd, 0xcf, 0x5f, 0xcd, 0xcb, 0x59, 0xcf,
                            0xcd, 0xff, 0xce, 0xcf, 0x9c, 0xce, 0xcc, 0xfd, 0xcd, 0xca, '\r', '\n'};
    EXPECT_EQ(peer.Bytes(), expected);
}

TEST_F(DomintellLink, StatusStreamAsksForOnePingPerRsmode)
{
    Open();
    // The same "sio=TRUE" again: no second PING until the next RSMODE.
    ASSERT_TRUE(peer.Send(PeerText("sio=TRUE\r\nsio=TRUE\r\n")));
    ASSERT_TRUE(peer.Send(PeerText("RSMODE\r\n")));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return !device.IsPingSent(); }));
    EXPECT_TRUE(peer.Bytes().empty());
    ASSERT_TRUE(peer.Send(PeerText("sio=TRUE\r\n")));
    ASSERT_TRUE(peer.WaitBytes(6, 10000));
    EXPECT_EQ(Text(peer.Bytes()), "PING\r\n");
}

TEST_F(DomintellLink, CommandLinesOut)
{
    Add(1, Blob(2, 8, 0x12A, 3, 3, 40));      // dimmer output 3, sent by release and value
    Add(2, Blob(1, 6, 0xA, 2, 1, 0));         // relay output 2, sent by press
    Add(3, Blob(2, 8, 0x12A, 4, 3, 0), 1);    // bool: any value other than 0 is 1
    Add(4, Blob(3, 8, 0x12A, 5, 3, 0));       // action 3 sends nothing
    Add(5, Blob(1, 6, 0xA, 3, 1, 0), 6, 1);   // never sent
    Add(6, Blob(2, 24, 0x10, 0, 4, -25000));  // a temperature set point
    Add(7, Bytes{1, 8, 0, 0, 0, 0x2A, 0x01}); // a blob cut short: nothing loaded
    Open();
    std::unique_ptr<CNerulanValue> fifty(CNerulanValue::NewInt(50));
    std::unique_ptr<CNerulanValue> seven(CNerulanValue::NewInt(7));
    EXPECT_EQ(Sent(
                  true, [&] { return device.SetValue(1, fifty.get()); }, 17),
              "DIM00012A-3%D50\r\n");
    EXPECT_EQ(Sent(
                  true, [&] { return device.Release(1, nullptr); }, 17),
              "DIM00012A-3%D40\r\n");
    EXPECT_EQ(Sent(
                  true, [&] { return device.Press(2, nullptr); }, 15),
              "BIR00000A-2%I\r\n");
    EXPECT_EQ(Sent(
                  true, [&] { return device.SetValue(3, seven.get()); }, 16),
              "DIM00012A-4%D1\r\n");
    EXPECT_EQ(Sent(
                  true, [&] { return device.Release(6, nullptr); }, 20),
              "TE1000010%T-2.5000\r\n");
    peer.Clear();
    EXPECT_FALSE(device.Press(1, nullptr));
    EXPECT_FALSE(device.SetValue(1, nullptr));
    EXPECT_FALSE(device.SetValue(4, fifty.get()));
    EXPECT_FALSE(device.Press(5, nullptr));
    EXPECT_FALSE(device.Press(7, nullptr));
    EXPECT_FALSE(device.Press(99, nullptr));
    EXPECT_FALSE(device.Hold(1, 100));
    // Nothing of the refused ones went out.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(peer.Bytes().empty()) << Text(peer.Bytes());
}

TEST_F(DomintellLink, StatusLinesBecomeValues)
{
    Add(1, Blob(2, 8, 0x12A, 1, 3, 0));
    Add(2, Blob(2, 8, 0x12A, 8, 3, 0));
    Add(3, Blob(2, 8, 0x12A, 8, 3, 0)); // the same output again: never reported
    Add(4, Blob(2, 24, 0x10, 0, 4, 0));
    Add(5, Blob(1, 6, 0xA, 1, 1, 0));
    // Before the session opens, status lines are not read.
    Open("DIM00012AD0A141E28323C4650\r\n");
    EXPECT_TRUE(device.events.empty());
    // A line that can never end (bare LF, or too long) does not hold up the ones after it.
    Status("junk\nmore junk\r\n", 0);
    Status((std::string(80, 'q') + "\r\nDIM00012AD0A141E28323C46").c_str(), 0);
    Status("50\r\n", 2);
    EXPECT_EQ(device.events, (std::vector<std::string>{"1 1 10", "1 2 80"}));
    device.events.clear();
    // Every line posts, changed or not.
    Status("DIM00012AD0A141E28323C4650\r\nTE1000010T21.5\r\nBIR00000AO80\r\n", 4);
    EXPECT_EQ(device.events, (std::vector<std::string>{"1 1 10", "1 2 80", "1 4 21.5", "1 5 1"}));
}

TEST_F(DomintellLink, LinesInLargeBlocksAreAllRead)
{
    Add(1, Blob(2, 24, 0x10, 0, 4, 0));
    Open();
    std::string block;
    for (int i = 0; i < 20; ++i)
        block += "TE1000010T21.5\r\n";
    Status(block.c_str(), 20);
    // A line still open at its longest, then a block that ends it and brings more.
    device.events.clear();
    ASSERT_TRUE(peer.Send(PeerText(std::string(65, 'q').c_str())));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Status(("\r\n" + block.substr(0, 16 * 5)).c_str(), 5);
    EXPECT_EQ(device.events.size(), 5u);
}

TEST_F(DomintellLink, SessionClosedSendsTheDeviceBackToIdle)
{
    Open();
    ASSERT_TRUE(peer.Send(PeerText("INFO:Session closed:INFO\r\n")));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return peer.Accepted() >= 2; }));
    // The new link starts with the login again.
    ASSERT_TRUE(peer.WaitBytes(7, 10000));
    EXPECT_EQ(Text(peer.Bytes()).substr(0, 7), "LOGIN\r\n");
}

// The local date comes from the process's clock: under faketime it is the date the clock was
// set to. The test runs itself once more under faketime, which answers for the child's run.
TEST(DomintellLocalDate, TokenFollowsTheLocalClock)
{
    if (std::getenv("NERULAN_DOMINTELL_FAKETIME_CHILD"))
    {
        CTestDomintell device;
        device.realDate = true;
        const DomintellDate date = device.Date();
        EXPECT_EQ(date.year, 2024);
        EXPECT_EQ(date.month, 2);
        EXPECT_EQ(date.day, 10);
        EXPECT_EQ(date.hour, 13);
        EXPECT_EQ(date.minute, 25);
        const std::string line = CDomintellCodec::LoginLine("abc", date);
        const std::string expected =
            "LOGIN\xcd\xcf\x5f\xcd\xcb\x59\xcf\xcd\xff\xce\xcf\x9c\xce\xcc\xfd\xcd\xca\r\n";
        EXPECT_EQ(line, expected);
        return;
    }
    if (access("/usr/bin/faketime", X_OK) != 0)
        GTEST_SKIP() << "faketime is not installed";
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    const std::string command =
        std::string("NERULAN_DOMINTELL_FAKETIME_CHILD=1 FAKETIME_DONT_FAKE_MONOTONIC=1 "
                    "ASAN_OPTIONS=\"$ASAN_OPTIONS:verify_asan_link_order=0:detect_leaks=0\" "
                    "/usr/bin/faketime '2024-02-10 13:25:10' '") +
        self + "' --gtest_filter=DomintellLocalDate.TokenFollowsTheLocalClock > /dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

TEST(DomintellUdp, FactoryBuildsTheUdpLinkWithItsLoginText)
{
    UdpPeer peer;
    ASSERT_TRUE(peer.Ok());
    bool known = false;
    std::unique_ptr<CAbstractDevice> device(
        CDeviceFactory().Create(0xA2, "127.0.0.1", peer.Port(), "abc,ignored", known));
    ASSERT_TRUE(known);
    ASSERT_NE(dynamic_cast<CDomintellUDPDevice*>(device.get()), nullptr);
    ASSERT_TRUE(TickWithin(*device, 5000, [&] { return peer.ChunkCount() >= 1; }));
    const std::string login = Text(peer.Chunks()[0].bytes);
    // "LOGIN", the token (17 bytes unless it holds a zero byte), CR LF.
    EXPECT_EQ(login.substr(0, 5), "LOGIN");
    EXPECT_GT(login.size(), 7u);
    EXPECT_EQ(login.substr(login.size() - 2), "\r\n");
    // The master opens the session: RSMODE goes back to it.
    peer.Clear();
    ASSERT_TRUE(peer.Answer(PeerText("INFO:Session opened:INFO\r\n")));
    ASSERT_TRUE(TickWithin(*device, 3000, [&] { return peer.ChunkCount() >= 1; }));
    EXPECT_EQ(Text(peer.Chunks()[0].bytes), "RSMODE\r\n");
}
} // namespace

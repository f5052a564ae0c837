// The Lutron driver against a scripted integration interface on 127.0.0.1: the login, details and
// monitoring, DEVICE commands out, reports in, and a peer that misbehaves.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/NerulanValue.h"
#include "devices/DeviceEventSink.h"
#include "devices/DeviceFactory.h"
#include "devices/DeviceParams.h"
#include "devices/controllers/lutron/LutronTCPDevice.h"
#include "devices/support/ByteText.h"
#include "devices/support/DeviceTick.h"
#include "devices/support/NullEventSink.h"
#include "platform/Clock.h"
#include "support/TcpPeer.h"

namespace
{
using Bytes = std::vector<uint8_t>;
using device_test::Text;
using device_test::TickWithin;

using CNullSink = CNullEventSink;

// Notes every drained record as "kind channel value" (values of kind 1 as floats).
class CTestLutron : public CLutronTCPDevice
{
public:
    // The transport's thread stops before this class's members go.
    ~CTestLutron() override { DeleteTransport(); }
    std::vector<std::string> events;

protected:
    void DispatchEvent(const CDeviceEvent& event, uint32_t address) override
    {
        const long value = event.kind == EventSetItemValue ? static_cast<long>(event.ValueAsFloat())
                                                           : static_cast<long>(event.value);
        events.push_back(std::to_string(event.kind) + " " + std::to_string(event.channel) + " " +
                         std::to_string(value));
        CLutronTCPDevice::DispatchEvent(event, address);
    }
};

// Blob: command kind, serial (LE), code, number, value (LE).
Bytes Blob(uint32_t serial, uint8_t code, uint8_t number, int16_t value)
{
    const auto v = static_cast<uint16_t>(value);
    return {4,
            static_cast<uint8_t>(serial),
            static_cast<uint8_t>(serial >> 8),
            static_cast<uint8_t>(serial >> 16),
            static_cast<uint8_t>(serial >> 24),
            code,
            number,
            static_cast<uint8_t>(v),
            static_cast<uint8_t>(v >> 8)};
}

const char* const kAfterLogin = "?DETAILS,0xFFFFFFFF,1\r\n#MONITORING,255,1\r";

class LutronLink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        device.SetId(3);
        device.SetDialogSystem(&sink);
        Add(1, Blob(0x1A2B3C4D, 2, 0, -1));  // button 2
        Add(2, Blob(0x1A2B3C4D, 14, 1, 0));  // level of component 1
        Add(3, Blob(0x1A2B3C4D, 38, 0, -1)); // group buttons 38 and 39
        Add(4, Blob(0x1A2B3C4D, 39, 0, -1));
        Add(5, Blob(0x1A2B3C4D, 141, 5, 1)); // indicator 5, state 1
        // The prompt arrives in two pieces, the keyword split between them.
        peer.SetGreeting(PeerText("\r\nLog"));
        peer.AddReply(PeerText("lutron\r"), PeerText("\r\nconnection established\r\nQNET> "));
        DeviceParams params;
        params.host = "127.0.0.1";
        params.port = peer.Port();
        params.text = "lutron";
        ASSERT_TRUE(device.Configure(&params));
    }
    void Add(uint32_t id, const Bytes& blob)
    {
        device.AddChannel(id, 1, 1, 0, static_cast<uint32_t>(blob.size()), blob.data());
    }
    void Login(int accepted = 1)
    {
        ASSERT_TRUE(TickWithin(device, 10000, [&] { return peer.Accepted() >= accepted; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        ASSERT_TRUE(peer.Send(PeerText("in: ")));
        const std::string expected = std::string("lutron\r") + kAfterLogin;
        ASSERT_TRUE(TickWithin(device, 10000, [&] { return peer.Bytes().size() >= expected.size(); }));
        EXPECT_EQ(Text(peer.Bytes()), expected);
        ASSERT_TRUE(
            TickWithin(device, 10000, [&] { return device.GetState() == CAbstractDevice::StateOnline; }));
        peer.Clear();
    }
    std::string Sent(const std::function<void()>& act, size_t count)
    {
        peer.Clear();
        act();
        EXPECT_TRUE(peer.WaitBytes(count, 10000));
        return Text(peer.Bytes());
    }
    void Report(const char* text, size_t events)
    {
        ASSERT_TRUE(peer.Send(PeerText(text)));
        ASSERT_TRUE(TickWithin(device, 10000, [&] { return device.events.size() >= events; })) << text;
    }

    TcpPeer peer;
    CNullSink sink;
    CTestLutron device;
};

TEST_F(LutronLink, LoginAndCommandsOut)
{
    Login();
    EXPECT_EQ(Sent([&] { EXPECT_TRUE(device.Press(1, nullptr)); }, 24), "#DEVICE,0x1a2b3c4d,2,3\r\n");
    EXPECT_EQ(Sent([&] { EXPECT_TRUE(device.Release(1, nullptr)); }, 24), "#DEVICE,0x1a2b3c4d,2,4\r\n");
    std::unique_ptr<CNerulanValue> sixty(CNerulanValue::NewInt(60));
    EXPECT_EQ(Sent([&] { EXPECT_TRUE(device.SetValue(2, sixty.get())); }, 28),
              "#DEVICE,0x1a2b3c4d,1,14,60\r\n");
    EXPECT_EQ(Sent([&] { EXPECT_TRUE(device.Press(5, nullptr)); }, 28), "#DEVICE,0x1a2b3c4d,141,5,1\r\n");
    EXPECT_FALSE(device.SetValue(1, sixty.get()));
    EXPECT_FALSE(device.Press(77, nullptr));
}

TEST_F(LutronLink, ReportsBecomeValuesAndStates)
{
    Login();
    Report("~DEVICE,0x1A2B3C4D,1,14,75\r\n", 1);
    EXPECT_EQ(device.events, (std::vector<std::string>{"1 2 75"}));
    device.events.clear();
    // Group: a press of 39 after 38 clears 38 (state 0) and sets 39; releases in a group post nothing.
    Report("~DEVICE,0x1A2B3C4D,38,3\r\n", 1);
    Report("~DEVICE,0x1A2B3C4D,38,4\r\n~DEVICE,0x1A2B3C4D,39,3\r\n", 3);
    EXPECT_EQ(device.events, (std::vector<std::string>{"1 3 1", "6 3 0", "1 4 1"}));
    device.events.clear();
    // A plain button: press and release; the indicator with its own value shows it.
    Report("~DEVICE,0x1A2B3C4D,2,3\r~DEVICE,0x1A2B3C4D,2,4\r~DEVICE,0x1A2B3C4D,141,5,1\r", 3);
    EXPECT_EQ(device.events, (std::vector<std::string>{"1 1 1", "1 1 0", "6 5 1"}));
    device.events.clear();
    // Another serial, another indicator value, a split line.
    ASSERT_TRUE(peer.Send(PeerText("~DEVICE,0x00000001,2,3\r~DEVICE,0x1A2B3C4D,141,5,0\r~DEVICE,0x1A2B")));
    ASSERT_TRUE(peer.Send(PeerText("3C4D,1,14,20\r")));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return !device.events.empty(); }));
    EXPECT_EQ(device.events, (std::vector<std::string>{"1 2 20"}));
}

TEST_F(LutronLink, DetailsAreQueriedAndReplacedOnReconnect)
{
    Login();
    const char* keypad = "~DETAILS,SN:0x00000020,NAME:K,FAMILY:KEYPAD(1),PRODUCT:P,CODE:1,BOOT:1,HW:1\r\n";
    ASSERT_TRUE(peer.Send(PeerText(keypad)));
    ASSERT_TRUE(peer.Send(PeerText(keypad)));
    const std::string query = "?DEVICE,0x00000020,0,0\r";
    ASSERT_TRUE(peer.WaitBytes(2 * query.size(), 10000));
    EXPECT_EQ(Text(peer.Bytes()), query + query);
    auto table = device.GetKeypadTable();
    EXPECT_EQ(table[0].serial, 0x20u);
    EXPECT_EQ(table[1].serial, 0u);
    EXPECT_EQ(device.GetDetails().size(), 2u);

    // A new link: the records of the old one go.
    peer.CloseClient();
    peer.Clear();
    Login(2);
    ASSERT_TRUE(peer.Send(PeerText(keypad)));
    ASSERT_TRUE(peer.WaitBytes(query.size(), 10000));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return device.GetDetails().size() == 1; }));
    EXPECT_EQ(device.GetKeypadTable()[1].serial, 0u);
}

TEST_F(LutronLink, GarbageAndMidLineCloseLeaveThePanelRunning)
{
    Login();
    ASSERT_TRUE(peer.Send(PeerGarbage(5000, 3)));
    ASSERT_TRUE(peer.Send(PeerText("~DEVICE,0x1A2B3C4D,1,1")));
    peer.CloseClient();
    Login(2);
    // The half line of the old link is gone: the first report of the new one stands alone.
    Report("4,33\r\n", 0);
    Report("~DEVICE,0x1A2B3C4D,1,14,44\r\n", 1);
    EXPECT_EQ(device.events.back(), "1 2 44");
}

TEST_F(LutronLink, ClosingConnectionReconnects)
{
    Login();
    ASSERT_TRUE(peer.Send(PeerText("\r\nClosing connection\r\n")));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return peer.Accepted() >= 2; }));
}

TEST(LutronFactory, RowMakesTheDriver)
{
    TcpPeer peer;
    bool known = false;
    std::unique_ptr<CAbstractDevice> device(
        CDeviceFactory().Create(0x161, "127.0.0.1", peer.Port(), "user", known));
    EXPECT_TRUE(known);
    EXPECT_NE(dynamic_cast<CLutronTCPDevice*>(device.get()), nullptr);
}
} // namespace

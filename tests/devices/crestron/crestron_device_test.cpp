// The Crestron driver against a scripted processor on 127.0.0.1: the handshake, joins both ways,
// the heartbeat, popups through the interface's operations, and a peer that misbehaves.
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
#include "devices/controllers/crestron/CrestronDevice.h"
#include "devices/support/DeviceTick.h"
#include "devices/support/HeldClock.h"
#include "devices/support/NullEventSink.h"
#include "platform/Clock.h"
#include "support/TcpPeer.h"

namespace
{
using Bytes = std::vector<uint8_t>;
using device_test::TickWithin;

// Records the interface operations the drain calls.
class CRecordingSink : public CNullEventSink
{
public:
    void SetItemValue(uint32_t address, float value) override
    {
        calls.push_back("value " + std::to_string(address) + " " + std::to_string(static_cast<int>(value)));
    }
    void ShowPopup(const char* popup, const char* page) override
    {
        calls.push_back(std::string("show ") + (popup ? popup : "-") + " " + (page ? page : "-"));
    }
    void HidePopup(const char* popup, const char* page) override
    {
        calls.push_back(std::string("hide ") + (popup ? popup : "-") + " " + (page ? page : "-"));
    }
    std::vector<std::string> calls;
};

// The driver with a movable clock; texts posted for items are noted as they are drained.
class CTestCrestron : public device_test::CHeldClock<CCrestronDevice>
{
public:
    // The transport's thread stops before this class's members go.
    ~CTestCrestron() override { DeleteTransport(); }
    std::vector<std::u16string> texts;

protected:
    void DispatchEvent(const CDeviceEvent& event, uint32_t address) override
    {
        if (event.kind == EventSetItemText)
            texts.push_back(event.ValueWide() ? event.ValueWide() : u"");
        CCrestronDevice::DispatchEvent(event, address);
    }
};

const Bytes kConnectRequest{0x01, 0x00, 0x07, 0x7F, 0x00, 0x00, 0x01, 0x00, 0x03, 0x40};
const Bytes kUpdateRequest{0x05, 0x00, 0x05, 0x34, 0x12, 0x02, 0x03, 0x1E};

// Channel blob: object id, join (LE), value (LE), mode, names.
Bytes Blob(uint8_t object, uint16_t join, uint16_t value, int mode = -1, const char* names = nullptr)
{
    Bytes blob{object, static_cast<uint8_t>(join), static_cast<uint8_t>(join >> 8),
               static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    if (mode >= 0)
        blob.push_back(static_cast<uint8_t>(mode));
    if (names)
        blob.insert(blob.end(), names, names + std::string(names).size());
    return blob;
}

class CrestronLink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        device.SetId(2);
        device.SetDialogSystem(&sink);
        Add(1, 1, Blob(0, 5, 0));                 // digital join 5
        Add(2, 5, Blob(0, 0x102, 300));           // analog join 0x102, press sends 300
        Add(3, 19, Blob(0, 7, 0));                // serial join 7
        Add(4, 1, Blob(9, 5, 0));                 // smart object 9, digital join 5
        Add(5, 1, Blob(0, 6, 0, 1, "Menu,Main")); // digital join 6 toggles popup Menu
        DeviceParams params;
        params.host = "127.0.0.1";
        params.port = peer.Port();
        params.value = 3;
        ASSERT_TRUE(device.Configure(&params));
    }
    void Add(uint32_t id, uint8_t kind, const Bytes& blob)
    {
        device.AddChannel(id, kind, 1, 0, static_cast<uint32_t>(blob.size()), blob.data());
    }
    // Runs the handshake: the processor asks, the panel sends its connect request, the processor
    // gives the handle 12 34 and the panel asks for an update.
    void Handshake()
    {
        ASSERT_TRUE(TickWithin(device, 10000, [&] { return peer.Accepted() >= 1 && !peer.ClientGone(); }));
        peer.Clear();
        ASSERT_TRUE(peer.Send({0x0F, 0x00, 0x01, 0x02}));
        ASSERT_TRUE(TickWithin(device, 10000, [&] { return peer.Bytes().size() >= kConnectRequest.size(); }));
        EXPECT_EQ(peer.Bytes(), kConnectRequest);
        peer.Clear();
        ASSERT_TRUE(peer.Send({0x02, 0x00, 0x02, 0x12, 0x34}));
        ASSERT_TRUE(
            TickWithin(device, 10000, [&] { return device.GetState() == CAbstractDevice::StateOnline; }));
        ASSERT_TRUE(peer.WaitBytes(kUpdateRequest.size(), 10000));
        EXPECT_EQ(peer.Bytes(), kUpdateRequest);
        EXPECT_EQ(device.GetHandle(), 0x3412);
        peer.Clear();
    }
    Bytes SendAndCollect(const std::function<void()>& act, size_t count)
    {
        peer.Clear();
        act();
        EXPECT_TRUE(peer.WaitBytes(count, 10000));
        return peer.Bytes();
    }

    TcpPeer peer;
    CRecordingSink sink;
    CTestCrestron device;
};

TEST_F(CrestronLink, HandshakeJoinsOutAndHeartbeat)
{
    Handshake();
    EXPECT_EQ(SendAndCollect([&] { EXPECT_TRUE(device.Press(1, nullptr)); }, 9),
              (Bytes{0x05, 0x00, 0x06, 0x34, 0x12, 0x03, 0x00, 0x05, 0x00}));
    EXPECT_EQ(SendAndCollect([&] { EXPECT_TRUE(device.Release(1, nullptr)); }, 9),
              (Bytes{0x05, 0x00, 0x06, 0x34, 0x12, 0x03, 0x00, 0x05, 0x80}));
    EXPECT_EQ(SendAndCollect([&] { EXPECT_TRUE(device.Press(2, nullptr)); }, 11),
              (Bytes{0x05, 0x00, 0x08, 0x34, 0x12, 0x05, 0x14, 0x01, 0x02, 0x01, 0x2C}));
    std::unique_ptr<CNerulanValue> sixty(CNerulanValue::NewInt(60));
    EXPECT_EQ(SendAndCollect([&] { EXPECT_TRUE(device.SetValue(2, sixty.get())); }, 11),
              (Bytes{0x05, 0x00, 0x08, 0x34, 0x12, 0x05, 0x14, 0x01, 0x02, 0x00, 0x3C}));
    EXPECT_EQ(SendAndCollect([&] { EXPECT_TRUE(device.Press(4, nullptr)); }, 12),
              (Bytes{0x05, 0x00, 0x09, 0x34, 0x12, 0x06, 0x20, 0x09, 0x03, 0x00, 0x05, 0x00}));
    // What a join kind has no packet for is refused.
    EXPECT_FALSE(device.Press(3, nullptr));
    EXPECT_FALSE(device.Release(2, nullptr));
    EXPECT_FALSE(device.SetValue(1, sixty.get()));
    EXPECT_FALSE(device.Press(99, nullptr));

    // The heartbeat goes once more than 3 s have passed since the last one.
    peer.Clear();
    device.Update();
    device.Advance(3001);
    device.Update();
    ASSERT_TRUE(peer.WaitBytes(5, 10000));
    EXPECT_EQ(peer.Bytes(), (Bytes{0x0D, 0x00, 0x02, 0x34, 0x12}));
    device.Update();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(peer.Bytes().size(), 5u);
}

TEST_F(CrestronLink, JoinsInBecomeValuesTextsAndPopups)
{
    Handshake();
    // Two packets in one receive, the second split over two receives; junk between them.
    ASSERT_TRUE(peer.Send(
        {0x05, 0x00, 0x06, 0x12, 0x34, 0x03, 0x00, 0x05, 0x00, 0x77, 0x00, 0x05, 0x00, 0x08, 0x12}));
    ASSERT_TRUE(peer.Send({0x34, 0x05, 0x14, 0x01, 0x02, 0x00, 0x4B}));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return sink.calls.size() >= 2; }));
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"value 131073 1", "value 131074 75"}));
    sink.calls.clear();

    // The same digital value again posts nothing; low posts 0.
    ASSERT_TRUE(peer.Send({0x05, 0x00, 0x06, 0x12, 0x34, 0x03, 0x00, 0x05, 0x00}));
    ASSERT_TRUE(peer.Send({0x05, 0x00, 0x06, 0x12, 0x34, 0x03, 0x00, 0x05, 0x80}));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return !sink.calls.empty(); }));
    TickWithin(device, 50, [] { return false; });
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"value 131073 0"}));
    sink.calls.clear();

    // Serial join 7 (8-bit form) and a smart-object digital join.
    ASSERT_TRUE(peer.Send({0x05, 0x00, 0x08, 0x12, 0x34, 0x05, 0x12, 0x07, 'O', 'n', 0xE9}));
    ASSERT_TRUE(peer.Send({0x05, 0x00, 0x09, 0x12, 0x34, 0x06, 0x20, 0x09, 0x03, 0x00, 0x05, 0x00}));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return !device.texts.empty() && !sink.calls.empty(); }));
    EXPECT_EQ(device.texts, (std::vector<std::u16string>{u"On\u00E9"}));
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"value 131076 1"}));
    sink.calls.clear();

    // Mode 1: high shows the popup on its page, low hides it.
    ASSERT_TRUE(peer.Send({0x05, 0x00, 0x06, 0x12, 0x34, 0x03, 0x00, 0x06, 0x00}));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return sink.calls.size() >= 1; }));
    ASSERT_TRUE(peer.Send({0x05, 0x00, 0x06, 0x12, 0x34, 0x03, 0x00, 0x06, 0x80}));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return sink.calls.size() >= 2; }));
    EXPECT_EQ(sink.calls, (std::vector<std::string>{"show Menu Main", "hide Menu Main"}));
    sink.calls.clear();

    // Join data with another handle and short join packets change nothing.
    ASSERT_TRUE(peer.Send({0x05, 0x00, 0x06, 0x99, 0x99, 0x03, 0x00, 0x05, 0x00}));
    ASSERT_TRUE(peer.Send({0x05, 0x00, 0x03, 0x12, 0x34, 0x05}));
    ASSERT_TRUE(peer.Send({0x05, 0x00, 0x05, 0x12, 0x34, 0x05, 0x15, 0x00}));
    ASSERT_TRUE(peer.Send({0x05, 0x00, 0x01, 0x12}));
    TickWithin(device, 150, [] { return false; });
    EXPECT_TRUE(sink.calls.empty());
    EXPECT_EQ(device.texts.size(), 1u);
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateOnline);
}

TEST_F(CrestronLink, RefusalDisconnectAndHeartbeatMismatchReconnect)
{
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return peer.Accepted() >= 1; }));
    ASSERT_TRUE(peer.Send({0x0F, 0x00, 0x01, 0x02}));
    ASSERT_TRUE(peer.WaitBytes(kConnectRequest.size(), 10000));
    // Refused: the link closes and the next tick connects again.
    ASSERT_TRUE(peer.Send({0x02, 0x00, 0x02, 0xFF, 0xFF}));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return peer.Accepted() >= 2; }));
    EXPECT_NE(device.GetState(), CAbstractDevice::StateOnline);

    Handshake();
    // A heartbeat answer with the panel's handle keeps the link; another handle ends it, and the
    // panel says goodbye first.
    ASSERT_TRUE(peer.Send({0x0E, 0x00, 0x02, 0x12, 0x34}));
    TickWithin(device, 100, [] { return false; });
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateOnline);
    ASSERT_TRUE(peer.Send({0x0E, 0x00, 0x02, 0x00, 0x01}));
    ASSERT_TRUE(peer.WaitBytes(6, 10000));
    EXPECT_EQ(peer.Bytes(), (Bytes{0x03, 0x00, 0x03, 0x34, 0x12, 0x00}));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return peer.Accepted() >= 3; }));

    Handshake();
    // The processor's disconnect packet ends the link too.
    ASSERT_TRUE(peer.Send({0x03, 0x00, 0x00}));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return peer.Accepted() >= 4; }));
}

TEST_F(CrestronLink, GarbageAndMidPacketCloseLeaveThePanelRunning)
{
    Handshake();
    // Junk that holds no type + zero pair is dropped and changes nothing.
    Bytes junk = PeerGarbage(4000, 7);
    for (uint8_t& byte : junk)
        byte = byte == 0 ? 1 : byte;
    ASSERT_TRUE(peer.Send(junk));
    TickWithin(device, 100, [] { return false; });
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateOnline);
    // A packet start that never completes, then the peer goes away mid-packet.
    ASSERT_TRUE(peer.Send({0x05, 0x00, 0x40, 0x12, 0x34, 0x03}));
    TickWithin(device, 100, [] { return false; });
    peer.CloseClient();
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return peer.Accepted() >= 2; }));
    Handshake();
    EXPECT_EQ(SendAndCollect([&] { EXPECT_TRUE(device.Press(1, nullptr)); }, 9),
              (Bytes{0x05, 0x00, 0x06, 0x34, 0x12, 0x03, 0x00, 0x05, 0x00}));
}

TEST(CrestronFactory, RowMakesTheDriver)
{
    TcpPeer peer;
    bool known = false;
    std::unique_ptr<CAbstractDevice> device(
        CDeviceFactory().Create(0x141, "127.0.0.1", peer.Port(), "3", known));
    EXPECT_TRUE(known);
    auto* crestron = dynamic_cast<CCrestronDevice*>(device.get());
    ASSERT_NE(crestron, nullptr);
    EXPECT_EQ(crestron->GetIpId(), 3);
}
} // namespace

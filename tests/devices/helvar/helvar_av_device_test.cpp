// The Helvar AV driver against a scripted interface: on a pty as COMn and behind a TCP gateway on
// 127.0.0.1, with the device's clock held by the test where the queue's times matter.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "common/NerulanValue.h"
#include "devices/DeviceFactory.h"
#include "devices/DeviceParams.h"
#include "devices/buses/helvar/HelvarAVSerialDevice.h"
#include "devices/buses/helvar/HelvarAVTcpGateDevice.h"
#include "devices/support/NullEventSink.h"
#include "support/HelvarTestSupport.h"
#include "support/PtyPeer.h"
#include "support/TcpPeer.h"
#include "support/TempFolder.h"

namespace
{
using namespace helvar_test;
using Bytes = std::vector<uint8_t>;

const Bytes kProbe = {0x03, 0x82, 0x02, 0x00};
const Bytes kProbeAnswer = {0x01, 0x82};

template <class Device> void Add(Device& device, uint32_t id, const Bytes& blob, uint8_t valueType = 6)
{
    device.AddChannel(id, valueType, 1, 0, static_cast<uint32_t>(blob.size()), blob.data());
}

TEST(HelvarAVSerial, ProbeThenCommandsOnTheLine)
{
    TempFolder folder;
    PtyPeer peer(folder.Path(), 7);
    ASSERT_TRUE(peer.Ok());
    char home[4096] = {};
    ASSERT_NE(getcwd(home, sizeof home), nullptr);
    ASSERT_EQ(chdir(folder.Path().c_str()), 0);
    {
        CNullEventSink sink;
        bool known = false;
        // COM 7 at 19200 baud, 8 data bits, no parity, no polling.
        std::unique_ptr<CAbstractDevice> device(
            CDeviceFactory().Create(0xB3, nullptr, 7, "19200,8,n,0", known));
        ASSERT_TRUE(known);
        ASSERT_NE(dynamic_cast<CHelvarAVSerialDevice*>(device.get()), nullptr);
        device->SetDialogSystem(&sink);
        Add(*device, 1, {1, 1, 2, 9, 3}); // group 2, scene 3
        ASSERT_TRUE(TickWithin(*device, 5000, [&] { return peer.Bytes().size() >= 4; }));
        EXPECT_EQ(peer.Bytes(), kProbe);
        EXPECT_EQ(device->GetState(), CAbstractDevice::StateConnecting);
        peer.Clear();
        ASSERT_TRUE(peer.Send(kProbeAnswer));
        ASSERT_TRUE(
            TickWithin(*device, 5000, [&] { return device->GetState() == CAbstractDevice::StateOnline; }));
        EXPECT_FALSE(device->Press(1, nullptr));
        ASSERT_TRUE(TickWithin(*device, 5000, [&] { return peer.Bytes().size() >= 4; }));
        EXPECT_EQ(peer.Bytes(), (Bytes{0x03, 0x51, 0x85, 0x16}));
    }
    ASSERT_EQ(chdir(home), 0);
}

// The TCP gateway form with a clock the test sets.
class CClockedGate : public CRecording<CHelvarAVTcpGateDevice>
{
public:
    std::atomic<uint32_t> now{0};
    uint32_t Now() const override { return now.load(); }
};

class HelvarAVGate : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        device.SetDialogSystem(&sink);
    }
    void Open(uint32_t pollPeriod)
    {
        DeviceParams params;
        params.host = "127.0.0.1";
        params.port = peer.Port();
        params.value = pollPeriod;
        ASSERT_TRUE(device.Configure(&params));
        ASSERT_TRUE(TickWithin(device, 5000, [&] { return peer.Bytes().size() >= 4; }));
        ASSERT_EQ(peer.Bytes(), kProbe);
        peer.Clear();
        ASSERT_TRUE(peer.Send(kProbeAnswer));
        ASSERT_TRUE(
            TickWithin(device, 5000, [&] { return device.GetState() == CAbstractDevice::StateOnline; }));
    }
    // One Update at a device time; the bytes the peer got from it (waiting up to `count`).
    Bytes Step(uint32_t time, size_t count)
    {
        peer.Clear();
        device.now = time;
        device.Update();
        if (count > 0)
            EXPECT_TRUE(peer.WaitBytes(count, 10000));
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(30)); // would anything have come?
        return peer.Bytes();
    }
    // The interface answers; the test waits for what the answer does on the transport thread,
    // without an Update (which would pump the next message).
    void Answer(const Bytes& bytes, const std::function<bool()>& until)
    {
        ASSERT_TRUE(peer.Send(bytes));
        const uint32_t start = platform::ClockMs();
        while (!until() && platform::ElapsedMs(platform::ClockMs(), start) < 3000)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_TRUE(until());
    }
    static void Settle() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

    TcpPeer peer;
    CNullEventSink sink;
    CClockedGate device;
};

TEST_F(HelvarAVGate, AnUnansweredMessageHoldsTheQueueFor6000ms)
{
    Add(device, 1, {1, 0, 5, 10, 255}); // level 255 goes out as 254
    Add(device, 2, {1, 0, 6, 10, 1});   // level 1 stays 1
    Open(0);
    device.Press(1, nullptr);
    device.Press(2, nullptr);
    EXPECT_EQ(Step(1000, 4), (Bytes{0x03, 0x51, 0x0A, 0xFE}));
    EXPECT_EQ(device.GetQueueState(), CSendPump::Waiting);
    EXPECT_TRUE(Step(4000, 0).empty());
    EXPECT_TRUE(Step(7000, 0).empty()); // 6000 ms exactly: still waiting
    EXPECT_TRUE(Step(7001, 0).empty()); // dropped
    EXPECT_EQ(device.GetQueueCount(), 1);
    EXPECT_EQ(Step(7002, 4), (Bytes{0x03, 0x51, 0x0C, 0x01}));
    // Its answer releases the queue at once.
    Answer({0x01, 'k'}, [&] { return device.GetQueueState() == CSendPump::Ready; });
    EXPECT_EQ(device.GetQueueCount(), 0);
}

TEST_F(HelvarAVGate, LevelPollsAndAnswers)
{
    Add(device, 1, {1, 0, 2, 11}, 1);    // switch at 2, bool: polled
    Add(device, 2, {3, 0, 2, 10, 0});    // level at 2, set by value, int32: polled
    Add(device, 3, {3, 0, 2, 10, 0}, 3); // uint8: takes no level
    Add(device, 4, {3, 0, 0, 10, 0});    // level at 0
    Add(device, 5, {3, 0, 70, 10, 0});   // beyond DALI's short addresses: not polled
    Add(device, 6, {1, 1, 2, 9, 3});     // a group scene
    EXPECT_TRUE(device.IsPolled(0));
    EXPECT_TRUE(device.IsPolled(2));
    EXPECT_FALSE(device.IsPolled(6));
    EXPECT_FALSE(device.IsPolled(70));
    Open(500);
    // A command first; its 'f' answer is no level of short address 0.
    device.Press(6, nullptr);
    EXPECT_EQ(Step(100, 4), (Bytes{0x03, 0x51, 0x85, 0x16}));
    Answer({0x03, 'f', 0x00, 0x40}, [] { return true; });
    Settle();
    EXPECT_EQ(device.GetQueueState(), CSendPump::Waiting);
    EXPECT_TRUE(device.events.empty());
    Answer({0x01, 'k'}, [&] { return device.GetQueueState() == CSendPump::Ready; });
    // A late answer while nothing waits changes nothing.
    Answer({0x01, 'k', 0x03, 'f', 0x00, 0x40}, [] { return true; });
    Settle();
    EXPECT_TRUE(Step(200, 0).empty());
    EXPECT_TRUE(device.events.empty());
    // The poll pass: one query per flagged address, ascending.
    EXPECT_EQ(Step(501, 4), (Bytes{0x03, 0x55, 0x01, 0xA0}));
    EXPECT_EQ(device.GetQueueCount(), 2);
    // Later passes while they wait queue neither again.
    Step(1002, 0);
    Step(1503, 0);
    EXPECT_EQ(device.GetQueueCount(), 2);
    // Too short to carry a level: consumed, nothing applied; then the level of address 0.
    Answer({0x02, 'f', 0x00, 0x03, 'f', 0x00, 0x00}, [&] { return device.GetQueueCount() == 1; });
    EXPECT_EQ(Step(1504, 4), (Bytes{0x03, 0x55, 0x05, 0xA0}));
    EXPECT_TRUE(device.events.empty()); // 0 was the level of address 0 already
    Answer({0x03, 'f', 0x00, 0x80}, [&] { return device.GetQueueCount() == 0; });
    EXPECT_TRUE(Step(1505, 0).empty());
    EXPECT_EQ(device.events, (std::vector<std::string>{"1 1 1", "1 2 128"}));
    // The switch now toggles off.
    device.Press(1, nullptr);
    EXPECT_EQ(Step(1506, 4), (Bytes{0x03, 0x51, 0x05, 0x00}));
}

TEST_F(HelvarAVGate, NoPollingWithPeriodZero)
{
    Add(device, 1, {3, 0, 2, 10, 0});
    Open(0);
    EXPECT_TRUE(Step(100000, 0).empty());
    EXPECT_EQ(device.GetQueueCount(), 0);
    EXPECT_EQ(device.GetPollPeriod(), 0u);
}
} // namespace

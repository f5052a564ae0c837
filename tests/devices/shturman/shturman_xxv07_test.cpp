// The Shturman XXV07 driver: its frames from byte tables, and the driver against a scripted bus
// over TCP on 127.0.0.1 and over a pty as COMn.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/InStream.h"
#include "common/NerulanValue.h"
#include "devices/DeviceParams.h"
#include "devices/buses/shturman/ShturmanXXV07Codec.h"
#include "devices/buses/shturman/ShturmanXXV07SerialDevice.h"
#include "devices/buses/shturman/ShturmanXXV07TCPDevice.h"
#include "devices/shturman/support/ShturmanTestSupport.h"
#include "devices/support/RecordingDriver.h"
#include "support/PtyPeer.h"

namespace
{
using driver_test::Hex;
using driver_test::Tick;
using shturman_test::Bytes;

const Bytes kStatus = {0x0C, 0xF3, 0x05, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x43};

TEST(ShturmanXXV07Frames, RequestsAndStatusFrames)
{
    EXPECT_EQ(Hex(CShturmanXXV07Codec::StatusRequest(5)), "85 71 00");
    EXPECT_EQ(Hex(CShturmanXXV07Codec::Command(5, 2, 0x40, 0x11)), "85 03 02 40 11");

    const CShturmanXXV07Codec codec;
    struct Case
    {
        Bytes bytes;
        FrameVerdict::Kind kind;
    };
    Bytes damaged = kStatus;
    damaged[13] = 0x44;
    const std::vector<Case> cases = {
        {kStatus, FrameVerdict::Frame},
        {damaged, FrameVerdict::NotHere},
        {Bytes(kStatus.begin(), kStatus.begin() + 13), FrameVerdict::NeedMore},
        {{0x0C}, FrameVerdict::NeedMore},
        {{0x0C, 0xF2}, FrameVerdict::NotHere},
        {{0x85, 0x71, 0x00}, FrameVerdict::NotHere},
    };
    for (const Case& c : cases)
        EXPECT_EQ(codec.Check(c.bytes.data(), static_cast<int32_t>(c.bytes.size())).kind, c.kind)
            << Hex(c.bytes);
}

// Blob: action, module, index, extra, value.
Bytes Blob(uint8_t action, uint8_t module, uint8_t index, uint8_t extra, uint8_t value)
{
    return {action, module, index, extra, value};
}

class XXV07Link : public shturman_test::CLinkTest<CShturmanXXV07TCPDevice>
{
protected:
    void SetUp() override
    {
        CLinkTest::SetUp();
        device.SetId(2);
    }
    void Start()
    {
        DeviceParams params;
        StartWith(params);
    }
};

TEST_F(XXV07Link, RefusesChannelsOutsideTheBus)
{
    EXPECT_FALSE(Add(1, ValueBool, Blob(1, 128, 0, 0, 0)));
    EXPECT_FALSE(Add(2, ValueBool, Blob(1, 5, 10, 0, 0)));
    EXPECT_FALSE(Add(3, ValueBool, {1, 5, 2}));
    EXPECT_TRUE(Add(4, ValueBool, {1, 127, 9, 0}));
}

TEST_F(XXV07Link, PollsAndTakesStatusFrames)
{
    Add(1, ValueBool, Blob(1, 5, 2, 0x11, 0x40));
    Add(2, ValueInt32, Blob(0, 5, 2, 0, 0));
    Add(3, ValueUInt8, Blob(0, 5, 2, 0, 0));    // no feedback for this type
    Add(4, ValueInt32, Blob(1, 9, 0, 0, 0), 2); // module 9 only sends: never polled
    Start();
    ASSERT_TRUE(Tick(device, [&] { return peer.Bytes().size() >= 3; }));
    EXPECT_EQ(Hex(peer.Bytes()), "85 71 00");

    // Junk and the bus's echo before the frame are dropped with it.
    Bytes frame = {0x85, 0x71, 0x00, 0x0C, 0x0C, 0xF3};
    frame.insert(frame.end(), kStatus.begin(), kStatus.end());
    ASSERT_TRUE(peer.Send(frame));
    ASSERT_TRUE(Tick(device, [&] { return device.Events().size() >= 2; }));
    EXPECT_EQ(device.Events(), (std::vector<std::string>{"1 1 1", "2 1 7"}));
    EXPECT_EQ(device.GetPending(), 0);

    // The same values again post nothing; a changed one posts once per channel.
    device.ClearEvents();
    ASSERT_TRUE(peer.Send(kStatus));
    Bytes changed = kStatus;
    changed[5] = 0x00;
    changed[13] = 0x3C;
    ASSERT_TRUE(peer.Send(changed));
    ASSERT_TRUE(Tick(device, [&] { return device.Events().size() >= 2; }));
    EXPECT_EQ(device.Events(), (std::vector<std::string>{"1 1 0", "2 1 0"}));

    // Press sends the channel value it got from feedback (0 now).
    peer.Clear();
    EXPECT_TRUE(device.Press(1, nullptr));
    ASSERT_TRUE(Tick(device, [&] { return Hex(peer.Bytes()).find("85 03 02 00 11") != std::string::npos; }));
}

TEST_F(XXV07Link, FramesLeaveAtLeast200MsApart)
{
    Add(1, ValueInt32, Blob(1, 6, 2, 0x11, 0x40), 2);
    Add(2, ValueInt32, Blob(2, 6, 3, 0x22, 0x00), 2);
    Start();
    std::unique_ptr<CNerulanValue> v(CNerulanValue::NewInt(0x155));
    EXPECT_TRUE(device.SetValue(2, v.get())); // not its action: only kept for the next release
    device.HoldTime(100000);
    EXPECT_TRUE(device.Press(1, nullptr));
    EXPECT_TRUE(device.Press(1, nullptr));
    EXPECT_TRUE(device.Release(2, nullptr));
    EXPECT_FALSE(device.Release(1, nullptr)); // channel 1 goes on Press only
    device.Update();
    EXPECT_EQ(device.GetQueueCount(), 3);
    ASSERT_TRUE(peer.WaitBytes(5, 10000));
    const uint32_t times[] = {100100, 100200, 100201, 100201, 100402, 100402};
    const int32_t left[] = {3, 3, 2, 2, 1, 1};
    for (size_t i = 0; i < 6; ++i)
    {
        device.HoldTime(times[i]);
        device.Update();
        EXPECT_EQ(device.GetQueueCount(), left[i]) << times[i];
    }
    ASSERT_TRUE(peer.WaitBytes(15, 10000));
    EXPECT_EQ(Hex(peer.Bytes()), "86 03 02 40 11 86 03 02 40 11 86 03 03 55 22");
}

TEST_F(XXV07Link, FirstCommandAfterALinkDropIsSent)
{
    Add(1, ValueInt32, Blob(1, 6, 2, 0x11, 0x40), 2);
    Start();
    EXPECT_TRUE(device.Press(1, nullptr));
    ASSERT_TRUE(Tick(device, [&] { return peer.Bytes().size() >= 5; }));
    EXPECT_EQ(device.PumpState(), CSendPump::Waiting);
    // The link drops while the frame waits for its 200 ms.
    peer.CloseClient();
    ASSERT_TRUE(Tick(device, [&] { return device.GetState() != CAbstractDevice::StateOnline; }));
    EXPECT_EQ(device.GetQueueCount(), 0);
    ASSERT_TRUE(Tick(device, [&] { return device.GetState() == CAbstractDevice::StateOnline; }));
    ASSERT_TRUE(peer.WaitAccepted(2, 10000));
    peer.Clear();
    EXPECT_TRUE(device.Press(1, nullptr));
    ASSERT_TRUE(Tick(device, [&] { return peer.Bytes().size() >= 5; }));
    EXPECT_EQ(Hex(peer.Bytes()), "86 03 02 40 11");
}

TEST_F(XXV07Link, SilentModulesAreNotPolledTwice)
{
    for (uint8_t m = 0; m < 20; ++m)
        Add(m + 1u, ValueBool, Blob(1, m, 0, 0, 0));
    Start();
    EXPECT_LE(shturman_test::MostQueued(device, 100000, 106000), 20);
}

TEST(XXV07Serial, CommandOverAPty)
{
    shturman_test::CPtyBus bus(7);
    ASSERT_TRUE(bus.Ok());
    PtyPeer& peer = bus.peer;
    driver_test::CRecording<CShturmanXXV07SerialDevice> device;
    const Bytes blob = Blob(2, 5, 2, 0x11, 0x40);
    ASSERT_TRUE(device.AddChannel(1, ValueBool, 1, 0, static_cast<uint32_t>(blob.size()), blob.data()));
    DeviceParams params = bus.Params();
    ASSERT_TRUE(device.Configure(&params));
    ASSERT_TRUE(Tick(device, [&] { return device.GetState() == CAbstractDevice::StateOnline; }));
    ASSERT_TRUE(Tick(device, [&] { return peer.Bytes().size() >= 3; }));
    EXPECT_TRUE(device.Release(1, nullptr));
    ASSERT_TRUE(driver_test::Converse(device, peer, {0x85, 0x03, 0x02, 0x40, 0x11}, kStatus));
    EXPECT_EQ(Hex(peer.Bytes()), "85 71 00 85 03 02 40 11");
    ASSERT_TRUE(Tick(device, [&] { return !device.Events().empty(); }));
    EXPECT_EQ(device.Events(), (std::vector<std::string>{"1 1 1"}));
}
} // namespace

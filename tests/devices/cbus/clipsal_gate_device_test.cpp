// The gateway server driver against a scripted server on loopback.
#include "CbusTestSupport.h"
#include "common/NerulanValue.h"
#include "devices/DeviceParams.h"
#include "devices/buses/cbus/ClipsalGateDevice.h"
#include "support/TcpPeer.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
using cbus_test::CRecording;
using cbus_test::Text;
using cbus_test::Tick;

std::vector<uint8_t> Blob(uint8_t network, uint8_t commandType, uint8_t application, uint8_t group,
                          uint8_t command, std::vector<uint8_t> data = {0})
{
    std::vector<uint8_t> blob = {network, commandType, application,
                                 group,   command,     static_cast<uint8_t>(data.size() - 1)};
    blob.insert(blob.end(), data.begin(), data.end());
    return blob;
}

const char kDialogue[] = "project load P\r\nevents e1s1c0\r\n"
                         "project start P\r\ntree //P/*\r\n"
                         "net list_all\r\n"
                         "net open //P/*\r\n"
                         "net sync //P/*\r\n";

class ClipsalGateDeviceTest : public cbus_test::PeerTest<CClipsalGateDevice>
{
protected:
    void Start(const char* project = "P")
    {
        ASSERT_NO_FATAL_FAILURE(Connect(project));
        ASSERT_TRUE(Tick(*device, [&] { return device->GetState() == CAbstractDevice::StateOnline; }));
    }
    // Through the dialogue to the ready phase.
    void Ready()
    {
        Start();
        Say("201 Service ready\r\n320 Network net:254 a=1 b=x State=ok\r\n");
        ASSERT_TRUE(Tick(*device, [&] { return device->GetPhase() == CClipsalGateDevice::PhaseReady; }));
        peer.Clear();
    }
    void Say(const char* text) { ASSERT_TRUE(peer.Send(PeerText(text))); }
};

TEST_F(ClipsalGateDeviceTest, DialogueFollowsTheReplies)
{
    peer.SetGreeting(PeerText("201 Service ready: Clipsal C-Gate\r\n"));
    peer.AddReply(PeerText("events e1s1c0\r\n"), PeerText("200 OK.\r\n"));
    peer.AddReply(PeerText("tree //P/*\r\n"), PeerText("200 OK.\r\n"));
    peer.AddReply(PeerText("net list_all\r\n"), PeerText("135 network found\r\n"));
    peer.AddReply(PeerText("net open //P/*\r\n"), PeerText("200 OK.\r\n"));
    Start();
    ASSERT_TRUE(Received(kDialogue));
    EXPECT_EQ(Text(peer.Bytes()), kDialogue);
    EXPECT_EQ(device->GetPhase(), CClipsalGateDevice::PhaseSyncRequested);

    // A failed sync is asked again; then started, finished (tree), and a ready network.
    peer.Clear();
    Say("408 busy\r\n");
    ASSERT_TRUE(Received("net sync //P/*\r\n"));
    Say("120 sync started\r\n");
    ASSERT_TRUE(Tick(*device, [&] { return device->GetPhase() == CClipsalGateDevice::PhaseSyncStarted; }));
    Say("120 sync finished\r\n");
    ASSERT_TRUE(Received("tree //P/*\r\n"));
    EXPECT_EQ(device->GetPhase(), CClipsalGateDevice::PhaseTreeRequested);
    Add(1, Blob(254, 5, 56, 1, 0x79));
    CNerulanValue value;
    EXPECT_FALSE(device->Press(1, &value));
    Say("320 Network net:254 a=1 b=x State=ok\r\n");
    ASSERT_TRUE(Tick(*device, [&] { return device->GetPhase() == CClipsalGateDevice::PhaseReady; }));
    EXPECT_TRUE(device->Press(1, &value));
    ASSERT_TRUE(Received("on //P/254/56/01\r\n"));
}

TEST_F(ClipsalGateDeviceTest, WithoutANetworkTheTreeIsAskedEveryFewSeconds)
{
    Start();
    Say("201 ready\r\n135 no networks found\r\n");
    ASSERT_TRUE(Tick(*device, [&] { return device->GetPhase() == CClipsalGateDevice::PhaseNoNetwork; }));
    ASSERT_TRUE(Received("events e1s1c0\r\ntree //P/*\r\n"));
    Tick(
        *device, [] { return false; }, 200); // some 40 ticks
    EXPECT_EQ(Text(peer.Bytes()), "project load P\r\nevents e1s1c0\r\ntree //P/*\r\n");
    peer.Clear();
    device->Advance(CClipsalGateDevice::kTreeRepeat);
    ASSERT_TRUE(Received("tree //P/*\r\n"));
    Tick(
        *device, [] { return false; }, 100);
    EXPECT_EQ(Text(peer.Bytes()), "tree //P/*\r\n");
}

TEST_F(ClipsalGateDeviceTest, NoProjectTextGivesAnEmptyName)
{
    DeviceParams params;
    params.host = "127.0.0.1";
    params.port = peer.Port();
    ASSERT_TRUE(device->Configure(&params));
    ASSERT_TRUE(device->Connect());
    ASSERT_TRUE(peer.WaitAccepted(1, 10000));
    ASSERT_TRUE(Tick(*device, [&] { return device->GetState() == CAbstractDevice::StateOnline; }));
    Say("201 ready\r\n");
    ASSERT_TRUE(Received("project load \r\nevents e1s1c0\r\n"));
}

TEST_F(ClipsalGateDeviceTest, EventsSetChannelsAndStoreLevels)
{
    Add(1, Blob(254, 5, 56, 1, 0x79));
    Add(2, Blob(254, 4, 56, 1, 0x79));
    Add(3, Blob(254, 5, 56, 2, 0x79));
    Ready();
    // Junk and unclassified lines before it do not hold the event back.
    Say("\r\nhello there\r\nXYZ\r\n#s# lighting on //P/254/56/1 #sourceunit=12\r\n");
    float toggle = -1, level = -1, other = -1;
    ASSERT_TRUE(Tick(*device, [&] { return device->Last(1, toggle) && device->Last(2, level); }));
    EXPECT_EQ(toggle, 1.0f);
    EXPECT_EQ(level, 255.0f);
    EXPECT_FALSE(device->Last(3, other));
    EXPECT_EQ(device->StoredLevel(254, 56, 1), 255);

    // A timed ramp changes no channel but keeps its level; another project's event is stored only.
    device->Clear();
    Say("#s# lighting ramp //P/254/56/2 128 4 #sourceunit=12\r\n#s# lighting off //Q/254/56/1\r\n");
    ASSERT_TRUE(Tick(*device, [&] { return device->StoredLevel(254, 56, 2) == 128; }));
    ASSERT_TRUE(Tick(*device, [&] { return device->StoredLevel(254, 56, 1) == 0; }));
    Tick(
        *device, [] { return false; }, 50);
    EXPECT_TRUE(device->Values().empty());

    // Addresses past 255 change nothing.
    Say("#s# lighting on //P/999/56/1\r\n#s# lighting on //P/254/56/300\r\n#s# lighting ramp //P/254/56/1 "
        "64\r\n");
    ASSERT_TRUE(Tick(*device, [&] { return device->Last(2, level) && level == 64.0f; }));
}

TEST_F(ClipsalGateDeviceTest, ToggleFollowsTheStoredLevelAndSliderRamps)
{
    Add(1, Blob(254, 5, 56, 1, 0x79));
    Add(2, Blob(254, 4, 56, 1, 0x79));
    Ready();
    Say("#s# lighting on //P/254/56/1\r\n");
    ASSERT_TRUE(Tick(*device, [&] { return device->StoredLevel(254, 56, 1) == 255; }));
    CNerulanValue value;
    ASSERT_TRUE(device->Press(1, &value));
    ASSERT_TRUE(Received("off //P/254/56/01\r\n"));
    Say("#s# lighting off //P/254/56/1\r\n");
    ASSERT_TRUE(Tick(*device, [&] { return device->StoredLevel(254, 56, 1) == 0; }));
    ASSERT_TRUE(device->Press(1, &value));
    ASSERT_TRUE(Received("on //P/254/56/01\r\n"));

    std::unique_ptr<CNerulanValue> slider(CNerulanValue::NewFloat(57.8f));
    EXPECT_FALSE(device->SetValue(2, slider.get()));
    ASSERT_TRUE(Received("ramp //P/254/56/1 57 0s\r\n"));
}

TEST_F(ClipsalGateDeviceTest, AirconEventsFeedTheZoneChannels)
{
    Add(1, Blob(254, 0, 0xAC, 2, 18, {1, 0}));
    Add(2, Blob(254, 7, 0xAC, 2, 1, {1, 4}));
    Ready();
    Say("#s# aircon zone_temperature //P/254/172/0 2 1 5504 #sourceunit=3\r\n");
    float temperature = 0;
    ASSERT_TRUE(Tick(*device, [&] { return device->Last(1, temperature); }));
    EXPECT_EQ(temperature, 21.0f);
    CNerulanValue value;
    ASSERT_TRUE(device->Press(2, &value));
    ASSERT_TRUE(Received("aircon set_zone_hvac_mode //P/254/172  2 0,0 4 0 0 0 0 0 0 0\r\n"));
}
} // namespace

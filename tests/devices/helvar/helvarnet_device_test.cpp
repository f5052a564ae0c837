// The HelvarNet driver against scripted routers on 127.0.0.1: commands and queries out over TCP,
// UDP and the internal UDP link, replies in.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/NerulanValue.h"
#include "devices/AbstractTransport.h"
#include "devices/DeviceFactory.h"
#include "devices/DeviceParams.h"
#include "devices/buses/helvar/HelvarNetTcpDevice.h"
#include "devices/buses/helvar/HelvarNetUDPInternalDevice.h"
#include "devices/buses/helvar/HelvarNetUdpDevice.h"
#include "devices/support/NullEventSink.h"
#include "support/HelvarTestSupport.h"
#include "support/TcpPeer.h"
#include "support/UdpPeer.h"

namespace
{
using namespace helvar_test;
using Bytes = std::vector<uint8_t>;

void Put32(Bytes& blob, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        blob.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A group command (11, 13, 15, 17).
Bytes GroupBlob(uint8_t action, uint8_t command, uint32_t group, Bytes middle, uint32_t fade)
{
    Bytes blob = {action};
    Put32(blob, 0);
    blob.push_back(command);
    blob.push_back(0);
    Put32(blob, group);
    blob.insert(blob.end(), middle.begin(), middle.end());
    Put32(blob, fade);
    return blob;
}

// A device command or query at the Helvar bus address 127.2.3.4 (cluster, router, subnet, device;
// carried inside the message, not a network host), or another one.
Bytes DeviceBlob(uint8_t action, uint32_t period, uint8_t command, uint8_t bit, Bytes middle, uint32_t fade,
                 Bytes address = {127, 2, 3, 4})
{
    Bytes blob = {action};
    Put32(blob, period);
    blob.push_back(command);
    blob.push_back(bit);
    blob.insert(blob.end(), address.begin(), address.end());
    blob.insert(blob.end(), middle.begin(), middle.end());
    Put32(blob, fade);
    return blob;
}

template <class Device> void Add(Device& device, uint32_t id, const Bytes& blob, uint8_t direction = 0)
{
    device.AddChannel(id, 6, 1, direction, static_cast<uint32_t>(blob.size()), blob.data());
}

class HelvarNetTcp : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        device.SetId(5);
        device.SetDialogSystem(&sink);
    }
    void Open()
    {
        DeviceParams params;
        params.host = "127.0.0.1";
        params.port = peer.Port();
        ASSERT_TRUE(device.Configure(&params));
        ASSERT_TRUE(
            TickWithin(device, 5000, [&] { return device.GetState() == CAbstractDevice::StateOnline; }));
        ASSERT_TRUE(peer.WaitAccepted(1, 10000));
    }
    std::string Sent(const std::function<bool()>& act, size_t count)
    {
        peer.Clear();
        EXPECT_FALSE(act()); // this family reports false whatever happens
        EXPECT_TRUE(peer.WaitBytes(count, 10000));
        return Text(peer.Bytes());
    }
    void Reply(const char* text, size_t events)
    {
        ASSERT_TRUE(peer.Send(PeerText(text)));
        ASSERT_TRUE(TickWithin(device, 10000, [&] { return device.events.size() >= events; })) << text;
    }

    TcpPeer peer;
    CNullEventSink sink;
    CRecording<CHelvarNetTcpDevice> device;
};

TEST_F(HelvarNetTcp, CommandsOut)
{
    Add(device, 1, GroupBlob(3, 13, 5, {50}, 100));     // group level, sent by a value
    Add(device, 2, GroupBlob(1, 11, 3, {7, 1, 2}, 0));  // group scene: K 7, block 1, scene 2
    Add(device, 3, DeviceBlob(2, 0, 16, 0, {0}, 20));   // device proportion, sent by release
    Add(device, 4, DeviceBlob(1, 0, 152, 0, {0}, 7));   // a query command pressed
    Add(device, 5, DeviceBlob(1, 0, 14, 0, {9}, 0), 1); // never sent
    Open();
    std::unique_ptr<CNerulanValue> fifty(CNerulanValue::NewInt(50));
    std::unique_ptr<CNerulanValue> four(CNerulanValue::NewInt(4));
    std::unique_ptr<CNerulanValue> minus(CNerulanValue::NewInt(-50));
    EXPECT_EQ(Sent([&] { return device.SetValue(1, fifty.get()); }, 25), ">V:1,C:13,G:5,L:50,F:100#");
    EXPECT_EQ(Sent([&] { return device.Press(2, four.get()); }, 30), ">V:1,C:11,G:3,K:7,B:1,S:4,F:0#");
    EXPECT_EQ(Sent([&] { return device.Press(2, nullptr); }, 30), ">V:1,C:11,G:3,K:7,B:1,S:4,F:0#");
    // A negative proportion keeps its sign.
    EXPECT_EQ(Sent([&] { return device.Release(3, minus.get()); }, 32), ">V:1,C:16,@127.2.3.4,P:-50,F:20#");
    EXPECT_EQ(Sent([&] { return device.Press(4, nullptr); }, 27), ">V:1,C:152,@127.2.3.4,,F:7#");
    peer.Clear();
    // A value stored without sending, and refused operations.
    EXPECT_FALSE(device.SetValue(3, fifty.get()));
    EXPECT_FALSE(device.Press(1, nullptr));
    EXPECT_FALSE(device.Press(5, nullptr));
    EXPECT_FALSE(device.Press(99, nullptr));
    EXPECT_EQ(Sent([&] { return device.Release(3, nullptr); }, 31), ">V:1,C:16,@127.2.3.4,P:50,F:20#");
}

TEST_F(HelvarNetTcp, PollsAndReplies)
{
    Add(device, 1, DeviceBlob(16, 40, 152, 0, {0}, 0));  // load level, polled
    Add(device, 2, DeviceBlob(16, 80, 152, 0, {0}, 0));  // the same query: one entry, the longer period
    Add(device, 3, DeviceBlob(3, 0, 14, 0, {0}, 0));     // a level channel on the same device
    Add(device, 4, DeviceBlob(16, 0, 110, 3, {0}, 0));   // state bit 3, polled once
    Add(device, 5, DeviceBlob(16, 0, 110, 200, {0}, 0)); // a bit number beyond the result
    Add(device, 6, GroupBlob(3, 13, 5, {0}, 0));
    Add(device, 7, GroupBlob(1, 11, 3, {0, 1, 2}, 0));
    Add(device, 8, DeviceBlob(16, 40, 152, 0, {0}, 0), 2); // send only: no feedback, no poll entry
    ASSERT_EQ(device.GetPollEntries().size(), 2u);
    EXPECT_EQ(device.GetPollEntries()[0].period, 80u);
    Open();
    // The polls leave from the ticks after the link came up.
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return peer.Bytes().size() >= 44; }));
    const std::string polls = Text(peer.Bytes());
    EXPECT_EQ(polls.find(">V:1,C:110,@127.2.3.4#"), polls.rfind(">V:1,C:110,@127.2.3.4#")) << "sent once";
    EXPECT_NE(polls.find(">V:1,C:152,@127.2.3.4#"), std::string::npos);
    // Replies, two in one piece, keys in any case; an error reply changes nothing.
    Reply("?V:1,C:152,@127.2.3.4=75#junk?v:1,c:110,@127.2.3.4=8#", 4);
    EXPECT_EQ(device.events, (std::vector<std::string>{"1 1 75", "1 2 75", "1 3 75", "1 4 1"}));
    device.events.clear();
    Reply("!V:1,C:14,@127.2.3.4,L:9#?V:1,C:14,@127.2.3.4,L:75#?V:1,C:14,@127.2.3.4,L:60#", 3);
    EXPECT_EQ(device.events, (std::vector<std::string>{"1 1 60", "1 2 60", "1 3 60"}));
    device.events.clear();
    // Scene feedback: scene 3 on block 1 is 3 * 256 + 1; another block is not this channel's.
    Reply("?V:1,C:11,G:3,B:2,S:9#?V:1,C:11,G:3,B:1,S:3#?V:1,C:13,G:5,L:40#", 2);
    EXPECT_EQ(device.events, (std::vector<std::string>{"1 7 769", "1 6 40"}));
}

// Free port for a socket of the device's own: the system picks one and it is let go again.
uint16_t FreeUdpPort()
{
    UdpPeer probe;
    return probe.Port();
}

TEST(HelvarNetInternal, MessagesCarryTheSequenceAndTheRoutersPort)
{
    UdpPeer router(0, true); // on 127.0.0.1, sharing its port with the device
    ASSERT_TRUE(router.Ok());
    CNullEventSink sink;
    bool known = false;
    std::unique_ptr<CAbstractDevice> device(
        CDeviceFactory().Create(0x112, "127.0.0.1", router.Port(), nullptr, known));
    ASSERT_TRUE(known);
    ASSERT_NE(dynamic_cast<CHelvarNetUDPInternalDevice*>(device.get()), nullptr);
    device->SetDialogSystem(&sink);
    const Bytes blob = GroupBlob(3, 13, 5, {0}, 100);
    device->AddChannel(1, 6, 1, 0, static_cast<uint32_t>(blob.size()), blob.data());
    ASSERT_TRUE(
        TickWithin(*device, 5000, [&] { return device->GetState() == CAbstractDevice::StateOnline; }));
    EXPECT_EQ(device->GetTransport()->GetLocalPort(), router.Port());
    std::unique_ptr<CNerulanValue> fifty(CNerulanValue::NewInt(50));
    device->SetValue(1, fifty.get());
    device->SetValue(1, fifty.get());
    ASSERT_TRUE(router.WaitChunks(2, 3000));
    EXPECT_EQ(Text(router.Chunks()[0].bytes), "<Q:0,>V:1,C:13,G:5,L:50,F:100#");
    EXPECT_EQ(Text(router.Chunks()[1].bytes), "<Q:1,>V:1,C:13,G:5,L:50,F:100#");
    EXPECT_EQ(router.Chunks()[0].fromPort, router.Port());
}

TEST(HelvarNetInternal, OwnDatagramsAreNotReplies)
{
    const uint16_t port = FreeUdpPort();
    ASSERT_NE(port, 0);
    CNullEventSink sink;
    CRecording<CHelvarNetUDPInternalDevice> device;
    device.SetDialogSystem(&sink);
    DeviceParams params;
    params.host = "127.0.0.1"; // nobody else on the port: every query comes back to the device
    params.port = port;
    ASSERT_TRUE(device.Configure(&params));
    Add(device, 1, DeviceBlob(16, 20, 152, 0, {5}, 0));
    ASSERT_TRUE(TickWithin(device, 5000, [&] { return device.GetSequence() >= 3; }));
    // Its own queries, heard back, would read as a result of 0.
    TickWithin(device, 100, [] { return false; });
    EXPECT_TRUE(device.events.empty());
    UdpPeer router;
    ASSERT_TRUE(router.SendTo(port, PeerText("<R:2,?V:1,C:152,@127.2.3.4=75#")));
    ASSERT_TRUE(TickWithin(device, 10000, [&] { return !device.events.empty(); }));
    EXPECT_EQ(device.events, std::vector<std::string>{"1 1 75"});
}

TEST(HelvarNetUdp, FactoryBuildsTheUdpLink)
{
    UdpPeer router;
    ASSERT_TRUE(router.Ok());
    CNullEventSink sink;
    bool known = false;
    std::unique_ptr<CAbstractDevice> device(
        CDeviceFactory().Create(0x102, "127.0.0.1", router.Port(), "0", known));
    ASSERT_TRUE(known);
    ASSERT_NE(dynamic_cast<CHelvarNetUdpDevice*>(device.get()), nullptr);
    device->SetDialogSystem(&sink);
    const Bytes blob = DeviceBlob(16, 0, 152, 0, {0}, 0);
    device->AddChannel(1, 6, 1, 0, static_cast<uint32_t>(blob.size()), blob.data());
    ASSERT_TRUE(TickWithin(*device, 5000, [&] { return router.ChunkCount() >= 1; }));
    EXPECT_EQ(Text(router.Chunks()[0].bytes), ">V:1,C:152,@127.2.3.4#");
    EXPECT_NE(router.Chunks()[0].fromPort, router.Port());
}

TEST(HelvarNetTcpLoader, TheTcpCodeBuildsTheTcpDevice)
{
    bool known = false;
    TcpPeer router;
    std::unique_ptr<CAbstractDevice> device(
        CDeviceFactory().Create(0x101, "127.0.0.1", router.Port(), "", known));
    ASSERT_TRUE(known);
    EXPECT_NE(dynamic_cast<CHelvarNetTcpDevice*>(device.get()), nullptr);
}
} // namespace

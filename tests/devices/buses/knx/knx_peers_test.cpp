// The drivers on real sockets: a scripted KNXnet/IP gateway over TCP (0x54) and scripted object
// servers of both framings (0x131, 0x151), all on 127.0.0.1.
#include <gtest/gtest.h>

#include "devices/DeviceParams.h"
#include "devices/buses/knx/BAOS1xTcpDevice.h"
#include "devices/buses/knx/BAOS2xTcpDevice.h"
#include "devices/buses/knx/EIBInStream.h"
#include "devices/buses/knx/EIBTcpGateDevice.h"
#include "platform/Clock.h"
#include "support/NetIpFrames.h"
#include "support/PeerDevice.h"
#include "support/TcpPeer.h"

namespace
{
using namespace knx_test;
using namespace KnxNetIp;
// Named here: the enumerator KnxNetIp::Frame would make the name ambiguous.
using knx_test::Frame;

struct Seen
{
    uint16_t service;
    Bytes body;
};

// Every KNXnet/IP frame in what the peer received.
std::vector<Seen> FramesIn(const Bytes& bytes)
{
    std::vector<Seen> frames;
    CEIBInStream stream;
    stream.Append(bytes.data(), static_cast<int32_t>(bytes.size()));
    FrameSpan span;
    const uint8_t* body = nullptr;
    size_t length = 0;
    while (stream.ReadFrame(span, body, length))
        frames.push_back({span.service, Bytes(body, body + length)});
    return frames;
}

std::vector<Seen> FramesOf(const std::vector<Seen>& frames, uint16_t service)
{
    std::vector<Seen> of;
    for (const Seen& f : frames)
    {
        if (f.service == service)
            of.push_back(f);
    }
    return of;
}

template <class Driver>
void AddChannel(Driver& device, uint32_t id, uint8_t type, uint8_t direction, Bytes blob)
{
    ASSERT_TRUE(device.AddChannel(id, type, 1, direction, static_cast<uint32_t>(blob.size()), blob.data()));
}

TEST(KnxPeers, TunnellingOverATcpGateway)
{
    TcpPeer gateway;
    ASSERT_TRUE(gateway.Ok());
    CPeerDevice<CEIBTcpGateDevice> device;
    DeviceParams params;
    params.host = "127.0.0.1";
    params.port = gateway.Port();
    ASSERT_TRUE(device.Configure(&params));
    AddChannel(device, 1, ValueKnxFloat16, 0, {3, 0, 1, 2, 4, 0, 0, 0, 0});
    AddChannel(device, 2, ValueBool, 2, {1, 0, 1, 2, 3, 1});
    device.EndChannels();
    ASSERT_TRUE(device.Connect());

    ASSERT_TRUE(device.TickUntil([&] { return !FramesOf(FramesIn(gateway.Bytes()), ConnectRequest).empty(); },
                                 10000));
    Seen request = FramesOf(FramesIn(gateway.Bytes()), ConnectRequest)[0];
    // The endpoint is the address the kernel uses toward the gateway.
    ASSERT_EQ(request.body.size(), 20u);
    EXPECT_EQ(Bytes(request.body.begin() + 2, request.body.begin() + 6), (Bytes{127, 0, 0, 1}));
    EXPECT_NE(request.body[6] << 8 | request.body[7], 0);

    ASSERT_TRUE(
        gateway.Send(Frame(ConnectResponse, {3, 0, 0x08, 0x01, 127, 0, 0, 1, 0x0E, 0x57, 4, 4, 0x11, 0x64})));
    ASSERT_TRUE(device.TickUntil([&] { return device.GetState() == CAbstractDevice::StateOnline; }, 10000));
    // The feedback group is read first.
    ASSERT_TRUE(device.TickUntil(
        [&] { return !FramesOf(FramesIn(gateway.Bytes()), TunnellingRequest).empty(); }, 10000));
    Seen read = FramesOf(FramesIn(gateway.Bytes()), TunnellingRequest)[0];
    EXPECT_EQ(read.body,
              (Bytes{0x04, 3, 0, 0, 0x11, 0x00, 0x8C, 0xE0, 0x11, 0x64, 0x0A, 0x04, 0x01, 0x00, 0x00}));
    ASSERT_TRUE(gateway.Send(Frame(TunnellingAck, {0x04, 3, 0, 0})));

    // A telegram for 1/2/4 arrives in two pieces and is acknowledged.
    Bytes telegram = Frame(TunnellingRequest, {0x04, 3, 0x20, 0x00, 0x29, 0x00, 0xBC, 0xD0, 0x11, 0x05, 0x0A,
                                               0x04, 0x03, 0x00, 0x80, 0x0C, 0x33});
    ASSERT_TRUE(gateway.Send(Bytes(telegram.begin(), telegram.begin() + 7)));
    device.TickFor(20);
    ASSERT_TRUE(gateway.Send(Bytes(telegram.begin() + 7, telegram.end())));
    ASSERT_TRUE(device.TickUntil([&] { return device.Posted(1, 21.5f); }, 10000));
    ASSERT_TRUE(
        device.TickUntil([&] { return !FramesOf(FramesIn(gateway.Bytes()), TunnellingAck).empty(); }, 10000));
    EXPECT_EQ(FramesOf(FramesIn(gateway.Bytes()), TunnellingAck)[0].body, (Bytes{0x04, 3, 0x20, 0x00}));

    // A press goes out with the next sequence.
    ASSERT_TRUE(device.Press(2, nullptr));
    ASSERT_TRUE(device.TickUntil(
        [&] { return FramesOf(FramesIn(gateway.Bytes()), TunnellingRequest).size() == 2; }, 10000));
    Seen write = FramesOf(FramesIn(gateway.Bytes()), TunnellingRequest)[1];
    EXPECT_EQ(write.body[2], 1);
    EXPECT_EQ(Bytes(write.body.end() - 5, write.body.end()), (Bytes{0x0A, 0x03, 0x01, 0x00, 0x81}));

    // The gateway drops the link: the panel connects anew.
    gateway.CloseClient();
    ASSERT_TRUE(device.TickUntil(
        [&] { return FramesOf(FramesIn(gateway.Bytes()), ConnectRequest).size() == 2; }, 10000));
    EXPECT_EQ(gateway.Accepted(), 2);
}

Bytes Baos2x(const Bytes& body)
{
    Bytes frame{0x06, 0x20, 0xF0, 0x81, 0, 0, 0x04, 0, 0, 0};
    for (uint8_t b : body)
        frame.push_back(b);
    frame[5] = static_cast<uint8_t>(frame.size());
    return frame;
}

TEST(KnxPeers, ObjectServerVersion2)
{
    TcpPeer server;
    ASSERT_TRUE(server.Ok());
    CPeerDevice<CBAOS2xTcpDevice> device;
    DeviceParams params;
    params.host = "127.0.0.1";
    params.port = server.Port();
    ASSERT_TRUE(device.Configure(&params));
    AddChannel(device, 1, ValueUInt16, 0, {3, 0, 0x01, 0x01, 3, 0, 0});
    AddChannel(device, 2, ValueKnxFloat16, 0, {3, 0, 0x02, 0x01, 3, 0, 0, 0, 0});
    device.EndChannels();
    ASSERT_TRUE(device.Connect());

    const Bytes read{0x06, 0x20, 0xF0, 0x80, 0x00, 0x11, 0x04, 0x00, 0x00,
                     0x00, 0xF0, 0x05, 0x01, 0x01, 0x00, 0x02, 0x01};
    ASSERT_TRUE(device.TickUntil([&] { return server.Bytes().size() >= read.size(); }, 10000));
    EXPECT_EQ(server.Bytes(), read);
    ASSERT_TRUE(server.Send(Baos2x({0xF0, 0x85, 0x01, 0x01, 0x00, 0x02, 0x01, 0x01, 0x00, 0x02, 0x01, 0x02,
                                    0x01, 0x02, 0x00, 0x02, 0x0C, 0x33})));
    ASSERT_TRUE(device.TickUntil([&] { return device.Posted(1, 258.0f) && device.Posted(2, 21.5f); }, 10000));
    ASSERT_TRUE(
        server.Send(Baos2x({0xF0, 0xC1, 0x01, 0x01, 0x00, 0x01, 0x01, 0x01, 0x00, 0x02, 0x00, 0x05})));
    ASSERT_TRUE(device.TickUntil([&] { return device.Posted(1, 5.0f); }, 10000));

    // Two writes: the server leaves the first unanswered, so the second goes out once the first is
    // dropped after 6 s.
    server.Clear();
    std::unique_ptr<CNerulanValue> temperature(CNerulanValue::NewFloat(20.3f));
    std::unique_ptr<CNerulanValue> level(CNerulanValue::NewInt(7));
    // Read before the first write can go out: the server sees it only some time after it was
    // sent, and a clock read then would make the wait look shorter than it was.
    uint32_t first = platform::ClockMs();
    ASSERT_TRUE(device.SetValue(2, temperature.get()));
    ASSERT_TRUE(device.SetValue(1, level.get()));
    ASSERT_TRUE(device.TickUntil([&] { return server.ChunkCount() >= 1; }, 10000));
    EXPECT_EQ(server.Bytes(), (Bytes{0x06, 0x20, 0xF0, 0x80, 0x00, 0x16, 0x04, 0x00, 0x00, 0x00, 0xF0,
                                     0x06, 0x01, 0x02, 0x00, 0x01, 0x01, 0x02, 0x03, 0x02, 0x07, 0xEE}));
    ASSERT_TRUE(device.TickUntil([&] { return server.Bytes().size() > 22; }, 20000));
    EXPECT_GE(platform::ClockMs() - first, CAbstractBAOSTcpDevice::kReplyTimeout);
    Bytes all = server.Bytes();
    EXPECT_EQ(Bytes(all.begin() + 22, all.end()),
              (Bytes{0x06, 0x20, 0xF0, 0x80, 0x00, 0x16, 0x04, 0x00, 0x00, 0x00, 0xF0,
                     0x06, 0x01, 0x01, 0x00, 0x01, 0x01, 0x01, 0x03, 0x02, 0x00, 0x07}));
}

TEST(KnxPeers, ObjectServerVersion1)
{
    TcpPeer server;
    ASSERT_TRUE(server.Ok());
    CPeerDevice<CBAOS1xTcpDevice> device;
    DeviceParams params;
    params.host = "127.0.0.1";
    params.port = server.Port();
    params.value = 300;
    ASSERT_TRUE(device.Configure(&params));
    AddChannel(device, 1, ValueUInt8, 0, {3, 3, 4, 2, 0});
    AddChannel(device, 2, ValueInt32, 0, {3, 0, 5, 2, 0, 0, 0, 0});
    device.EndChannels();
    ASSERT_TRUE(device.Connect());

    ASSERT_TRUE(device.TickUntil([&] { return server.Bytes().size() >= 4; }, 10000));
    EXPECT_EQ(server.Bytes(), (Bytes{0xF0, 0x05, 0x04, 0x02}));
    // The reply in two pieces: percent 0x80 and a signed -2.
    ASSERT_TRUE(server.Send({0xF0, 0x85, 0x04, 0x02, 0x04, 0x01}));
    device.TickFor(20);
    ASSERT_TRUE(server.Send({0x80, 0x05, 0x04, 0xFF, 0xFF, 0xFF, 0xFE}));
    ASSERT_TRUE(device.TickUntil([&] { return device.Posted(1, 50.0f) && device.Posted(2, -2.0f); }, 10000));
    // Polls with the period read the range again.
    server.Clear();
    ASSERT_TRUE(device.TickUntil([&] { return server.Bytes().size() >= 4; }, 10000));
    EXPECT_EQ(server.Bytes(), (Bytes{0xF0, 0x05, 0x04, 0x02}));
    ASSERT_TRUE(server.Send({0xF0, 0xC1, 0x05, 0x01, 0x05, 0x04, 0x00, 0x00, 0x00, 0x09}));
    ASSERT_TRUE(device.TickUntil([&] { return device.Posted(2, 9.0f); }, 10000));
}
} // namespace

#include <gtest/gtest.h>
#include <vector>

#include "devices/buses/knx/EIBInStream.h"
#include "devices/buses/knx/KnxNetIpFrame.h"

namespace
{
using Bytes = std::vector<uint8_t>;
using namespace KnxNetIp;

const Hpai kLocal{0x7F000001, 0xC350}; // 127.0.0.1:50000

TEST(KnxNetIpFrame, RequestsAreBuiltByteExact)
{
    Bytes out;
    BuildConnectRequest(kLocal, kLocal, out);
    EXPECT_EQ(out, (Bytes{0x06, 0x10, 0x02, 0x05, 0x00, 0x1A, 0x08, 0x01, 0x7F, 0x00, 0x00, 0x01, 0xC3,
                          0x50, 0x08, 0x01, 0x7F, 0x00, 0x00, 0x01, 0xC3, 0x50, 0x04, 0x04, 0x02, 0x00}));
    out.clear();
    BuildConnectionStateRequest(0x15, kLocal, out);
    EXPECT_EQ(out, (Bytes{0x06, 0x10, 0x02, 0x07, 0x00, 0x10, 0x15, 0x00, 0x08, 0x01, 0x7F, 0x00, 0x00, 0x01,
                          0xC3, 0x50}));
    out.clear();
    BuildDisconnectRequest(0x15, kLocal, out);
    EXPECT_EQ(out[3], 0x09);
    EXPECT_EQ(out.size(), 16u);
    out.clear();
    BuildTunnellingRequest(0x15, 0xFF, {0x11, 0x00, 0x8C, 0xE0, 0x11, 0x05, 0x0A, 0x03, 0x01, 0x00, 0x81},
                           out);
    EXPECT_EQ(out, (Bytes{0x06, 0x10, 0x04, 0x20, 0x00, 0x15, 0x04, 0x15, 0xFF, 0x00, 0x11,
                          0x00, 0x8C, 0xE0, 0x11, 0x05, 0x0A, 0x03, 0x01, 0x00, 0x81}));
    out.clear();
    BuildTunnellingAck(0x15, 0x07, 0x00, out);
    EXPECT_EQ(out, (Bytes{0x06, 0x10, 0x04, 0x21, 0x00, 0x0A, 0x04, 0x15, 0x07, 0x00}));
}

TEST(KnxNetIpFrame, ConnectResponsesAreReadWithinTheirBody)
{
    // Channel 1, status 0, data endpoint, response block with the individual address 1.1.100.
    const Bytes body{0x01, 0x00, 0x08, 0x01, 0x7F, 0x00, 0x00, 0x01, 0x0E, 0x57, 0x04, 0x04, 0x11, 0x64};
    ConnectResult result;
    ASSERT_TRUE(ParseConnectResponse(body.data(), body.size(), result));
    EXPECT_EQ(result.channel, 1);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.area, 1);
    EXPECT_EQ(result.line, 1);
    EXPECT_EQ(result.device, 100);
    for (size_t size = 0; size < body.size(); ++size)
        EXPECT_FALSE(ParseConnectResponse(body.data(), size, result)) << size;
    // A refusal carries only channel and status.
    const Bytes refused{0x00, 0x24};
    ASSERT_TRUE(ParseConnectResponse(refused.data(), refused.size(), result));
    EXPECT_EQ(result.status, 0x24);
}

TEST(KnxNetIpFrame, ConnectionHeadersAreBounded)
{
    const Bytes request{0x04, 0x15, 0x07, 0x00, 0x29, 0x00};
    ConnectionHeader header;
    ASSERT_TRUE(ParseConnectionHeader(request.data(), request.size(), header));
    EXPECT_EQ(header.channel, 0x15);
    EXPECT_EQ(header.sequence, 0x07);
    EXPECT_EQ(header.cemiOffset, 4u);
    EXPECT_FALSE(ParseConnectionHeader(request.data(), 3, header));
    // A stated length below 4 or beyond the body is damage.
    const Bytes shortHeader{0x02, 0x15, 0x07, 0x00};
    EXPECT_FALSE(ParseConnectionHeader(shortHeader.data(), shortHeader.size(), header));
    const Bytes longHeader{0x09, 0x15, 0x07, 0x00, 0x00};
    EXPECT_FALSE(ParseConnectionHeader(longHeader.data(), longHeader.size(), header));
    uint8_t channel = 0, status = 0;
    EXPECT_TRUE(ParseChannelStatus(request.data(), 2, channel, status));
    EXPECT_FALSE(ParseChannelStatus(request.data(), 1, channel, status));
}

struct Received
{
    uint16_t service;
    Bytes body;
};

// Appends the chunks one by one and collects every frame the stream gives.
std::vector<Received> Feed(CEIBInStream& stream, const std::vector<Bytes>& chunks)
{
    std::vector<Received> frames;
    for (const Bytes& chunk : chunks)
    {
        EXPECT_TRUE(stream.Append(chunk.data(), static_cast<int32_t>(chunk.size())));
        FrameSpan span;
        const uint8_t* body = nullptr;
        size_t length = 0;
        while (stream.ReadFrame(span, body, length))
            frames.push_back({span.service, Bytes(body, body + length)});
    }
    return frames;
}

const Bytes kAck{0x06, 0x10, 0x04, 0x21, 0x00, 0x0A, 0x04, 0x15, 0x07, 0x00};

TEST(EIBInStream, FindsFramesBehindGarbageAndAcrossChunks)
{
    CEIBInStream stream;
    Bytes garbage{0x00, 0x06, 0xFF, 0x10};
    garbage.insert(garbage.end(), kAck.begin(), kAck.end());
    auto frames =
        Feed(stream, {garbage, Bytes(kAck.begin(), kAck.begin() + 3), Bytes(kAck.begin() + 3, kAck.end())});
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].service, TunnellingAck);
    EXPECT_EQ(frames[0].body, (Bytes{0x04, 0x15, 0x07, 0x00}));
    EXPECT_EQ(frames[1].body, frames[0].body);
    EXPECT_EQ(stream.Pending(), 0);
}

TEST(EIBInStream, TheNextScanStartsBehindTheWholeFrame)
{
    // An unknown service whose body holds what looks like a header: the body is never rescanned.
    CEIBInStream stream;
    Bytes unknown{0x06, 0x10, 0x05, 0x30, 0x00, 0x10};
    unknown.insert(unknown.end(), kAck.begin(), kAck.end());
    unknown.insert(unknown.end(), kAck.begin(), kAck.end());
    auto frames = Feed(stream, {unknown});
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].service, 0x0530);
    EXPECT_EQ(frames[0].body.size(), 10u);
    EXPECT_EQ(frames[1].service, TunnellingAck);
    EXPECT_EQ(stream.Pending(), 0);
}

TEST(EIBInStream, StrayHeadersDoNotMakeTheLinkDeaf)
{
    // A header claiming 60000 bytes, one claiming 3, then a real frame: the real frame is found.
    CEIBInStream stream;
    Bytes bytes{0x06, 0x10, 0x04, 0x20, 0xEA, 0x60, 0x06, 0x10, 0x04, 0x21, 0x00, 0x03};
    bytes.insert(bytes.end(), kAck.begin(), kAck.end());
    auto frames = Feed(stream, {bytes});
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].service, TunnellingAck);
}

TEST(EIBInStream, KeepsAFrameOnItsWayAndDropsWhatCannotStartOne)
{
    CEIBInStream stream;
    auto frames = Feed(stream, {Bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x06}});
    EXPECT_TRUE(frames.empty());
    // Only the tail that may still begin a header is kept.
    EXPECT_EQ(stream.Pending(), 5);
    frames = Feed(stream, {Bytes{0x10, 0x04, 0x21, 0x00, 0x0A, 0x04, 0x15}});
    EXPECT_TRUE(frames.empty());
    EXPECT_EQ(stream.ReadPos()[0], 0x06);
    frames = Feed(stream, {Bytes{0x07, 0x00}});
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].body, (Bytes{0x04, 0x15, 0x07, 0x00}));
}
} // namespace

#include <gtest/gtest.h>
#include <vector>

#include "devices/buses/knx/BAOS1xInStream.h"
#include "devices/buses/knx/BAOS2xInStream.h"
#include "devices/buses/knx/BaosFrame.h"
#include "devices/buses/knx/BaosRanges.h"

namespace
{
using Bytes = std::vector<uint8_t>;

TEST(BaosFrame, RequestsAreBuiltByteExact)
{
    Bytes out;
    Baos::Begin1x(Baos::GetDatapointValue, 1, 10, out);
    EXPECT_EQ(out, (Bytes{0xF0, 0x05, 0x01, 0x0A}));
    out.clear();
    Baos::Begin1x(Baos::SetDatapointValue, 7, 1, out);
    Baos::AddItem1x(7, 0x3, {0x0C, 0x33}, out);
    EXPECT_EQ(out, (Bytes{0xF0, 0x06, 0x07, 0x01, 0x07, 0x32, 0x0C, 0x33}));

    out.clear();
    Baos::Begin2x(Baos::GetDatapointValue, 0x0101, 20, Baos::kFilterAll, out);
    Baos::Finish2x(out);
    EXPECT_EQ(out, (Bytes{0x06, 0x20, 0xF0, 0x80, 0x00, 0x11, 0x04, 0x00, 0x00, 0x00, 0xF0, 0x05, 0x01, 0x01,
                          0x00, 0x14, 0x01}));
    out.clear();
    Baos::Begin2x(Baos::SetDatapointValue, 0x0101, 1, 0, out);
    Baos::AddItem2x(0x0101, 0x03, {0x87, 0x9C}, out);
    Baos::Finish2x(out);
    EXPECT_EQ(out, (Bytes{0x06, 0x20, 0xF0, 0x80, 0x00, 0x16, 0x04, 0x00, 0x00, 0x00, 0xF0,
                          0x06, 0x01, 0x01, 0x00, 0x01, 0x01, 0x01, 0x03, 0x02, 0x87, 0x9C}));
}

// A 2.x frame around a body (from the 0xF0 on).
Bytes Frame2x(const Bytes& body, uint16_t type = 0xF080)
{
    Bytes frame{0x06, 0x20, static_cast<uint8_t>(type >> 8), static_cast<uint8_t>(type), 0, 0, 0x04, 0, 0, 0};
    for (uint8_t b : body)
        frame.push_back(b);
    frame[4] = static_cast<uint8_t>(frame.size() >> 8);
    frame[5] = static_cast<uint8_t>(frame.size());
    return frame;
}

struct Seen
{
    uint8_t service;
    uint16_t firstId;
    std::vector<std::pair<uint16_t, Bytes>> items;
};

std::vector<Seen> Feed(CAbstractBAOSInStream& stream, const std::vector<Bytes>& chunks)
{
    std::vector<Seen> seen;
    for (const Bytes& chunk : chunks)
    {
        EXPECT_TRUE(stream.Append(chunk.data(), static_cast<int32_t>(chunk.size())));
        Baos::Frame frame;
        while (stream.ReadFrame(frame))
        {
            Seen s{frame.service, frame.firstId, {}};
            for (const Baos::Item& item : frame.items)
                s.items.push_back({item.id, Bytes(item.value, item.value + item.length)});
            seen.push_back(s);
        }
    }
    return seen;
}

TEST(BaosInStream, Version2ReadsItemsWithWideIds)
{
    CBAOS2xInStream stream;
    // Reply for 0x0101 and 0x0102, then an indication for 0x0001.
    Bytes reply = Frame2x({0xF0, 0x85, 0x01, 0x01, 0x00, 0x02, 0x01, 0x01, 0x00, 0x02, 0x01, 0x02, 0x01, 0x02,
                           0x00, 0x01, 0x01},
                          0xF081);
    Bytes indication = Frame2x({0xF0, 0xC1, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x05});
    Bytes both = reply;
    both.insert(both.end(), indication.begin(), indication.end());
    auto seen = Feed(stream, {Bytes{0x55, 0x06}, both});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].service, Baos::GetDatapointValueResponse);
    ASSERT_EQ(seen[0].items.size(), 2u);
    EXPECT_EQ(seen[0].items[0].first, 0x0101);
    EXPECT_EQ(seen[0].items[0].second, (Bytes{0x01, 0x02}));
    EXPECT_EQ(seen[0].items[1].first, 0x0102);
    EXPECT_EQ(seen[1].service, Baos::DatapointValueIndication);
    ASSERT_EQ(seen[1].items.size(), 1u);
    EXPECT_EQ(seen[1].items[0].first, 0x0001);
    EXPECT_EQ(stream.Pending(), 0);
}

TEST(BaosInStream, Version2ItemsNeverRunPastTheFrame)
{
    CBAOS2xInStream stream;
    // The count claims 500 items and the second item's length runs past the frame; an indication
    // follows directly and must be found intact.
    Bytes bad = Frame2x(
        {0xF0, 0xC1, 0x00, 0x01, 0x01, 0xF4, 0x00, 0x01, 0x00, 0x01, 0x05, 0x00, 0x02, 0x00, 0xFF, 0x01});
    Bytes good = Frame2x({0xF0, 0xC1, 0x00, 0x03, 0x00, 0x01, 0x00, 0x03, 0x00, 0x01, 0x07});
    bad.insert(bad.end(), good.begin(), good.end());
    auto seen = Feed(stream, {bad});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].items.empty());
    ASSERT_EQ(seen[1].items.size(), 1u);
    EXPECT_EQ(seen[1].items[0].second, Bytes{0x07});
}

TEST(BaosInStream, Version2WaitsForTheWholeFrameAndSkipsOtherServices)
{
    CBAOS2xInStream stream;
    Bytes reply = Frame2x({0xF0, 0x86, 0x00, 0x07, 0x00, 0x00, 0x00}, 0xF081);
    // A frame of another service type (its header only is stepped over), a too-short length and
    // one beyond any frame of the link.
    Bytes other{0x06, 0x20, 0x02, 0x05, 0x00, 0x06, 0x06, 0x20, 0xF0,
                0x80, 0x00, 0x02, 0x06, 0x20, 0xF0, 0x81, 0xFF, 0x00};
    other.insert(other.end(), reply.begin(), reply.end());
    auto seen = Feed(stream, {Bytes(other.begin(), other.end() - 3)});
    EXPECT_TRUE(seen.empty());
    // What is kept is the reply on its way.
    EXPECT_EQ(stream.ReadPos()[0], 0x06);
    EXPECT_EQ(stream.Pending(), static_cast<int32_t>(reply.size() - 3));
    seen = Feed(stream, {Bytes(other.end() - 3, other.end())});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].service, Baos::SetDatapointValueResponse);
    EXPECT_EQ(seen[0].firstId, 7);
    EXPECT_TRUE(Baos::IsReply(seen[0].service));
    EXPECT_FALSE(Baos::IsReply(Baos::DatapointValueIndication));
}

TEST(BaosInStream, Version1CompletesValueFramesThatArriveInPieces)
{
    CBAOS1xInStream stream;
    const Bytes reply{0xF0, 0x85, 0x01, 0x02, 0x01, 0x31, 0x01, 0x02, 0x22, 0x01, 0x02};
    auto seen = Feed(stream, {Bytes{0x33}, Bytes(reply.begin(), reply.begin() + 7)});
    EXPECT_TRUE(seen.empty());
    seen = Feed(stream, {Bytes(reply.begin() + 7, reply.end())});
    ASSERT_EQ(seen.size(), 1u);
    ASSERT_EQ(seen[0].items.size(), 2u);
    EXPECT_EQ(seen[0].items[0].first, 1);
    EXPECT_EQ(seen[0].items[0].second, Bytes{0x01});
    EXPECT_EQ(seen[0].items[1].first, 2);
    EXPECT_EQ(seen[0].items[1].second, (Bytes{0x01, 0x02}));
    EXPECT_EQ(stream.Pending(), 0);

    // A reply with count 0 carries an error byte; a set reply then an indication.
    seen = Feed(stream, {Bytes{0xF0, 0x85, 0x01, 0x00, 0x03, 0xF0, 0x86, 0x07, 0x00, 0xF0, 0xC1, 0x07, 0x01,
                               0x07, 0x01, 0x01}});
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_TRUE(seen[0].items.empty());
    EXPECT_EQ(seen[1].service, Baos::SetDatapointValueResponse);
    EXPECT_EQ(seen[2].service, Baos::DatapointValueIndication);
    ASSERT_EQ(seen[2].items.size(), 1u);
    EXPECT_EQ(seen[2].items[0].second, Bytes{0x01});
}

TEST(BaosRanges, FlaggedIdsBecomeReadRanges)
{
    struct Case
    {
        std::vector<uint16_t> ids;
        std::vector<std::pair<uint16_t, uint16_t>> ranges; // count, first
    } cases[] = {
        // The gap 4-8 (5 ids) is read along; the gap 11-39 is not.
        {{1, 2, 3, 9, 10, 40}, {{10, 1}, {1, 40}}},
        // A gap of 6 splits.
        {{1, 8}, {{1, 1}, {1, 8}}},
        {{}, {}},
        {{65535}, {{1, 65535}}},
        {{65530, 65535}, {{6, 65530}}},
    };
    for (const Case& c : cases)
    {
        CBaosRangeBuilder builder;
        for (uint16_t id : c.ids)
            builder.Flag(id);
        std::vector<std::pair<uint16_t, uint16_t>> got;
        for (const BaosDatapointRange& r : builder.Build())
            got.push_back({r.count, r.firstId});
        EXPECT_EQ(got, c.ranges);
    }
    // 45 consecutive ids give 20, 20 and 5.
    CBaosRangeBuilder builder;
    for (uint16_t id = 100; id < 145; ++id)
        builder.Flag(id);
    auto ranges = builder.Build();
    ASSERT_EQ(ranges.size(), 3u);
    EXPECT_EQ(ranges[0].count, 20);
    EXPECT_EQ(ranges[0].firstId, 100);
    EXPECT_EQ(ranges[1].firstId, 120);
    EXPECT_EQ(ranges[2].count, 5);
    EXPECT_EQ(ranges[2].firstId, 140);
}
} // namespace

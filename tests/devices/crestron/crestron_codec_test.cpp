// The Crestron codec from byte tables: packet finding over junk and split arrivals, join-data
// decoding with every length checked against the packet, and the packets the panel builds.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/InStream.h"
#include "devices/controllers/crestron/CrestronCodec.h"

namespace
{
using Bytes = std::vector<uint8_t>;

std::vector<Bytes> Scan(CInStream& in, const CCrestronCodec& codec)
{
    CFrameScanner scanner(codec);
    std::vector<Bytes> packets;
    const uint8_t* frame = nullptr;
    int32_t n = 0;
    while (scanner.Next(in, frame, n))
        packets.emplace_back(frame, frame + n);
    return packets;
}

TEST(CrestronCodec, FindsPacketsOverJunkAndSplits)
{
    CCrestronCodec codec;
    CInStream in(CInStream::Grow, 64);
    // Junk (no type + zero pair), a heartbeat answer, then a join packet split in two.
    const Bytes first{0x99, 0x05, 0x07, 0x42, 0x0E, 0x00, 0x02, 0x34, 0x12, 0x05, 0x00, 0x06, 0x34};
    in.Append(first.data(), static_cast<int32_t>(first.size()));
    auto packets = Scan(in, codec);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0], (Bytes{0x0E, 0x00, 0x02, 0x34, 0x12}));
    const Bytes second{0x12, 0x03, 0x00, 0x05, 0x00};
    in.Append(second.data(), static_cast<int32_t>(second.size()));
    packets = Scan(in, codec);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_EQ(packets[0], (Bytes{0x05, 0x00, 0x06, 0x34, 0x12, 0x03, 0x00, 0x05, 0x00}));
    EXPECT_EQ(in.Pending(), 0);
}

TEST(CrestronCodec, JunkWithoutPacketIsDropped)
{
    CCrestronCodec codec;
    CInStream in(CInStream::Grow, 64);
    const Bytes junk{0x01, 0x02, 0x07, 0x05, 0x05, 0x33, 0xFF, 0x00, 0x10};
    in.Append(junk.data(), static_cast<int32_t>(junk.size()));
    EXPECT_TRUE(Scan(in, codec).empty());
    EXPECT_EQ(in.Pending(), 0);
}

TEST(CrestronCodec, ZeroLengthPacketIsWhole)
{
    CCrestronCodec codec;
    const Bytes bytes{0x03, 0x00, 0x00};
    const FrameVerdict v = codec.Check(bytes.data(), 3);
    EXPECT_EQ(v.kind, FrameVerdict::Frame);
    EXPECT_EQ(v.length, 3);
}

struct JoinCase
{
    const char* name;
    Bytes payload;
    bool ok;
    std::vector<CrestronJoin> joins;
};

CrestronJoin J(uint8_t kind, uint8_t object, uint16_t join, uint16_t value, const char* text = "")
{
    CrestronJoin j;
    j.kind = kind;
    j.objectId = object;
    j.join = join;
    j.value = value;
    j.text = text;
    return j;
}

TEST(CrestronCodec, DecodesJoinData)
{
    using C = CCrestronCodec;
    const std::vector<JoinCase> cases = {
        {"digital press and release",
         {0x34, 0x12, 0x05, 0x00, 0x05, 0x00, 0x06, 0x81},
         true,
         {J(C::JoinDigital, 0, 5, 1), J(C::JoinDigital, 0, 0x106, 0)}},
        {"digital odd trailing byte",
         {0x34, 0x12, 0x04, 0x00, 0x05, 0x00, 0x07},
         true,
         {J(C::JoinDigital, 0, 5, 1)}},
        {"analog 8-bit", {0x34, 0x12, 0x04, 0x01, 0x09, 0x01, 0x02}, true, {J(C::JoinAnalog, 0, 9, 0x102)}},
        {"analog 16-bit",
         {0x34, 0x12, 0x05, 0x14, 0x01, 0x09, 0xFF, 0xFE},
         true,
         {J(C::JoinAnalog, 0, 0x109, 0xFFFE)}},
        {"analog short entry", {0x34, 0x12, 0x05, 0x14, 0x01, 0x09, 0xFF}, true, {}},
        {"serial 8-bit",
         {0x34, 0x12, 0x05, 0x12, 0x07, 'a', 'b', 'c'},
         true,
         {J(C::JoinSerial, 0, 7, 0, "abc")}},
        {"serial 16-bit",
         {0x34, 0x12, 0x05, 0x15, 0x00, 0x08, 0x03, 'h', 'i'},
         true,
         {J(C::JoinSerial, 0, 8, 0, "hi")}},
        {"serial empty text",
         {0x34, 0x12, 0x05, 0x15, 0x00, 0x08, 0x03},
         true,
         {J(C::JoinSerial, 0, 8, 0, "")}},
        {"serial 16-bit too short", {0x34, 0x12, 0x05, 0x15, 0x00}, true, {}},
        {"serial 8-bit no join", {0x34, 0x12, 0x05, 0x12}, true, {}},
        {"smart object digital",
         {0x34, 0x12, 0x06, 0x20, 0x0A, 0x03, 0x00, 0x02, 0x80},
         true,
         {J(C::JoinDigital, 0x0A, 2, 0)}},
        {"smart object cut", {0x34, 0x12, 0x06, 0x20, 0x0A}, false, {}},
        {"no kind byte", {0x34, 0x12, 0x05}, false, {}},
        {"handle only", {0x34}, false, {}},
        {"unknown kind", {0x34, 0x12, 0x05, 0x44, 0x01, 0x02}, true, {}},
    };
    for (const JoinCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        uint16_t handle = 0;
        std::vector<CrestronJoin> joins;
        EXPECT_EQ(CCrestronCodec::DecodeJoinData(c.payload.data(), static_cast<int32_t>(c.payload.size()),
                                                 handle, joins),
                  c.ok);
        if (c.ok)
        {
            EXPECT_EQ(handle, 0x1234);
        }
        ASSERT_EQ(joins.size(), c.joins.size());
        for (size_t i = 0; i < joins.size(); ++i)
        {
            EXPECT_EQ(joins[i].kind, c.joins[i].kind);
            EXPECT_EQ(joins[i].objectId, c.joins[i].objectId);
            EXPECT_EQ(joins[i].join, c.joins[i].join);
            EXPECT_EQ(joins[i].value, c.joins[i].value);
            EXPECT_EQ(joins[i].text, c.joins[i].text);
        }
    }
}

TEST(CrestronCodec, BuildsPackets)
{
    // The handle received as 12 34 (low byte first) is 0x3412 and goes out as 34 12.
    const uint16_t h = 0x3412;
    uint32_t local;
    const uint8_t address[4] = {127, 0, 0, 1};
    std::memcpy(&local, address, 4);
    struct Case
    {
        const char* name;
        Bytes built;
        Bytes expected;
    };
    const std::vector<Case> cases = {
        {"connect",
         CCrestronCodec::MakeConnectRequest(local, 3),
         {0x01, 0x00, 0x07, 0x7F, 0x00, 0x00, 0x01, 0x00, 0x03, 0x40}},
        {"disconnect", CCrestronCodec::MakeDisconnect(h), {0x03, 0x00, 0x03, 0x34, 0x12, 0x00}},
        {"update", CCrestronCodec::MakeUpdateRequest(h), {0x05, 0x00, 0x05, 0x34, 0x12, 0x02, 0x03, 0x1E}},
        {"heartbeat", CCrestronCodec::MakeHeartbeat(h), {0x0D, 0x00, 0x02, 0x34, 0x12}},
        {"press",
         CCrestronCodec::MakeDigitalJoin(h, 0, 5, false),
         {0x05, 0x00, 0x06, 0x34, 0x12, 0x03, 0x00, 0x05, 0x00}},
        {"release",
         CCrestronCodec::MakeDigitalJoin(h, 0, 5, true),
         {0x05, 0x00, 0x06, 0x34, 0x12, 0x03, 0x00, 0x05, 0x80}},
        {"release high join",
         CCrestronCodec::MakeDigitalJoin(h, 0, 0x1FF, true),
         {0x05, 0x00, 0x06, 0x34, 0x12, 0x03, 0x00, 0xFF, 0x81}},
        {"smart press",
         CCrestronCodec::MakeDigitalJoin(h, 9, 5, false),
         {0x05, 0x00, 0x09, 0x34, 0x12, 0x06, 0x20, 0x09, 0x03, 0x00, 0x05, 0x00}},
        {"analog",
         CCrestronCodec::MakeAnalogJoin(h, 0, 0x102, 0xBEEF),
         {0x05, 0x00, 0x08, 0x34, 0x12, 0x05, 0x14, 0x01, 0x02, 0xBE, 0xEF}},
        {"smart analog",
         CCrestronCodec::MakeAnalogJoin(h, 7, 3, 60),
         {0x05, 0x00, 0x0B, 0x34, 0x12, 0x08, 0x20, 0x07, 0x05, 0x14, 0x00, 0x03, 0x00, 0x3C}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.built, c.expected);
    }
}
} // namespace

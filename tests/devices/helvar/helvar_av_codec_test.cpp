// The Helvar AV codec from byte tables: messages, answer framing by the count byte, and the
// channel blob.
#include <gtest/gtest.h>

#include <vector>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/buses/helvar/HelvarAVChannel.h"
#include "devices/buses/helvar/HelvarAVCodec.h"

namespace
{
using Codec = CHelvarAVCodec;
using Bytes = std::vector<uint8_t>;

Bytes Of(const Codec::Message& m)
{
    return Bytes(m.begin(), m.end());
}

TEST(HelvarAVCodec, Messages)
{
    struct Case
    {
        uint8_t type, address, kind;
        int32_t value;
        Bytes bytes;
    };
    const Case cases[] = {
        {1, 2, 9, 3, {0x03, 0x51, 0x85, 0x16}},     // group 2, scene 3
        {1, 0x12, 9, 15, {0x03, 0x51, 0x85, 0x1E}}, // group numbers and scenes wrap as the bus has them
        {0, 5, 10, 255, {0x03, 0x51, 0x0A, 0xFE}},  // a level: selector clear, at most 254
        {0, 5, 10, 1, {0x03, 0x51, 0x0A, 0x01}},    // level 1 stays 1
        {0, 5, 10, 0x1FF, {0x03, 0x51, 0x0A, 0xFE}},
        {0, 5, 11, 0, {0x03, 0x51, 0x0B, 0x05}},      // switch: recall max when off
        {0, 5, 11, 200, {0x03, 0x51, 0x0B, 0x00}},    // off when on
        {0, 0x45, 11, 256, {0x03, 0x51, 0x0B, 0x05}}, // the value's low byte; the address's six bits
        {2, 0, 0x15, 0, {0x03, 0x51, 0xFF, 0x05}},    // broadcast, another command number
    };
    for (const Case& c : cases)
        EXPECT_EQ(Of(Codec::Command(c.type, c.address, c.kind, c.value)), c.bytes)
            << int(c.type) << " " << int(c.address) << " " << int(c.kind) << " " << c.value;
    EXPECT_EQ(Of(Codec::Probe()), (Bytes{0x03, 0x82, 0x02, 0x00}));
    EXPECT_EQ(Of(Codec::LevelQuery(2)), (Bytes{0x03, 0x55, 0x05, 0xA0}));
    EXPECT_EQ(Of(Codec::LevelQuery(63)), (Bytes{0x03, 0x55, 0x7F, 0xA0}));
}

// Every answer the scanner finds, as "code/level" ("code/-" without a level).
std::vector<std::string> Answers(const std::vector<Bytes>& pieces, int32_t* left = nullptr)
{
    Codec codec;
    CFrameScanner scanner(codec);
    CInStream stream(CInStream::Refuse, 128);
    std::vector<std::string> answers;
    for (const Bytes& piece : pieces)
    {
        EXPECT_TRUE(stream.Append(piece.data(), static_cast<int32_t>(piece.size())));
        const uint8_t* frame = nullptr;
        int32_t length = 0;
        while (scanner.Next(stream, frame, length))
        {
            const HelvarAVAnswer a = Codec::Decode(frame, length);
            char text[16];
            if (a.hasLevel)
                std::snprintf(text, sizeof text, "%02x/%d", a.code, a.level);
            else
                std::snprintf(text, sizeof text, "%02x/-", a.code);
            answers.push_back(text);
        }
    }
    if (left)
        *left = stream.Pending();
    return answers;
}

TEST(HelvarAVCodec, AnswersByCountByte)
{
    using V = std::vector<std::string>;
    struct Case
    {
        std::vector<Bytes> pieces;
        V answers;
        int32_t left;
    };
    const Case cases[] = {
        {{{0x03, 0x66, 0x00, 0x7F}}, {"66/127"}, 0},
        {{{0x01, 0x6B, 0x03, 0x64, 0x01, 0x02}}, {"6b/-", "64/-"}, 0},
        {{{0x03, 0x66}, {0x00}, {0x50}}, {"66/80"}, 0},
        {{{0x02, 0x66, 0x00}}, {"66/-"}, 0}, // too short to carry a level
        {{{0x00, 0xFF, 0x09, 0x01, 0x82}}, {"82/-"}, 0},
        {{{0x03, 0x66, 0x00}}, {}, 3},
    };
    for (const Case& c : cases)
    {
        int32_t left = -1;
        EXPECT_EQ(Answers(c.pieces, &left), c.answers);
        EXPECT_EQ(left, c.left);
    }
}

TEST(HelvarAVChannel, BlobFields)
{
    struct Case
    {
        Bytes blob;
        uint8_t action, type, address, kind, value;
        bool takesLevel;
    };
    const Case cases[] = {
        {{1, 1, 2, 9, 3}, 1, 1, 2, 9, 3, false},
        {{3, 0, 7, 10, 200}, 3, 0, 7, 10, 200, true},
        {{1, 0, 7, 11}, 1, 0, 7, 11, 0, true},
        {{1, 2, 9, 4}, 1, 2, 0, 9, 4, false},  // broadcast has no address byte
        {{3, 0, 7, 10}, 3, 0, 7, 10, 0, true}, // cut before its value: 0
        {{1, 0, 7}, 0, 0, 0, 0, 0, false},     // 3 bytes: not read
    };
    for (const Case& c : cases)
    {
        CHelvarAVChannel channel(1, 6, 1, 0);
        channel.Load(c.blob.data(), static_cast<uint32_t>(c.blob.size()));
        EXPECT_EQ(channel.GetAction(), c.action);
        EXPECT_EQ(channel.m_addressType, c.type);
        EXPECT_EQ(channel.m_address, c.address);
        EXPECT_EQ(channel.m_kind, c.kind);
        EXPECT_EQ(channel.m_value.load(), c.value);
        EXPECT_EQ(channel.TakesLevel(), c.takesLevel);
    }
}
} // namespace

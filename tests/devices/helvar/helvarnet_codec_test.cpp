// The HelvarNet codec from tables: messages, reply fields, the reply reader with junk and cut
// replies, and the channel blob.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/InStream.h"
#include "devices/buses/helvar/HelvarNetChannel.h"
#include "devices/buses/helvar/HelvarNetCodec.h"
#include "devices/buses/helvar/HelvarNetReplyReader.h"

namespace
{
using Codec = CHelvarNetCodec;

HelvarNetTarget Group(uint8_t command, uint32_t group, int32_t value, uint32_t fade)
{
    HelvarNetTarget t;
    t.command = command;
    t.group = group;
    t.value = value;
    t.fade = fade;
    return t;
}

HelvarNetTarget Device(uint8_t command, int32_t value, uint32_t fade)
{
    HelvarNetTarget t;
    t.command = command;
    t.address[0] = 127;
    t.address[1] = 2;
    t.address[2] = 3;
    t.address[3] = 4;
    t.value = value;
    t.fade = fade;
    return t;
}

// "@127.2.3.4" in these texts is a lighting device's address on the Helvar bus (cluster, router,
// subnet, device), carried inside the message; it is never a network host.
TEST(HelvarNetCodec, Messages)
{
    HelvarNetTarget scene = Group(11, 3, 0, 0);
    scene.k = 1;
    scene.block = 2;
    scene.scene = 4;
    HelvarNetTarget deviceScene = Device(12, 0, 10);
    deviceScene.block = 2;
    deviceScene.scene = 9;
    struct Case
    {
        HelvarNetTarget target;
        bool query;
        const char* text;
    };
    const Case cases[] = {
        {Group(13, 5, 50, 100), false, ">V:1,C:13,G:5,L:50,F:100#"},
        {scene, false, ">V:1,C:11,G:3,K:1,B:2,S:4,F:0#"},
        {deviceScene, false, ">V:1,C:12,@127.2.3.4,B:2,S:9,F:10#"},
        {Device(14, 75, 0), false, ">V:1,C:14,@127.2.3.4,L:75,F:0#"},
        {Group(15, 70000, -50, 20), false, ">V:1,C:15,G:70000,P:-50,F:20#"},
        {Device(16, -50, 20), false, ">V:1,C:16,@127.2.3.4,P:-50,F:20#"},
        {Group(17, 1, 100, 0), false, ">V:1,C:17,G:1,P:100,F:0#"},
        {Device(18, 5, 0), false, ">V:1,C:18,@127.2.3.4,P:5,F:0#"},
        {Device(152, 0, 0), true, ">V:1,C:152,@127.2.3.4#"},
        {Device(110, 0, 0), true, ">V:1,C:110,@127.2.3.4#"},
        {Device(152, 0, 7), false, ">V:1,C:152,@127.2.3.4,,F:7#"}, // a query channel pressed
    };
    for (const Case& c : cases)
    {
        std::string out;
        Codec::WriteMessage(out, c.target, c.query);
        EXPECT_EQ(out, c.text);
    }
    EXPECT_EQ(Codec::Begin(false, 7), "");
    EXPECT_EQ(Codec::Begin(true, 0), "<Q:0,");
    EXPECT_EQ(Codec::Begin(true, 4294967295u), "<Q:4294967295,");
}

TEST(HelvarNetCodec, ReplyFields)
{
    struct Case
    {
        const char* text;
        bool carries;
        bool error;
        int32_t command;
        const char* address;
        int32_t group, result, level, block, scene;
    };
    const Case cases[] = {
        {"?V:1,C:152,@127.2.3.4=75#", true, false, 152, "127.2.3.4", 0, 75, 0, 0, 0},
        {"?v:1,c:152,@127.2.3.4=75#", true, false, 152, "127.2.3.4", 0, 75, 0, 0, 0},
        {"?V:1,C:110,@127.20.30.40=4294967295#", true, false, 110, "127.20.30.40", 0, 2147483647, 0, 0, 0},
        {"?V:1,C:13,G:5,L:50#", true, false, 13, "0.0.0.0", 5, 0, 50, 0, 0},
        {"?V:1,C:14,@127.2.3.4,L:-3#", true, false, 14, "127.2.3.4", 0, 0, -3, 0, 0},
        {"?V:1,C:11,G:3,B:1,S:3#", true, false, 11, "0.0.0.0", 3, 0, 0, 1, 3},
        {"?V:1,C:12,@127.1.1.1,b:2,s:9#", true, false, 12, "127.1.1.1", 0, 0, 0, 2, 9},
        {"!V:1,C:14,@127.2.3.4,L:9#", true, true, 14, "127.2.3.4", 0, 0, 9, 0, 0},
        {"<Q:4,?V:1,C:152,@127.2.3.4=9#", true, false, 152, "127.2.3.4", 0, 9, 0, 0, 0},
        {"?V:2,C:152,@127.2.3.4=75#", false, false, 0, "0.0.0.0", 0, 0, 0, 0, 0},
        {"?C:152,@127.2.3.4=75#", false, false, 0, "0.0.0.0", 0, 0, 0, 0, 0},
        {"?V:1,C:152,@127.2=75#", true, false, 152, "127.2.75.0", 0, 75, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        HelvarNetReply r;
        ASSERT_EQ(Codec::ParseReply(c.text, std::char_traits<char>::length(c.text), r), c.carries) << c.text;
        if (!c.carries)
            continue;
        char address[32];
        std::snprintf(address, sizeof address, "%u.%u.%u.%u", r.address[0], r.address[1], r.address[2],
                      r.address[3]);
        EXPECT_EQ(r.error, c.error) << c.text;
        EXPECT_EQ(r.command, c.command) << c.text;
        EXPECT_STREQ(address, c.address) << c.text;
        EXPECT_EQ(r.group, c.group) << c.text;
        EXPECT_EQ(r.result, c.result) << c.text;
        EXPECT_EQ(r.level, c.level) << c.text;
        EXPECT_EQ(r.block, c.block) << c.text;
        EXPECT_EQ(r.scene, c.scene) << c.text;
    }
}

std::vector<std::string> Replies(bool internal, const std::vector<std::string>& pieces,
                                 int32_t* left = nullptr)
{
    CInStream stream(CInStream::Refuse, 2 * Codec::kMaxReply + 2);
    CHelvarNetReplyReader reader(internal);
    std::vector<std::string> replies;
    std::string reply;
    for (const std::string& piece : pieces)
    {
        EXPECT_TRUE(stream.Append(piece.data(), static_cast<int32_t>(piece.size())));
        while (reader.Next(stream, reply))
            replies.push_back(reply);
    }
    if (left)
        *left = stream.Pending();
    return replies;
}

TEST(HelvarNetReplyReader, RepliesFromStartToHash)
{
    using V = std::vector<std::string>;
    struct Case
    {
        bool internal;
        V pieces;
        V replies;
        int32_t left;
    };
    const Case cases[] = {
        {false,
         {"?V:1,C:13,G:5,L:50#?V:1,C:14,@127.2.3.4,L:9#"},
         {"?V:1,C:13,G:5,L:50#", "?V:1,C:14,@127.2.3.4,L:9#"},
         0},
        {false, {"?V:1,C:13,", "G:5,L:50", "#"}, {"?V:1,C:13,G:5,L:50#"}, 0},
        {false, {"junk without a start"}, {}, 0},
        {false, {"?V:1,C:1?V:1,C:13,G:5,L:50#tail"}, {"?V:1,C:13,G:5,L:50#"}, 0},
        {false, {"#?V:1,!V:1,C:14#"}, {"!V:1,C:14#"}, 0},
        {false, {"xx?V:1,C:13"}, {}, 9},
        {true, {"?V:1,C:13#<Q:1,?V:1,C:13,G:5,L:50#"}, {"<Q:1,?V:1,C:13,G:5,L:50#"}, 0},
    };
    for (const Case& c : cases)
    {
        int32_t left = -1;
        EXPECT_EQ(Replies(c.internal, c.pieces, &left), c.replies) << c.pieces[0];
        EXPECT_EQ(left, c.left) << c.pieces[0];
    }
}

TEST(HelvarNetReplyReader, AReplyWithoutItsHashIsDroppedWhenTooLong)
{
    std::vector<std::string> pieces = {"?"};
    for (int i = 0; i < 20; ++i)
        pieces.push_back(std::string(50, 'x'));
    pieces.push_back("?V:1,C:13,G:5,L:50#");
    int32_t left = -1;
    EXPECT_EQ(Replies(false, pieces, &left), std::vector<std::string>{"?V:1,C:13,G:5,L:50#"});
    EXPECT_EQ(left, 0);
}

std::vector<uint8_t> Blob(uint8_t action, uint32_t period, uint8_t command, uint8_t bit,
                          std::vector<uint8_t> rest)
{
    std::vector<uint8_t> blob = {action,
                                 static_cast<uint8_t>(period),
                                 static_cast<uint8_t>(period >> 8),
                                 static_cast<uint8_t>(period >> 16),
                                 static_cast<uint8_t>(period >> 24),
                                 command,
                                 bit};
    for (uint8_t byte : rest)
        blob.push_back(byte);
    return blob;
}

TEST(HelvarNetChannel, BlobFields)
{
    {
        const auto blob = Blob(3, 1000, 16, 0, {127, 2, 3, 4, 0xCE, 20, 0, 0, 0});
        CHelvarNetChannel c(1, 6, 1, 0);
        c.Load(blob.data(), static_cast<uint32_t>(blob.size()));
        EXPECT_EQ(c.GetAction(), 3);
        EXPECT_EQ(c.GetPeriod(), 1000u);
        EXPECT_EQ(c.m_value.load(), -50); // a signed byte
        EXPECT_EQ(c.m_target.fade, 20u);
        std::string out;
        Codec::WriteMessage(out, c.Target(), false);
        EXPECT_EQ(out, ">V:1,C:16,@127.2.3.4,P:-50,F:20#");
    }
    {
        const auto blob = Blob(1, 0, 11, 0, {5, 0, 0, 0, 7, 1, 3, 100, 0, 0, 0});
        CHelvarNetChannel c(1, 6, 1, 0);
        c.Load(blob.data(), static_cast<uint32_t>(blob.size()));
        EXPECT_EQ(c.m_value.load(), 3 * 256 + 1);
        c.StoreValue(4);
        std::string out;
        Codec::WriteMessage(out, c.Target(), false);
        EXPECT_EQ(out, ">V:1,C:11,G:5,K:7,B:1,S:4,F:100#");
        c.StoreValue(-300); // the scene is the value's low byte
        EXPECT_EQ(c.m_value.load(), 0xD4 * 256 + 1);
    }
    {
        // Eight bytes: read as far as they go, the rest stays 0.
        const auto blob = Blob(16, 500, 152, 0, {9});
        CHelvarNetChannel c(1, 6, 1, 0);
        c.Load(blob.data(), static_cast<uint32_t>(blob.size()));
        EXPECT_EQ(c.GetAction(), 16);
        EXPECT_EQ(c.m_target.command, 152);
        EXPECT_EQ(c.m_target.address[0], 0);
        EXPECT_EQ(c.m_target.fade, 0u);
    }
    {
        const auto blob = Blob(16, 500, 152, 0, {});
        CHelvarNetChannel c(1, 6, 1, 0);
        c.Load(blob.data(), static_cast<uint32_t>(blob.size()));
        EXPECT_EQ(c.GetAction(), 0);
        c.Load(nullptr, 100);
        EXPECT_EQ(c.GetAction(), 0);
    }
}
} // namespace

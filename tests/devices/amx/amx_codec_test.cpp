// The AMX link's codec from byte tables: framing, headers, envelopes, payloads, the login digest
// and the channel records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/amx/support/AmxBlobs.h"
#include "devices/controllers/amx/AMXChannel.h"
#include "devices/controllers/amx/AMXCodec.h"
#include "devices/controllers/amx/AMXKeyGenerator.h"
#include "devices/controllers/amx/AMXPacketCodec.h"
#include "devices/controllers/amx/AMXValue.h"
#include "support/AmxMaster.h"

namespace
{
using amx_test::ByteList;
using amx_test::Frame;
using amx_test::Join;
using amx_test::LE16;
using amx_test::LE32;
using amx_test::Words;

std::string Hex(const uint8_t* bytes, size_t n)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < n; ++i)
    {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
    return out;
}

std::string Md5(const std::string& text)
{
    CAMXKeyGenerator md5;
    md5.Update(text.data(), static_cast<uint32_t>(text.size()));
    md5.Final();
    return Hex(md5.Digest(), 16);
}

TEST(AmxKeyGenerator, KnownDigests)
{
    struct Case
    {
        std::string text;
        const char* digest;
    };
    const Case cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {std::string(64, 'A'), "d289a97565bc2d27ac8b8545a5ddba45"},
        {std::string(1000, 'x'), "398533d48111e9f664b1f64cb10c4b63"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Md5(c.text), c.digest) << c.text.size();
}

TEST(AmxKeyGenerator, PiecesGiveTheSameDigestAndASecondFinalChangesNothing)
{
    const std::string text(200, 'q');
    CAMXKeyGenerator md5;
    for (size_t at = 0; at < text.size(); at += 7)
        md5.Update(text.data() + at, static_cast<uint32_t>(std::min<size_t>(7, text.size() - at)));
    md5.Final();
    const std::string once = Hex(md5.Digest(), 16);
    md5.Final();
    md5.Update("more", 4);
    EXPECT_EQ(Hex(md5.Digest(), 16), once);
    EXPECT_EQ(once, Md5(text));
}

TEST(AmxPacketCodec, MatchesAnIndependentCipherAndStartsEveryMessageAfresh)
{
    uint8_t key[16];
    for (int i = 0; i < 16; ++i)
        key[i] = static_cast<uint8_t>(i * 17 + 3);
    const uint8_t field[4] = {0x5B, 0xC6, 0x81, 0x3E};
    CAMXPacketCodec codec;
    codec.SetKey(key);
    ByteList plain(300);
    for (size_t i = 0; i < plain.size(); ++i)
        plain[i] = static_cast<uint8_t>(i);
    ByteList mine = plain;
    codec.Crypt(mine.data(), static_cast<int32_t>(mine.size()), field);
    ByteList theirs = plain;
    amx_test::Rc4Envelope(key, field, theirs.data(), theirs.size());
    EXPECT_EQ(mine, theirs);
    EXPECT_NE(mine, plain);
    // The same message enciphered again gives the same bytes; deciphering restores it.
    ByteList again = plain;
    codec.Crypt(again.data(), static_cast<int32_t>(again.size()), field);
    EXPECT_EQ(again, mine);
    codec.Crypt(again.data(), static_cast<int32_t>(again.size()), field);
    EXPECT_EQ(again, plain);
}

TEST(AmxCodec, BuildsTheHeaderHighByteFirstWithLengthAndChecksum)
{
    AMXHeader header;
    header.flags = 0x0200;
    header.destination = {0, 1, 5};
    header.source = {10001, 2, 5};
    header.hops = 0x0F;
    header.messageId = 0x1234;
    header.command = 0x0084;
    const ByteList payload = Words({10001, 2, 5, 17});
    const ByteList expected = {0x02, 0x00, 0x1B, 0x02, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01,
                               0x00, 0x05, 0x27, 0x11, 0x00, 0x02, 0x0F, 0x12, 0x34, 0x00, 0x84,
                               0x27, 0x11, 0x00, 0x02, 0x00, 0x05, 0x00, 0x11, 0x8D};
    EXPECT_EQ(CAMXCodec::BuildMessage(header, payload), expected);
}

TEST(AmxCodec, MessageIdsRunFromOneToFFFFAndNeverZero)
{
    EXPECT_EQ(CAMXCodec::NextMessageId(0), 1);
    EXPECT_EQ(CAMXCodec::NextMessageId(1), 2);
    EXPECT_EQ(CAMXCodec::NextMessageId(0xFFFE), 0xFFFF);
    EXPECT_EQ(CAMXCodec::NextMessageId(0xFFFF), 1);
}

TEST(AmxCodec, JudgesFrameStarts)
{
    CAMXCodec codec;
    const ByteList ping = Frame(0x0501, {}, 0x0200, 7, 5, 10001, 1);
    struct Case
    {
        const char* name;
        ByteList bytes;
        FrameVerdict::Kind kind;
        int32_t length;
    };
    ByteList badSum = ping;
    badSum.back() ^= 1;
    // A length of 5 with a right checksum: the header would be read from beyond the frame.
    ByteList shortLength{0x02, 0x00, 0x05, 0x02, 0x00, 0x00, 0x00, 0x00};
    shortLength.push_back(static_cast<uint8_t>(0x02 + 0x05 + 0x02));
    const Case cases[] = {
        {"whole", ping, FrameVerdict::Frame, static_cast<int32_t>(ping.size())},
        {"not a start byte", {0x03, 0x00, 0x13}, FrameVerdict::NotHere, 0},
        {"start byte only", {0x02}, FrameVerdict::NeedMore, 0},
        {"checksum missing", ByteList(ping.begin(), ping.end() - 1), FrameVerdict::NeedMore, 0},
        {"bad checksum", badSum, FrameVerdict::NotHere, 0},
        {"length below the header", shortLength, FrameVerdict::NotHere, 0},
        {"envelope too short for a message",
         {0x04, 0x00, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0E},
         FrameVerdict::NotHere,
         0},
    };
    for (const Case& c : cases)
    {
        const FrameVerdict verdict = codec.Check(c.bytes.data(), static_cast<int32_t>(c.bytes.size()));
        EXPECT_EQ(verdict.kind, c.kind) << c.name;
        EXPECT_EQ(verdict.length, c.length) << c.name;
    }
}

TEST(AmxCodec, ScannerTakesFramesPastJunkAndWaitsForTheChecksum)
{
    CAMXCodec codec;
    CFrameScanner scanner(codec);
    CInStream in(CInStream::Grow, 4096);
    const ByteList a = Frame(0x0006, Words({10001, 1, 5, 17}), 0x0200, 1, 5, 10001, 1);
    const ByteList b = Frame(0x0501, {}, 0x0200, 2, 5, 10001, 1);
    const ByteList stream = Join({{0x55, 0x02, 0x00, 0x01, 0xFF}, a, b});
    const uint8_t* frame = nullptr;
    int32_t n = 0;
    // All but the last byte of the second frame.
    in.Append(stream.data(), static_cast<int32_t>(stream.size() - 1));
    ASSERT_TRUE(scanner.Next(in, frame, n));
    EXPECT_EQ(ByteList(frame, frame + n), a);
    EXPECT_FALSE(scanner.Next(in, frame, n));
    in.Append(&stream.back(), 1);
    ASSERT_TRUE(scanner.Next(in, frame, n));
    EXPECT_EQ(ByteList(frame, frame + n), b);
    EXPECT_FALSE(scanner.Next(in, frame, n));
    EXPECT_EQ(in.Pending(), 0);
}

TEST(AmxCodec, AFalseStartWithAHugeLengthWaitsOnlyUntilItsLengthIsThere)
{
    CAMXCodec codec;
    CFrameScanner scanner(codec);
    CInStream in(CInStream::Grow, 4096);
    const ByteList good = Frame(0x0501, {}, 0x0200, 2, 5, 10001, 1);
    ByteList junk{0x02, 0xFF, 0xFF};
    junk.resize(CAMXCodec::kMaxFrameLength + 10, 0x55);
    const uint8_t* frame = nullptr;
    int32_t n = 0;
    in.Append(junk.data(), 100);
    EXPECT_FALSE(scanner.Next(in, frame, n));
    EXPECT_EQ(in.Pending(), 100);
    // Once the whole length is there and the checksum fails, every byte of it is junk.
    in.Append(junk.data() + 100, static_cast<int32_t>(junk.size()) - 100);
    EXPECT_FALSE(scanner.Next(in, frame, n));
    EXPECT_EQ(in.Pending(), 0);
    in.Append(good.data(), static_cast<int32_t>(good.size()));
    ASSERT_TRUE(scanner.Next(in, frame, n));
    EXPECT_EQ(ByteList(frame, frame + n), good);
}

TEST(AmxCodec, DecodesTheHeaderOnlyWhenTheFrameHoldsIt)
{
    const ByteList ping = Frame(0x0501, {}, 0x0208, 0x4321, 5, 10001, 1, 0, 1);
    AMXHeader header;
    ASSERT_TRUE(CAMXCodec::DecodeHeader(ping.data(), static_cast<int32_t>(ping.size()), header));
    EXPECT_EQ(header.flags, 0x0208);
    EXPECT_EQ(header.destination.system, 5);
    EXPECT_EQ(header.destination.device, 10001);
    EXPECT_EQ(header.destination.port, 1);
    EXPECT_EQ(header.hops, 0x0F);
    EXPECT_EQ(header.messageId, 0x4321);
    EXPECT_EQ(header.command, 0x0501);
    EXPECT_EQ(CAMXCodec::PayloadLength(header), 0);
    EXPECT_FALSE(CAMXCodec::DecodeHeader(ping.data(), 22, header));
    ByteList longer = ping;
    longer[2] += 1; // names a byte that is not there
    EXPECT_FALSE(CAMXCodec::DecodeHeader(longer.data(), static_cast<int32_t>(longer.size()), header));
}

TEST(AmxCodec, EnvelopesCarryOneEncipheredMessage)
{
    uint8_t key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    CAMXPacketCodec codec;
    codec.SetKey(key);
    const ByteList message = Frame(0x0006, Words({10001, 1, 5, 17}), 0x0200, 9, 5, 10001, 1);
    const ByteList envelope = CAMXCodec::BuildEnvelope(message, 5, 10001, codec);
    ASSERT_EQ(envelope.size(), message.size() + 14);
    EXPECT_EQ(ByteList(envelope.begin(), envelope.begin() + 13),
              (ByteList{0x04, 0x00, static_cast<uint8_t>(message.size() + 10), 0x00, 0x05, 0x27, 0x11, 0x01,
                        0x04, 0x5B, 0xC6, 0x81, 0x3E}));
    CAMXCodec scanner;
    EXPECT_EQ(scanner.Check(envelope.data(), static_cast<int32_t>(envelope.size())).kind,
              FrameVerdict::Frame);
    ByteList body(envelope.begin() + 13, envelope.end() - 1);
    amx_test::Rc4Envelope(key, envelope.data() + 9, body.data(), body.size());
    EXPECT_EQ(body, message);
    ByteList opened;
    ASSERT_TRUE(
        CAMXCodec::OpenEnvelope(envelope.data(), static_cast<int32_t>(envelope.size()), codec, opened));
    EXPECT_EQ(opened, message);
    // The wrong key gives no message.
    key[0] ^= 0xFF;
    CAMXPacketCodec wrong;
    wrong.SetKey(key);
    EXPECT_FALSE(
        CAMXCodec::OpenEnvelope(envelope.data(), static_cast<int32_t>(envelope.size()), wrong, opened));
}

TEST(AmxCodec, LevelValuesByType)
{
    struct Case
    {
        ByteList value;
        bool ok;
        float expected;
    };
    float f = 2.5f;
    uint32_t fbits;
    std::memcpy(&fbits, &f, 4);
    double d = -7.25;
    uint64_t dbits;
    std::memcpy(&dbits, &d, 8);
    ByteList fbytes{CAMXValue::Float32};
    for (int s = 24; s >= 0; s -= 8)
        fbytes.push_back(static_cast<uint8_t>(fbits >> s));
    ByteList dbytes{CAMXValue::Float64};
    for (int s = 56; s >= 0; s -= 8)
        dbytes.push_back(static_cast<uint8_t>(dbits >> s));
    const Case cases[] = {
        {{0x21, 0xFF, 0xFE}, true, -2.0f},
        {{0x20, 0xFF, 0xFE}, true, 65534.0f},
        {{0x10, 0xFF}, true, 255.0f},
        {{0x11, 0xFF}, true, -1.0f},
        {{0x40, 0x00, 0x01, 0x00, 0x00}, true, 65536.0f},
        {{0x41, 0xFF, 0xFF, 0xFF, 0xFE}, true, -2.0f},
        {fbytes, true, 2.5f},
        {dbytes, true, -7.25f},
        {{0x30, 1, 2, 3}, true, 0.0f},                    // a type without a meaning
        {{0x21, 0xFF}, false, 0.0f},                      // runs past the frame
        {{0x90, 1, 2, 3, 4, 5, 6, 7, 8, 9}, false, 0.0f}, // longer than any value
    };
    for (const Case& c : cases)
    {
        const ByteList payload = Join({Words({10001, 2, 5, 12}), c.value});
        AMXReport report;
        CAMXValue value;
        EXPECT_EQ(CAMXCodec::DecodeLevel(payload.data(), static_cast<int32_t>(payload.size()), report, value),
                  c.ok)
            << int(c.value[0]);
        EXPECT_EQ(report.port, 2);
        EXPECT_EQ(report.number, 12);
        if (c.ok)
        {
            EXPECT_EQ(value.ToFloat(), c.expected) << int(c.value[0]);
        }
    }
}

TEST(AmxCodec, StringCountTimesSizeIsBoundedByTheFrame)
{
    AMXReport report;
    uint8_t size = 0;
    std::string bytes;
    const ByteList good = Join({Words({10001, 3, 5}), {1}, Words({5}), amx_test::Text("PAGE-")});
    ASSERT_TRUE(CAMXCodec::DecodeArray(good.data(), static_cast<int32_t>(good.size()), report, size, bytes));
    EXPECT_EQ(bytes, "PAGE-");
    EXPECT_EQ(report.port, 3);
    // 0xFFFF elements of 255 bytes in a frame of a few: refused, nothing allocated for it.
    const ByteList huge = Join({Words({10001, 3, 5}), {0xFF}, Words({0xFFFF}), amx_test::Text("abc")});
    EXPECT_FALSE(CAMXCodec::DecodeArray(huge.data(), static_cast<int32_t>(huge.size()), report, size, bytes));
    EXPECT_TRUE(bytes.empty());
    // Two-byte elements: count x size.
    const ByteList wide = Join({Words({10001, 3, 5}), {2}, Words({2}), amx_test::Text("abc")});
    EXPECT_FALSE(CAMXCodec::DecodeArray(wide.data(), static_cast<int32_t>(wide.size()), report, size, bytes));
    const ByteList truncated = Words({10001, 3});
    EXPECT_FALSE(CAMXCodec::DecodeArray(truncated.data(), static_cast<int32_t>(truncated.size()), report,
                                        size, bytes));
}

TEST(AmxCodec, WritesTheIdentityRecord)
{
    AMXDeviceInfo info;
    info.flag = 1;
    std::memcpy(info.serial, "10", 2);
    info.version = "v1.0";
    info.name = "Sensor";
    info.maker = "M";
    info.addressType = 2;
    info.address = {127, 0, 0, 1};
    ByteList out;
    CAMXCodec::PutDeviceInfo(out, info);
    ByteList expected{1, 0, 0x00, 0x01, 0x01, 0x4A, '1', '0'};
    expected.resize(8 + 14, 0);
    const ByteList tail = Join({Words({656}),
                                amx_test::Text("v1.0"),
                                {0},
                                amx_test::Text("Sensor"),
                                {0},
                                amx_test::Text("M"),
                                {0},
                                {2, 4, 127, 0, 0, 1}});
    expected.insert(expected.end(), tail.begin(), tail.end());
    EXPECT_EQ(out, expected);
}

// ---- Channel records -------------------------------------------------------------------------------

TEST(AmxChannel, LoadsEveryForm)
{
    struct Case
    {
        const char* name;
        uint8_t channelClass;
        ByteList blob;
        uint8_t kind;
        uint16_t port;
        uint32_t number;
        std::string text;
        AmxLevelTriple triple;
    };
    const Case cases[] = {
        {"too short", 1, {1, 2, 3}, 0, 0, 0, "", {}},
        {"old form, channel", 1, Join({LE16(2), LE16(17)}), 2, 2, 17, "", {}},
        {"old form, text", 0, Join({LE16(1), LE16(5)}), 1, 1, 5, "", {}},
        {"old form, level", 6, Join({LE16(3), LE16(4)}), 3, 3, 4, "", {}},
        {"old form, other class", 9, Join({LE16(3), LE16(4)}), 0, 3, 4, "", {}},
        {"number", 1, Join({{2}, LE16(0), LE32(70000)}), 2, 0, 70000, "", {}},
        {"number cut short", 1, Join({{2}, LE16(4), {1, 2}}), 2, 4, 0, "", {}},
        {"command text", 0, Join({{5}, LE16(1), LE32(5), amx_test::Text("PAGE-")}), 5, 1, 0, "PAGE-", {}},
        {"text longer than the blob",
         0,
         Join({{4}, LE16(1), LE32(500), amx_test::Text("abc")}),
         4,
         1,
         0,
         "",
         {}},
        {"preset",
         6,
         Join({{6}, LE16(2), LE16(7), LE32(static_cast<uint32_t>(-5)), LE32(0)}),
         6,
         2,
         0,
         "",
         {7, -5, 0}},
        {"ramp", 6, Join({{7}, LE16(2), LE16(7), LE32(3), LE32(250)}), 7, 2, 0, "", {7, 3, 250}},
        {"unknown kind", 6, Join({{9}, LE16(2), LE32(1)}), 9, 2, 0, "", {}},
    };
    for (const Case& c : cases)
    {
        CAMXChannel channel(1, c.channelClass, 1, 0);
        channel.Load(c.blob.data(), static_cast<uint32_t>(c.blob.size()));
        EXPECT_EQ(channel.GetKind(), c.kind) << c.name;
        EXPECT_EQ(channel.GetPort(), c.port) << c.name;
        EXPECT_EQ(channel.GetNumber(), c.number) << c.name;
        EXPECT_EQ(channel.GetText(), c.text) << c.name;
        EXPECT_TRUE(channel.GetTriple() == c.triple) << c.name;
    }
    CAMXChannel none(1, 1, 1, 0);
    none.Load(nullptr, 10);
    EXPECT_EQ(none.GetKind(), 0);
}

TEST(AmxChannel, MatchesByKindPortAndAddress)
{
    const ByteList blob = Join({{2}, LE16(3), LE32(17)});
    CAMXChannel channel(1, 1, 1, 0);
    channel.Load(blob.data(), static_cast<uint32_t>(blob.size()));
    EXPECT_TRUE(channel.Matches(2, 3, 17u));
    EXPECT_FALSE(channel.Matches(2, 4, 17u));
    EXPECT_FALSE(channel.Matches(3, 3, 17u));
    EXPECT_FALSE(channel.Matches(2, 3, 18u));
    const ByteList ramp = Join({{7}, LE16(2), LE16(7), LE32(3), LE32(250)});
    CAMXChannel r(2, 6, 1, 0);
    r.Load(ramp.data(), static_cast<uint32_t>(ramp.size()));
    EXPECT_TRUE(r.Matches(7, 2, AmxLevelTriple{7, 3, 250}));
    EXPECT_FALSE(r.Matches(7, 2, AmxLevelTriple{7, 3, 251}));
    auto local = CAMXChannel::CreateLocal(0x8005, 2, 55);
    EXPECT_TRUE(local->Is(AmxClassChannel, AmxKindChannel));
    EXPECT_TRUE(local->Matches(2, 2, 55u));
    EXPECT_EQ(local->GetAddressChannel(), 0x8005);
}
} // namespace

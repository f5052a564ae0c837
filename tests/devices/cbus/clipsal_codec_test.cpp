// The serial interface's codec: packet text, the item reader and the packet decoder, from bytes.
#include "common/InStream.h"
#include "devices/buses/cbus/ClipsalHvacZone.h"
#include "devices/buses/cbus/ClipsalItemReader.h"
#include "devices/buses/cbus/ClipsalPacket.h"
#include "devices/buses/cbus/ClipsalSalDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::string Packet(std::initializer_list<uint8_t> bytes, const uint8_t* path = nullptr,
                   uint8_t pathLength = 0, uint8_t unit = 0, uint8_t application = 0x38)
{
    CClipsalPacket p;
    p.Begin(path, pathLength, unit, application);
    for (uint8_t b : bytes)
        p.Put(b);
    std::string text;
    EXPECT_TRUE(p.Finish(text));
    return text;
}

TEST(ClipsalPacket, HeaderBytesChecksumAndText)
{
    const uint8_t path[2] = {0x11, 0x22};
    struct Case
    {
        std::string got;
        const char* want;
    };
    const Case cases[] = {
        {Packet({0x38, 0x00, 0x79, 0x01}), "\\053800790149g\r"},
        {Packet({0xFF, 0x00, 0x73, 0x07, 0x38, 0x00}), "\\05FF00730738004Ag\r"},
        {Packet({0x38, 0x00, 0x01, 0x05}, path, 2, 0x0C), "\\061122"
                                                          "0C"
                                                          "38000105"
                                                          "7Dg\r"},
        {Packet({0x01}, nullptr, 0, 0x0C, 0), "\\030C0001F0g\r"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.got, c.want);
}

TEST(ClipsalPacket, TooLongIsRefused)
{
    CClipsalPacket p;
    p.Begin(nullptr, 0, 0, 0x38);
    for (int i = 0; i < 200; ++i)
        p.Put(1);
    std::string text = "x";
    EXPECT_FALSE(p.Finish(text));
    EXPECT_TRUE(text.empty());
}

TEST(ClipsalPacket, DecodesDigitPairsIntoBytes)
{
    const std::string text = "05 0c38-00x0";
    EXPECT_EQ(ClipsalDecodeHex(reinterpret_cast<const uint8_t*>(text.data()), text.size(), 16),
              (std::vector<uint8_t>{0x05, 0x0C, 0x38, 0x00}));
    EXPECT_EQ(ClipsalDecodeHex(reinterpret_cast<const uint8_t*>(text.data()), text.size(), 2),
              (std::vector<uint8_t>{0x05, 0x0C}));
}

struct Items
{
    std::vector<ClipsalItem> items;
    void Feed(CClipsalItemReader& reader, CInStream& stream, const std::string& text)
    {
        stream.Append(text.data(), static_cast<int32_t>(text.size()));
        ClipsalItem item;
        while (reader.Next(stream, item))
            items.push_back(item);
    }
};

TEST(ClipsalItemReader, CutsConfirmationsLinesAndPackets)
{
    CClipsalItemReader reader;
    CInStream stream(CInStream::Refuse, 2048);
    Items got;
    got.Feed(reader, stream, "g.h#~junk line\r@reset\r050C38000101B5\r\nD8");
    ASSERT_EQ(got.items.size(), 4u);
    EXPECT_EQ(got.items[0].kind, ClipsalItem::Confirmation);
    EXPECT_EQ(got.items[1].kind, ClipsalItem::Confirmation);
    EXPECT_EQ(got.items[2].kind, ClipsalItem::AtLine);
    EXPECT_EQ(got.items[3].kind, ClipsalItem::Monitored);
    EXPECT_EQ(got.items[3].bytes, (std::vector<uint8_t>{0x05, 0x0C, 0x38, 0x00, 0x01, 0x01, 0xB5}));
    // A status reply whose CR LF comes later waits for it.
    got.Feed(reader, stream, "3807");
    EXPECT_EQ(got.items.size(), 4u);
    got.Feed(reader, stream, "00\r\n");
    ASSERT_EQ(got.items.size(), 5u);
    EXPECT_EQ(got.items[4].kind, ClipsalItem::StatusReply);
    EXPECT_EQ(got.items[4].bytes, (std::vector<uint8_t>{0xD8, 0x38, 0x07, 0x00}));
    EXPECT_EQ(stream.Pending(), 0);
}

TEST(ClipsalItemReader, LoneCrDropsTheTextAndOverlongTextIsDropped)
{
    CClipsalItemReader reader;
    CInStream stream(CInStream::Refuse, 4096);
    Items got;
    got.Feed(reader, stream, "0538\r0538000101\r\n");
    ASSERT_EQ(got.items.size(), 1u);
    EXPECT_EQ(got.items[0].bytes, (std::vector<uint8_t>{0x05, 0x38, 0x00, 0x01, 0x01}));

    // A packet start whose end never comes is not kept for ever: the text goes up to its CR.
    got.Feed(reader, stream, "05" + std::string(CClipsalItemReader::kMaxLine + 10, 'A'));
    EXPECT_EQ(stream.Pending(), 0);
    got.Feed(reader, stream, "AAAA\r\n@x\r");
    ASSERT_EQ(got.items.size(), 2u);
    EXPECT_EQ(got.items[1].kind, ClipsalItem::AtLine);
}

struct Recorder : CClipsalSalHandler
{
    struct Level
    {
        uint8_t unit, pathLength, application, command, group, level;
    };
    std::vector<Level> levels;
    std::vector<std::pair<uint8_t, uint8_t>> stored;
    std::vector<uint8_t> unavailable;
    std::vector<std::vector<uint8_t>> hvac;
    std::vector<double> measured;
    void OnLevel(const Source& s, uint8_t a, uint8_t c, uint8_t g, uint8_t l) override
    {
        levels.push_back({s.unit, s.pathLength, a, c, g, l});
    }
    void OnStoreLevel(uint8_t, uint8_t g, uint8_t l) override { stored.push_back({g, l}); }
    void OnLevelUnavailable(const Source&, uint8_t, uint8_t block) override { unavailable.push_back(block); }
    void OnHvac(const Source&, const uint8_t* c, size_t n) override { hvac.emplace_back(c, c + n); }
    void OnMeasurement(const Source&, uint8_t, uint8_t, bool, uint8_t, double v) override
    {
        measured.push_back(v);
    }
};

TEST(ClipsalSalDecoder, LightingCommandsAndRampLevels)
{
    Recorder r;
    CClipsalSalDecoder d(r);
    const uint8_t packet[] = {0x05, 0x0C, 0x38, 0x00, 0x0A, 0x02, 0x80, 0x79, 0x03, 0x01, 0x04, 0x00};
    d.DecodeMonitored(packet, sizeof packet);
    ASSERT_EQ(r.levels.size(), 3u);
    EXPECT_EQ(r.levels[0].command, 0x0A);
    EXPECT_EQ(r.levels[0].level, 0x80);
    EXPECT_EQ(r.levels[1].command, 0x79); // takes the level of the ramp before it
    EXPECT_EQ(r.levels[1].level, 0x80);
    EXPECT_EQ(r.levels[2].group, 4);
    EXPECT_EQ(r.levels[2].unit, 0x0C);
}

TEST(ClipsalSalDecoder, PeerCountsStayInsideThePacket)
{
    Recorder r;
    CClipsalSalDecoder d(r);
    // A path count of 255 in a short packet: seven bytes kept at most, nothing read past the end.
    const uint8_t path[] = {0x06, 0x0C, 0x38, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    d.DecodeMonitored(path, sizeof path);
    EXPECT_TRUE(r.levels.empty());
    // Air conditioning commands cut off by the end of the packet are not read.
    const uint8_t hvac[] = {0x05, 0x0C, 0xAC, 0x00, 0x2F, 0x01, 0x03, 0x00};
    d.DecodeMonitored(hvac, sizeof hvac);
    EXPECT_TRUE(r.hvac.empty());
    const uint8_t whole[] = {0x05, 0x0C, 0xAC, 0x00, 0x79, 0x02, 0x15, 0x02, 0x01, 0x16, 0x80, 0x00, 0x00};
    d.DecodeMonitored(whole, sizeof whole);
    ASSERT_EQ(r.hvac.size(), 2u);
    EXPECT_EQ(r.hvac[1].size(), 6u);
}

TEST(ClipsalSalDecoder, StatusReplyLevelsStopAtGroup255AndThePacketEnd)
{
    Recorder r;
    CClipsalSalDecoder d(r);
    // Header 0xF9: 25 - 5 = 20 bytes, 10 levels, from group 0xFE: only groups 254 and 255.
    std::vector<uint8_t> reply = {0xF9, 0x07, 0x38, 0xFE};
    for (int i = 0; i < 10; ++i)
    {
        reply.push_back(0x55);
        reply.push_back(0x55);
    }
    d.DecodeStatusReply(reply.data(), reply.size());
    ASSERT_EQ(r.levels.size(), 2u);
    EXPECT_EQ(r.levels[1].group, 255);
    // The same header with only one level in the packet.
    const uint8_t shortReply[] = {0xF9, 0x07, 0x38, 0x00, 0x55, 0x55, 0x00};
    r.levels.clear();
    d.DecodeStatusReply(shortReply, sizeof shortReply);
    EXPECT_EQ(r.levels.size(), 1u);
}

TEST(ClipsalSalDecoder, LevelDigits)
{
    struct Case
    {
        uint8_t first, second;
        bool level;
        bool unavailable;
        uint8_t value;
    };
    const Case cases[] = {
        {0x00, 0x00, false, false, 0}, {0x00, 0xFF, false, true, 0},    {0x55, 0x55, true, false, 0xFF},
        {0xAA, 0xAA, true, false, 0},  {0x55, 0xAA, true, false, 0x0F}, {0xAA, 0x55, true, false, 0xF0},
    };
    for (const Case& c : cases)
    {
        uint8_t level = 0;
        bool unavailable = false;
        EXPECT_EQ(CClipsalSalDecoder::DecodeLevel(c.first, c.second, level, unavailable), c.level);
        EXPECT_EQ(unavailable, c.unavailable);
        if (c.level)
            EXPECT_EQ(level, c.value) << int(c.first) << " " << int(c.second);
    }
}

TEST(ClipsalHvacZone, CommandsFillTheFields)
{
    ClipsalHvacZone zone;
    const uint8_t mode[] = {0x2F, 0x02, 0x05, 0x4B, 0x11, 0x22, 0x00, 0x7F};
    ASSERT_EQ(ClipsalHvacZone::CommandLength(mode, sizeof mode), 8u);
    EXPECT_EQ(ClipsalHvacZone::CommandLength(mode, 7), 0u);
    zone.Apply(mode);
    EXPECT_EQ(zone.Group(), 2);
    EXPECT_EQ(zone.Kind(), 1);
    EXPECT_EQ(zone.ZoneList(), 5);
    EXPECT_EQ(zone.ModeByte(), 0x4B);
    EXPECT_EQ(zone.bytes[24], 0x11);
    EXPECT_EQ(zone.bytes[21], 0x22);
    EXPECT_EQ(zone.LevelByte(), 0x7F);
    const uint8_t temperature[] = {0x1D, 0x02, 0x05, 0x15, 0x80, 0x00};
    zone.Apply(temperature);
    double value = 0;
    ASSERT_TRUE(zone.FieldValue(18, 0, value));
    EXPECT_DOUBLE_EQ(value, 21.5);
    EXPECT_EQ(zone.Kind(), 2);
    EXPECT_FALSE(zone.FieldValue(24, 0, value));
    EXPECT_FALSE(zone.ChangeField(7, 200, 1));
    ASSERT_TRUE(zone.ChangeField(5, 0, 1));
    EXPECT_EQ(zone.ZoneList(), 7);
}
} // namespace

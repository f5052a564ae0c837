// The SmartBus codec from byte tables: frames built and found, replies and audio texts decoded.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/Checksums.h"
#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/buses/smartbus/SmartBusCodec.h"
#include "devices/buses/smartbus/SmartBusReply.h"
#include "devices/buses/smartbus/SmartBusTestFrames.h"

namespace
{
using smartbus_test::Bytes;
using smartbus_test::Frame;
using smartbus_test::kRelayPress;

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

SmartBusFrame Read(const Bytes& bytes)
{
    SmartBusFrame frame;
    EXPECT_TRUE(SmartBusReadFrame(bytes.data(), static_cast<int32_t>(bytes.size()), frame));
    return frame;
}

SmartBusReply Decode(const Bytes& bytes)
{
    SmartBusReply reply;
    smartbus::DecodeReply(Read(bytes), reply);
    return reply;
}

std::vector<SmartBusUpdate> Audio(const std::string& text)
{
    std::vector<SmartBusUpdate> updates;
    smartbus::DecodeAudioText(reinterpret_cast<const uint8_t*>(text.data()),
                              static_cast<int32_t>(text.size()), 1, 9, updates);
    return updates;
}

TEST(SmartBusCodec, Crc16XmodemCheckValue)
{
    const std::string check = "123456789";
    EXPECT_EQ(Crc16Xmodem(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x31C3);
}

TEST(SmartBusCodec, WritesRelayPressByteExact)
{
    SmartBusCommand command;
    command.opCode = 49;
    command.subnet = 1;
    command.device = 2;
    command.number = 3;
    command.value = 100;
    Bytes out;
    ASSERT_TRUE(SmartBusWriteFrame(out, command));
    EXPECT_EQ(out, kRelayPress);
}

TEST(SmartBusCodec, UdpPrefixIsAddressInNetworkOrderThenWord)
{
    Bytes out;
    // 127.0.0.1 as the socket layer holds it (network order in memory).
    const uint8_t address[4] = {127, 0, 0, 1};
    uint32_t networkOrder;
    std::memcpy(&networkOrder, address, 4);
    SmartBusWritePrefix(out, networkOrder);
    Bytes expected = {127, 0, 0, 1};
    const Bytes word = Text("HDLMIRACLE");
    expected.insert(expected.end(), word.begin(), word.end());
    EXPECT_EQ(out, expected);
}

TEST(SmartBusCodec, ContentByOperationCode)
{
    struct Case
    {
        uint16_t op;
        Bytes content;
    };
    const Case cases[] = {
        {2, {7, 50}},  {0xE3E4, {7, 50}},          {12, {7}},
        {0xF112, {7}}, {536, {7, 50, 0x12, 0x34}}, {0x1234, {}}, // an unknown code: no content
    };
    for (const Case& c : cases)
    {
        SmartBusCommand command;
        command.opCode = c.op;
        command.number = 7;
        command.value = 50;
        command.extra = 0x1234;
        Bytes out;
        ASSERT_TRUE(SmartBusWriteFrame(out, command));
        ASSERT_EQ(out.size(), 13 + c.content.size()) << c.op;
        EXPECT_EQ(out[2], 11 + c.content.size());
        EXPECT_EQ(Bytes(out.begin() + 11, out.end() - 2), c.content) << c.op;
    }
}

TEST(SmartBusCodec, AudioCommandsAreTexts)
{
    SmartBusCommand command;
    command.opCode = 6446;
    command.zone = 1;
    command.source = 4;
    command.number = 3; // VOL: the panel's 50 is the player's 39
    command.value = 50;
    Bytes out;
    ASSERT_TRUE(SmartBusWriteFrame(out, command));
    EXPECT_EQ(Bytes(out.begin() + 11, out.end() - 2), Text("*Z1VOL39\r"));

    out.clear();
    command.number = 11; // a source command
    ASSERT_TRUE(SmartBusWriteFrame(out, command));
    EXPECT_EQ(Bytes(out.begin() + 11, out.end() - 2), Text("*S4PLAY\r"));

    out.clear();
    command.number = 54; // no keyword: no frame
    EXPECT_FALSE(SmartBusWriteFrame(out, command));
    EXPECT_TRUE(out.empty());
}

TEST(SmartBusCodec, VolumeScales)
{
    EXPECT_EQ(smartbus::VolumeToDevice(0), 79);
    EXPECT_EQ(smartbus::VolumeToDevice(100), 0);
    EXPECT_EQ(smartbus::VolumeToDevice(50), 39);
    EXPECT_EQ(smartbus::VolumeFromDevice(0), 100);
    EXPECT_EQ(smartbus::VolumeFromDevice(79), 0);
}

TEST(SmartBusCodec, ChannelKindsFromOperationCodes)
{
    const std::pair<uint16_t, uint8_t> cases[] = {{2, 1},       {0xE014, 2},  {56, 3},     {0xF116, 4},
                                                  {0xE01C, 5},  {0xE3E2, 6},  {0xE3DA, 8}, {0xE3E7, 9},
                                                  {0xDB00, 10}, {0xEF03, 11}, {6468, 12},  {6466, 13},
                                                  {6472, 14},   {286, 15},    {538, 16},   {0xE3E4, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(smartbus::KindOf(c.first), c.second) << c.first;
}

// The scanner with this codec over a stream: what it hands out, in order.
std::vector<Bytes> Scan(const Bytes& stream)
{
    CSmartBusFrameCodec codec;
    CFrameScanner scanner(codec);
    CInStream in(CInStream::Grow, 1024);
    in.Append(stream.data(), static_cast<int32_t>(stream.size()));
    std::vector<Bytes> frames;
    const uint8_t* bytes = nullptr;
    int32_t length = 0;
    while (scanner.Next(in, bytes, length))
        frames.emplace_back(bytes, bytes + length);
    return frames;
}

TEST(SmartBusCodec, ScannerFindsFramesBehindJunkAndBadOnes)
{
    const Bytes good = Frame(1, 2, 0x32, 0xFD, 0xFE, {3, 0xF8, 100});
    Bytes badCrc = good;
    badCrc.back() ^= 1;
    // A length byte below 11 is no frame, even where the bytes after it would pass.
    const Bytes shortLength = {0xAA, 0xAA, 0x02, 0x00, 0x00};
    Bytes stream = {0x00, 0xAA, 0x13};
    stream.insert(stream.end(), badCrc.begin(), badCrc.end());
    stream.insert(stream.end(), shortLength.begin(), shortLength.end());
    stream.insert(stream.end(), good.begin(), good.end());
    const auto frames = Scan(stream);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], good);
}

TEST(SmartBusCodec, IncompleteFrameWaits)
{
    const Bytes good = Frame(1, 2, 3, 0xFD, 0xFE, {1, 100});
    CSmartBusFrameCodec codec;
    EXPECT_EQ(codec.Check(good.data(), static_cast<int32_t>(good.size()) - 1).kind, FrameVerdict::NeedMore);
    EXPECT_EQ(codec.Check(good.data(), 2).kind, FrameVerdict::NeedMore);
    EXPECT_EQ(codec.Check(good.data(), static_cast<int32_t>(good.size())).length,
              static_cast<int32_t>(good.size()));
}

TEST(SmartBusCodec, ReadsFrameFields)
{
    const SmartBusFrame frame = Read(Frame(1, 2, 0x0032, 0xFD, 0xFE, {3, 0xF8, 100}));
    EXPECT_EQ(frame.sourceSubnet, 1);
    EXPECT_EQ(frame.sourceDevice, 2);
    EXPECT_EQ(frame.opCode, 0x32);
    EXPECT_TRUE(frame.IsForPanel());
    ASSERT_EQ(frame.contentLength, 3);
    EXPECT_EQ(frame.content[2], 100);
    EXPECT_EQ(frame.content[3], 0);
}

TEST(SmartBusReply, RelayAnswerReleasesAndUpdatesOnlyWithF8)
{
    SmartBusReply reply = Decode(Frame(1, 2, 0x32, 0xFD, 0xFE, {3, 0xF8, 100}));
    EXPECT_EQ(reply.releaseTag, 49);
    ASSERT_EQ(reply.updates.size(), 1u);
    EXPECT_EQ(reply.updates[0].subnet, 1);
    EXPECT_EQ(reply.updates[0].kind, 3);
    EXPECT_EQ(reply.updates[0].number, 3);
    EXPECT_EQ(reply.updates[0].value, 100);

    reply = Decode(Frame(1, 2, 0x32, 0xFD, 0xFE, {3, 0xF5, 100}));
    EXPECT_EQ(reply.releaseTag, 49);
    EXPECT_TRUE(reply.updates.empty());

    // Not addressed to the panel: no release.
    reply = Decode(Frame(1, 2, 0x32, 0x01, 0x05, {3, 0xF8, 100}));
    EXPECT_EQ(reply.releaseTag, -1);
}

TEST(SmartBusReply, CountedRunsStopAtTheContent)
{
    // c[0] claims 200 values; only the 3 that are there are read.
    SmartBusReply reply = Decode(Frame(1, 2, 52, 0xFD, 0xFE, {200, 10, 20, 30}));
    EXPECT_EQ(reply.releaseTag, 51);
    ASSERT_EQ(reply.updates.size(), 3u);
    EXPECT_EQ(reply.updates[2].number, 3);
    EXPECT_EQ(reply.updates[2].value, 30);

    reply = Decode(Frame(1, 2, 0xEFFF, 0xFD, 0xFE, {9, 254, 3}));
    ASSERT_EQ(reply.updates.size(), 2u);
    EXPECT_EQ(reply.updates[0].value, 254);
    EXPECT_EQ(reply.updates[1].value, 0);
}

TEST(SmartBusReply, ShortContentGivesNoUpdateButStillReleases)
{
    const struct
    {
        uint16_t op;
        Bytes content;
        int32_t release;
    } cases[] = {
        {3, {}, 2},
        {3, {1}, 2},
        {50, {3, 0xF8}, 49},
        {6471, {0xF8, 1, 2}, 6470},
        {6473, {1, 0, 0}, 6472},
        {0xE3D9, {}, 0xE3D8},
        {6470, {1, 2, 3}, -1},
        {2, {5}, -1},
    };
    for (const auto& c : cases)
    {
        SmartBusReply reply = Decode(Frame(1, 2, c.op, 0xFF, 0xFF, c.content));
        EXPECT_TRUE(reply.updates.empty()) << c.op;
        EXPECT_EQ(reply.releaseTag, c.release) << c.op;
    }
}

TEST(SmartBusReply, TargetRowsReportTheAddressedModule)
{
    const SmartBusReply reply = Decode(Frame(9, 9, 2, 1, 2, {4, 1}));
    ASSERT_EQ(reply.updates.size(), 1u);
    EXPECT_EQ(reply.updates[0].subnet, 1);
    EXPECT_EQ(reply.updates[0].device, 2);
    EXPECT_EQ(reply.updates[0].kind, 1);
}

TEST(SmartBusReply, GroupAndFloatReplies)
{
    SmartBusReply reply = Decode(Frame(1, 2, 6471, 0xFD, 0xFE, {0xF8, 11, 13, 14, 15, 16, 17, 18}));
    ASSERT_EQ(reply.updates.size(), 7u);
    EXPECT_EQ(reply.updates[1].number, 3);
    EXPECT_EQ(reply.updates[1].value, 13);
    EXPECT_EQ(reply.updates[6].number, 8);

    // 10.0f is 0x41200000, low byte first.
    reply = Decode(Frame(1, 2, 6473, 0xFD, 0xFE, {5, 0x00, 0x00, 0x20, 0x41}));
    ASSERT_EQ(reply.updates.size(), 1u);
    EXPECT_EQ(reply.updates[0].kind, 14);
    EXPECT_EQ(reply.updates[0].value, 10.0f);
}

TEST(SmartBusAudio, ZoneStatus)
{
    const auto updates = Audio("#Z2,ON,SRC3,VOL39,TRB5,BASS7\r");
    ASSERT_EQ(updates.size(), 4u);
    EXPECT_EQ(updates[0].number, 128);
    EXPECT_EQ(updates[0].value, 3);
    EXPECT_EQ(updates[0].key, 2);
    EXPECT_EQ(updates[1].number, 129);
    EXPECT_EQ(updates[1].value, 39); // the device's scale: the driver turns it into the panel's
    EXPECT_EQ(updates[2].number, 130);
    EXPECT_EQ(updates[2].value, 5);
    EXPECT_EQ(updates[3].number, 131);
    EXPECT_EQ(updates[3].value, 7);
    EXPECT_EQ(updates[3].subnet, 1);
    EXPECT_EQ(updates[3].device, 9);
}

TEST(SmartBusAudio, MutedZoneHasNoVolumeAndShortFieldsAreSkipped)
{
    auto updates = Audio("#Z2,ON,SRC3,MUTE,TRB5\r");
    ASSERT_EQ(updates.size(), 2u);
    EXPECT_EQ(updates[0].number, 128);
    EXPECT_EQ(updates[1].number, 130);

    // Fields shorter than their prefix give nothing; an empty field ends the status.
    updates = Audio("#Z2,ON,S,VO,,TRB5");
    EXPECT_TRUE(updates.empty());
    EXPECT_TRUE(Audio("#Z").empty());
    EXPECT_TRUE(Audio("Z2,ON,SRC3").empty());
}

TEST(SmartBusAudio, DisplayInfoGivesProgressAndClockTexts)
{
    const auto updates = Audio("#S1DISPINFO,DUR2400,POS600,STATUS2\r");
    ASSERT_EQ(updates.size(), 4u);
    EXPECT_EQ(updates[0].number, 132);
    EXPECT_EQ(updates[0].value, 25);
    EXPECT_EQ(updates[0].key, 1);
    EXPECT_EQ(updates[1].number, 133);
    EXPECT_TRUE(updates[1].isText);
    EXPECT_EQ(updates[1].text, u"1:00");
    EXPECT_EQ(updates[2].number, 134);
    EXPECT_EQ(updates[2].text, u"4:00");
    EXPECT_EQ(updates[3].number, 135);
    EXPECT_EQ(updates[3].value, 2);
}

TEST(SmartBusAudio, DisplayInfoWithoutDurationAndWithHours)
{
    auto updates = Audio("#S1DISPINFO,DUR0,POS600\r");
    ASSERT_GE(updates.size(), 3u);
    EXPECT_EQ(updates[0].value, 0);
    EXPECT_EQ(updates[1].text, u"1:00");
    EXPECT_EQ(updates[2].text, u"0:00");

    updates = Audio("#S1DISPINFO,DUR37250,POS36070\r");
    ASSERT_GE(updates.size(), 3u);
    EXPECT_EQ(updates[1].text, u"1:0:07");
    EXPECT_EQ(updates[2].text, u"1:2:05");
}

TEST(SmartBusAudio, ToneAndMode)
{
    auto updates = Audio("#S2DISPTONE,BASS-3,TREB4\r");
    ASSERT_EQ(updates.size(), 2u);
    EXPECT_EQ(updates[0].number, 141);
    EXPECT_EQ(updates[0].value, -3);
    EXPECT_EQ(updates[1].number, 142);
    EXPECT_EQ(updates[1].value, 4);

    updates = Audio("#S2DISPMODE,REPEAT3\r");
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates[0].number, 136);
    EXPECT_EQ(updates[0].value, 3);
}

TEST(SmartBusAudio, DisplayLinesAreBoundedAndZeroExtended)
{
    // Bytes above 0x7F are the characters of those codes.
    auto updates = Audio("#S1DISPLINE2,\"Caf\xE9 \xFF\"\r");
    ASSERT_EQ(updates.size(), 3u);
    EXPECT_EQ(updates[0].number, 138);
    EXPECT_TRUE(updates[0].hasText);
    EXPECT_EQ(updates[0].text, std::u16string(u"Caf\u00E9 \u00FF"));
    // The lines below it are cleared.
    EXPECT_EQ(updates[1].number, 139);
    EXPECT_FALSE(updates[1].hasText);
    EXPECT_EQ(updates[2].number, 140);

    // A text longer than 50 characters is cut; an unterminated one ends with the content.
    const std::string longText = "#S1DISPLINE4,\"" + std::string(80, 'x');
    updates = Audio(longText);
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates[0].text.size(), smartbus::kMaxText);
}

TEST(SmartBusAudio, Utf16DisplayText)
{
    const Bytes content = {'#', 'S', '1',  'D',  'I', 'S',  'P',  'L',  'I',  'N',  'E',
                           '1', ',', 0x02, 0x00, 'A', 0x04, 0x10, 0x00, 0x03, 0x00, 'B'};
    std::vector<SmartBusUpdate> updates;
    smartbus::DecodeAudioText(content.data(), static_cast<int32_t>(content.size()), 1, 9, updates);
    ASSERT_EQ(updates.size(), 4u);
    EXPECT_EQ(updates[0].number, 137);
    EXPECT_EQ(updates[0].text, std::u16string(u"A\u0410"));

    // An odd byte at the end of the content is never read as half a unit.
    std::u16string text;
    const Bytes odd = {0x02, 0x00, 'A', 0x00};
    EXPECT_TRUE(smartbus::ReadText(odd.data(), static_cast<int32_t>(odd.size()), text));
    EXPECT_EQ(text, u"A");
    EXPECT_FALSE(smartbus::ReadText(odd.data() + 1, 3, text));
}
} // namespace

// The Lutron codec and message reader from byte tables: report lines, keywords (also split across
// receives), over-long lines, and the DEVICE commands the panel writes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/controllers/lutron/LutronCodec.h"
#include "devices/controllers/lutron/LutronMessageReader.h"

namespace
{
std::vector<LutronMessage> Feed(CLutronMessageReader& reader, const std::string& text)
{
    reader.Append(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()));
    std::vector<LutronMessage> messages;
    LutronMessage message;
    while (reader.Next(message))
        messages.push_back(message);
    return messages;
}

TEST(LutronCodec, ParsesReportLines)
{
    struct Case
    {
        const char* line;
        bool ok;
        uint16_t kind;
        uint32_t serial;
        uint8_t code;
        uint8_t second;
        int16_t parameter;
    };
    const std::vector<Case> cases = {
        {"~DEVICE,0x1A2B3C4D,1,14,75", true, 4, 0x1A2B3C4D, 14, 1, 75},
        {"~DEVICE,0x1A2B3C4D,1,14,75.00", true, 4, 0x1A2B3C4D, 14, 1, 75},
        {"~DEVICE,0x00000010,38,3", true, 4, 0x10, 38, 3, -1},
        {"~DEVICE,0x10,141,5,1", true, 4, 0x10, 141, 5, 1},
        {"~DEVICE,0x10,2,4,99999", true, 4, 0x10, 2, 4, -1},
        {"~DEVICE,0x10,2", false, 0, 0, 0, 0, 0},
        {"~DEVICE,10,2,3", false, 0, 0, 0, 0, 0},
        {"~DEVICE,0xZZ,2,3", false, 0, 0, 0, 0, 0},
        {"~DEVICE,0x123456789,2,3", false, 0, 0, 0, 0, 0},
        {"~DEVICE,0x10,300,3", false, 0, 0, 0, 0, 0},
        {"~DEVICE", false, 0, 0, 0, 0, 0},
        {"~device,0x10,2,3", false, 0, 0, 0, 0, 0},
        {"~MONITORING,255,1", true, 6, 0, 0, 0, -1},
        {"~ERROR,1", true, 10, 0, 0, 0, -1},
        {"~error", true, 10, 0, 0, 0, -1},
        {"~OUTPUT,1,1,50", false, 0, 0, 0, 0, 0},
        {"DEVICE,0x10,2,3", false, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        LutronMessage message;
        ASSERT_EQ(CLutronCodec::ParseReport(c.line, message), c.ok);
        if (!c.ok)
            continue;
        EXPECT_EQ(message.kind, c.kind);
        EXPECT_EQ(message.serial, c.serial);
        EXPECT_EQ(message.code, c.code);
        EXPECT_EQ(message.second, c.second);
        EXPECT_EQ(message.parameter, c.parameter);
    }
}

TEST(LutronCodec, ParsesDetails)
{
    LutronMessage message;
    ASSERT_TRUE(CLutronCodec::ParseReport(
        "~DETAILS,SN:0x00AB12CD,NAME:Hall,FAMILY:SEETOUCH_KEYPAD(1),PRODUCT:X,CODE:1,BOOT:1,HW:1", message));
    EXPECT_EQ(message.kind, LutronMessage::Details);
    EXPECT_EQ(message.details.serial, 0x00AB12CDu);
    EXPECT_EQ(message.details.family, LutronDetails::FamilyKeypad);
    ASSERT_TRUE(CLutronCodec::ParseReport("~DETAILS,SN:0x1,NAME:Q,FAMILY:CONTROL_INTERFACE(3)", message));
    EXPECT_EQ(message.details.family, LutronDetails::FamilyControlInterface);
    ASSERT_TRUE(CLutronCodec::ParseReport("~DETAILS,SN:0x2,FAMILY:DIMMER", message));
    EXPECT_EQ(message.details.family, LutronDetails::FamilyOther);
    EXPECT_FALSE(CLutronCodec::ParseReport("~DETAILS,NAME:none", message));
}

TEST(LutronCodec, WritesCommands)
{
    struct Case
    {
        uint32_t serial;
        uint8_t prefix;
        uint8_t kind;
        uint8_t code;
        int32_t number;
        int32_t value;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {0x1A2B3C4D, 1, 4, 2, 3, -1, "#DEVICE,0x1a2b3c4d,2,3\r\n"},
        {0x1A2B3C4D, 1, 4, 2, 4, -1, "#DEVICE,0x1a2b3c4d,2,4\r\n"},
        {0x1A2B3C4D, 1, 4, 14, 2, 60, "#DEVICE,0x1a2b3c4d,2,14,60\r\n"},
        {0x10, 2, 4, 141, 5, -1, "?DEVICE,0x00000010,141,5\r\n"},
        {0x10, 1, 4, 141, 5, 1, "#DEVICE,0x00000010,141,5,1\r\n"},
        {0, 1, 4, 2, 3, -1, "#DEVICE,2,3\r\n"},
        {0x10, 3, 4, 2, 3, -1, ""},
        {0x10, 1, 5, 2, 3, -1, ""},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.expected);
        std::string out;
        EXPECT_EQ(
            CLutronCodec::LutronWriteCommand(out, c.serial, c.prefix, c.kind, c.code, c.number, c.value),
            c.expected[0] != 0);
        EXPECT_EQ(out, c.expected);
    }
}

TEST(LutronReader, KeywordsAndLines)
{
    CLutronMessageReader reader;
    // The prompt comes without a line end.
    auto messages = Feed(reader, "\r\nlogin: ");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, LutronMessage::LoginPrompt);
    // A keyword split across two receives is found when its rest arrives.
    EXPECT_TRUE(Feed(reader, "\r\nConnection estab").empty());
    messages = Feed(reader, "lished\r\nQNET> ~DEVICE,0x10,1,14,50\r\n~DEVICE,0x10,2,3\r\n~DEV");
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].kind, LutronMessage::ConnectionEstablished);
    EXPECT_EQ(messages[1].parameter, 50);
    EXPECT_EQ(messages[2].code, 2);
    // A report without its CR waits for it.
    messages = Feed(reader, "ICE,0x10,2,4");
    EXPECT_TRUE(messages.empty());
    messages = Feed(reader, "\r");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].second, 4);
    messages = Feed(reader, "junk line\r\nCLOSING CONNECTION\r\n");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, LutronMessage::ClosingConnection);
    EXPECT_EQ(reader.Pending(), 0);
}

TEST(LutronReader, OverLongLinesAreDroppedWhole)
{
    CLutronMessageReader reader;
    const std::string longLine = "~DEVICE,0x10,1,14," + std::string(300, '7');
    EXPECT_TRUE(Feed(reader, longLine.substr(0, 150)).empty());
    EXPECT_TRUE(Feed(reader, longLine.substr(150)).empty());
    EXPECT_LE(reader.Pending(), CLutronCodec::kMaxLine + 1);
    auto messages = Feed(reader, "\r~DEVICE,0x10,1,14,9\r");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].parameter, 9);
    // NUL padding does not let an unfinished line escape the cap.
    for (int i = 0; i < 100; ++i)
        Feed(reader, "~" + std::string(50, '\0'));
    EXPECT_LE(reader.Pending(), CLutronCodec::kMaxLine + 50);
    // Text without line ends or keywords stays bounded too.
    for (int i = 0; i < 100; ++i)
        Feed(reader, std::string(50, 'x'));
    EXPECT_LE(reader.Pending(), CLutronCodec::kMaxLine + 50);
}
} // namespace

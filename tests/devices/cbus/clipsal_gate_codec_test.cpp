// The gateway server's texts: line cutting, event lines, network lines and the command lines.
#include "common/InStream.h"
#include "devices/buses/cbus/ClipsalGateLineReader.h"
#include "devices/buses/cbus/ClipsalGateText.h"
#include "devices/buses/cbus/ClipsalHvacZone.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::vector<ClipsalGateLine> Feed(CClipsalGateLineReader& reader, CInStream& stream, const std::string& text)
{
    stream.Append(text.data(), static_cast<int32_t>(text.size()));
    std::vector<ClipsalGateLine> lines;
    ClipsalGateLine line;
    while (reader.Next(stream, line))
        lines.push_back(line);
    return lines;
}

TEST(ClipsalGateLineReader, ClassifiesRepliesAndEventsAndSkipsOtherLines)
{
    CClipsalGateLineReader reader;
    CInStream stream(CInStream::Refuse, 8192);
    auto lines =
        Feed(reader, stream,
             "201 Service ready\r\n\r\nhello world\r\n200\r\n320-Network net:254 a=1 b=x State=ok\r\n"
             "#s# lighting on //P/254/56/1\r\n#x# skipped\r\n135 no networks found\r\n300 partial");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].kind, ClipsalGateLine::Reply);
    EXPECT_EQ(lines[0].code, 201);
    EXPECT_EQ(lines[0].text, "Service ready");
    EXPECT_EQ(lines[1].code, 320);
    EXPECT_EQ(lines[1].text, "net:254 a=1 b=x State=ok");
    EXPECT_EQ(lines[2].kind, ClipsalGateLine::Event);
    EXPECT_EQ(lines[2].eventClass, 's');
    EXPECT_EQ(lines[2].text, "lighting on //P/254/56/1");
    EXPECT_EQ(lines[3].code, 135);
    EXPECT_EQ(lines[3].text, "no networks found");
    // The unfinished line waits; once too long it is dropped up to its end.
    EXPECT_EQ(stream.Pending(), 11);
    EXPECT_TRUE(Feed(reader, stream, std::string(CClipsalGateLineReader::kMaxLine, 'x')).empty());
    EXPECT_EQ(stream.Pending(), 0);
    lines = Feed(reader, stream, "yyy\r\n200 OK\r\n");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].code, 200);
}

TEST(ClipsalGateEvent, WordsAddressAndValues)
{
    ClipsalGateEvent e;
    ASSERT_TRUE(e.Parse("lighting on //P/254/56/1 #sourceunit=12 99"));
    EXPECT_EQ(e.applicationName, "lighting");
    EXPECT_EQ(e.command, 0x79);
    EXPECT_EQ(e.level, 255);
    ASSERT_TRUE(e.addressed);
    EXPECT_EQ(e.project, "P");
    EXPECT_EQ(e.network, 254);
    EXPECT_EQ(e.application, 56);
    EXPECT_EQ(e.group, 1);
    EXPECT_EQ(e.valueCount, 0u);

    ASSERT_TRUE(e.Parse("# aircon set_zone_hvac_mode //P/254/172/0 2 #zones=,0,3 7 #level=33"));
    EXPECT_EQ(e.applicationName, "aircon");
    EXPECT_EQ(e.command, 47);
    ASSERT_EQ(e.valueCount, 2u);
    EXPECT_EQ(e.values[0], 2 | 1 | 8);
    EXPECT_EQ(e.values[1], 33);

    // Numbers past 255 make no address; values stop at the bound.
    ASSERT_TRUE(e.Parse("lighting on //P/999/56/1"));
    EXPECT_FALSE(e.addressed);
    ASSERT_TRUE(e.Parse("lighting on //P/254/56/1000"));
    EXPECT_FALSE(e.addressed);
    std::string many = "lighting ramp //P/1/56/2";
    for (int i = 0; i < 40; ++i)
        many += " 7";
    ASSERT_TRUE(e.Parse(many));
    EXPECT_EQ(e.valueCount, ClipsalGateEvent::kMaxValues);
    EXPECT_FALSE(e.Parse("lighting"));
    EXPECT_FALSE(e.Parse(""));
}

TEST(ClipsalGateText, NetworkLines)
{
    struct Case
    {
        const char* text;
        bool ok;
        uint8_t network;
        uint8_t state;
    };
    const Case cases[] = {
        {"Network net:254 a=1 b=x State=ok", true, 254, 1},
        {"Network net:3 a=1 b=x State=sync", true, 3, 2},
        {"Network net:3 a=1 b=x State=error", true, 3, 0},
        {"Network net:3 a=1 b=x State=new", true, 3, 3},
        {"Network net:300 a=1 b=x State=ok", false, 0, 0},
        {"Network", false, 0, 0},
        {"Networks net:1", true, 0, 0},
    };
    for (const Case& c : cases)
    {
        uint8_t network = 0, state = 0;
        const bool ok = ClipsalGateText::ParseNetworkLine(c.text, network, state);
        if (std::string(c.text).rfind("Networks", 0) == 0)
        {
            EXPECT_FALSE(ok);
            continue;
        }
        EXPECT_EQ(ok, c.ok) << c.text;
        if (c.ok)
        {
            EXPECT_EQ(network, c.network);
            EXPECT_EQ(state, c.state);
        }
    }
}

TEST(ClipsalGateText, CommandLines)
{
    EXPECT_EQ(ClipsalGateText::OnOff("P", 254, 56, 1, false), "off //P/254/56/01\r\n");
    EXPECT_EQ(ClipsalGateText::OnOff("P", 254, 56, 123, true), "on //P/254/56/123\r\n");
    EXPECT_EQ(ClipsalGateText::Ramp("P", 254, 56, 1, 57), "ramp //P/254/56/1 57 0s\r\n");
    EXPECT_EQ(ClipsalGateText::ZoneList(0x09), "0,0,3");
    ClipsalHvacZone zone;
    zone.bytes[0] = 2;
    zone.bytes[2] = 1;
    zone.bytes[3] = 3;
    zone.bytes[21] = 1;
    zone.bytes[15] = 5;
    EXPECT_EQ(ClipsalGateText::Aircon("P", 254, zone, 1, 1, 0),
              "aircon set_zone_hvac_mode //P/254/172  2 0,0 3 0 0 0 0 0 256 5\r\n");
    zone.bytes[25] = 1;
    EXPECT_EQ(ClipsalGateText::Aircon("P", 254, zone, 23, 1, 9), "aircon set_ward_on //P/254/172 9\r\n");
    EXPECT_EQ(ClipsalGateText::Aircon("P", 254, zone, 10, 1, 9), "");
}
} // namespace

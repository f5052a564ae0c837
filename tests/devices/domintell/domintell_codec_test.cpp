// The Domintell codec from byte tables: module codes, the login token, command lines, status
// lines, and the line reader with lines that can never end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/InStream.h"
#include "devices/controllers/domintell/DomintellCodec.h"
#include "devices/controllers/domintell/DomintellLineReader.h"

namespace
{
using Codec = CDomintellCodec;

std::string Hex(const uint8_t* bytes, size_t n)
{
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < n; ++i)
    {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

TEST(DomintellCodec, ModuleCodes)
{
    EXPECT_EQ(Codec::ModuleCode(0), nullptr);
    EXPECT_STREQ(Codec::ModuleCode(1), "AMP");
    EXPECT_STREQ(Codec::ModuleCode(8), "DIM");
    EXPECT_STREQ(Codec::ModuleCode(29), "V24");
    EXPECT_EQ(Codec::ModuleCode(30), nullptr);
    EXPECT_EQ(Codec::ModuleCode(0xFFFFFFFF), nullptr);
    EXPECT_EQ(Codec::ModuleType("TSB", 3), 26);
    EXPECT_EQ(Codec::ModuleType("tsb", 3), 0);
    EXPECT_EQ(Codec::ModuleType("TS", 2), 0);
}

TEST(DomintellCodec, LoginToken)
{
    struct Case
    {
        const char* login;
        DomintellDate date;
        const char* hex;
    };
    const Case cases[] = {
        {"abc", {2024, 2, 10, 13, 25}, "cdcf5fcdcb59cfcdffcecf9cceccfdcdca"},
        {"", {2024, 2, 10, 13, 25}, "cdcf9ccdcb9ccfcd9ccecf9ccecc9ccdca"},
        // Only ten characters count, each as a signed byte.
        {"\xe9t\xe9-\xfa\xfa\xfa\xfa\xfa\xfa"
         "EXTRA",
         {1999, 12, 31, 23, 59},
         "cec62dc6c62dcecd76ccce67cdcca9cac6"},
    };
    for (const Case& c : cases)
    {
        const auto token = Codec::LoginToken(c.login, c.date);
        EXPECT_EQ(Hex(token.data(), token.size()), c.hex) << c.login;
    }
    EXPECT_EQ(Codec::LoginLine(nullptr, {2024, 2, 10, 13, 25}), "LOGIN\r\n");
    EXPECT_EQ(Codec::LoginLine("", {2024, 2, 10, 13, 25}), "LOGIN\r\n");
    const std::string line = Codec::LoginLine("abc", {2024, 2, 10, 13, 25});
    ASSERT_EQ(line.size(), 5u + 17 + 2);
    EXPECT_EQ(line.substr(0, 5), "LOGIN");
    EXPECT_EQ(Hex(reinterpret_cast<const uint8_t*>(line.data()) + 5, 17),
              "cdcf5fcdcb59cfcdffcecf9cceccfdcdca");
    EXPECT_EQ(line.substr(22), "\r\n");
}

TEST(DomintellCodec, CommandLines)
{
    struct Case
    {
        uint32_t module;
        uint32_t serial;
        uint8_t io;
        uint8_t subKind;
        int32_t value;
        const char* line;
    };
    const Case cases[] = {
        {8, 0x12A, 3, 3, 50, "DIM00012A-3%D50\r\n"},
        {8, 0xABCDEF12, 1, 12, 0, "DIMCDEF12-1%DB\r\n"}, // the serial's low 24 bits
        {8, 0x12A, 1, 13, 0, "DIM00012A-1%DE\r\n"},
        {8, 0x12A, 2, 10, 20, "DIM00012A-2%I%D20\r\n"},
        {8, 0x12A, 2, 11, 20, "DIM00012A-2%O%D20\r\n"},
        {8, 0x12A, 2, 99, 20, "DIM00012A-2\r\n"}, // a sub-kind without a suffix
        {1, 0x1, 0, 15, 7, "AMP000001-0%A7\r\n"},
        {1, 0x1, 0, 16, -25000, "AMP000001-0%F-2.5000\r\n"},
        {6, 0xA, 2, 1, 0, "BIR00000A-2%I\r\n"},
        {22, 0xA, 4, 2, 0, "TRP00000A-4%O\r\n"},
        // Temperatures: sign, whole part and four fraction digits.
        {24, 0x10, 0, 4, 200500, "TE1000010%T20.0500\r\n"},
        {25, 0x10, 0, 4, -25000, "TE2000010%T-2.5000\r\n"},
        {26, 0x10, 0, 4, -5000, "TSB000010%T-0.5000\r\n"},
        {19, 0x10, 0, 4, 215000, "PBL000010%T21.5000\r\n"},
        {18, 0x10, 9, 14, 3, "LC3000010%M3\r\n"}, // no I/O part
        {2, 0x1, 5, 3, 9, "BU1000001\r\n"},       // a module without suffixes
    };
    for (const Case& c : cases)
    {
        std::string line;
        ASSERT_TRUE(Codec::CommandLine(line, c.module, c.serial, c.io, c.subKind, c.value)) << c.line;
        EXPECT_EQ(line, c.line);
    }
    std::string line = "kept";
    EXPECT_FALSE(Codec::CommandLine(line, 0, 1, 0, 3, 1));
    EXPECT_FALSE(Codec::CommandLine(line, 30, 1, 0, 3, 1));
    EXPECT_EQ(line, "kept");
    EXPECT_EQ(Codec::FixedPoint(-2147483647 - 1), "-214748.3648");
}

std::string Reports(const char* line)
{
    std::vector<DomintellReport> reports;
    Codec::ParseStatus(line, std::char_traits<char>::length(line), reports);
    std::string text;
    for (const DomintellReport& r : reports)
    {
        char one[64];
        std::snprintf(one, sizeof one, "%u/%X/%u=%g ", r.moduleType, r.serial, r.io, r.value);
        text += one;
    }
    return text;
}

TEST(DomintellCodec, StatusLines)
{
    struct Case
    {
        const char* line;
        const char* reports;
    };
    const Case cases[] = {
        {"DIM00012AD0A141E28323C4650",
         "8/12A/1=10 8/12A/2=20 8/12A/3=30 8/12A/4=40 8/12A/5=50 8/12A/6=60 8/12A/7=70 "
         "8/12A/8=80 "},
        {"DIM00012AD0A141E28323C465", ""}, // fifteen digits
        {"DIM00012aDFF00000000000000",
         "8/12A/1=255 8/12A/2=0 8/12A/3=0 8/12A/4=0 8/12A/5=0 8/12A/6=0 8/12A/7=0 "
         "8/12A/8=0 "},
        {"BIR000010O81", "6/10/1=1 6/10/2=0 6/10/3=0 6/10/4=0 6/10/5=0 6/10/6=0 6/10/7=0 6/10/8=1 "},
        {"DMR000010OC8", "12/10/1=1 12/10/2=1 12/10/3=0 12/10/4=0 12/10/5=1 "},
        {"TRP000010O11", "22/10/1=1 22/10/2=0 22/10/3=0 22/10/4=0 "},
        {"TRV000010O2A", "21/10/1=42 21/10/2=42 21/10/3=42 21/10/4=42 21/10/5=42 21/10/6=42 21/10/7=42 "
                         "21/10/8=42 "},
        {"TPV000010O05", "23/10/7=5 23/10/9=5 23/10/11=5 23/10/13=5 23/10/15=5 "},
        {"AMP000010S3x7F0000000000000", "1/10/3=127 "},
        {"AMP000010S3x7F00000000000", ""}, // 16 characters of status text
        {"TE1000010T21.5", "24/10/0=21.5 "},
        {"PBL000010T7.5", "19/10/0=7.5 "},
        {"PBL000010T7", ""},
        {"TSB000010T2", ""},
        {"TSB000010T19.25", "26/10/0=19.25 "},
        {"BIR000010X81", ""},
        {"XYZ000010O81", ""},
        {"dim00012AD0A141E28323C4650", ""},
        {"BIR0000", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Reports(c.line), c.reports) << c.line;
}

// Feeds the pieces in turn, collecting every line.
std::vector<std::string> Lines(const std::vector<std::string>& pieces, int32_t* mostPending = nullptr)
{
    CInStream stream(CInStream::Refuse, 128);
    CDomintellLineReader reader(Codec::kMaxLine);
    std::vector<std::string> lines;
    std::string line;
    for (const std::string& piece : pieces)
    {
        EXPECT_TRUE(stream.Append(piece.data(), static_cast<int32_t>(piece.size())));
        while (reader.Next(stream, line))
            lines.push_back(line);
        if (mostPending && stream.Pending() > *mostPending)
            *mostPending = stream.Pending();
    }
    return lines;
}

TEST(DomintellLineReader, LinesEndInCrLf)
{
    using V = std::vector<std::string>;
    const std::string longest(64, 'x');
    struct Case
    {
        V pieces;
        V lines;
    };
    const Case cases[] = {
        {{"A\r\nB\r\n"}, {"A", "B"}},
        {{"AB", "C\r", "\nD\r\n"}, {"ABC", "D"}},
        {{"a\rb\r\n"}, {"a\rb"}},
        {{"bad\nline\r\nGOOD\r\n"}, {"GOOD"}},
        {{"\n", "\r\nGOOD\r\n"}, {"GOOD"}},
        {{longest + "\r\n"}, {longest}},
        {{longest + "y\r\nOK\r\n"}, {"OK"}},
        {{"\r\n\r\nOK\r\n"}, {"", "", "OK"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Lines(c.pieces), c.lines) << c.pieces[0];
}

TEST(DomintellLineReader, AnEndlessLineNeverFillsTheStream)
{
    std::vector<std::string> pieces(40, std::string(50, 'z'));
    pieces.push_back("\r");
    pieces.push_back("\nOK\r\n");
    int32_t most = 0;
    EXPECT_EQ(Lines(pieces, &most), std::vector<std::string>{"OK"});
    EXPECT_LE(most, Codec::kMaxLine + 2);
}
} // namespace

// The pieces the AMX command interpreter reads its arguments with: the keyword table, colours,
// hexadecimal texts and the options of dynamic images.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/DynamicSpriteData.h"
#include "common/StringFunctions.h"
#include "devices/controllers/amx/AMXColor.h"
#include "devices/controllers/amx/AMXCommandKeyword.h"
#include "devices/controllers/amx/AMXHexText.h"
#include "devices/controllers/amx/AMXResourceOptions.h"

namespace
{
TEST(AmxCommandKeyword, EveryKeywordFindsItsOwnEntry)
{
    // Also proves that no keyword hides a later one by being a prefix of it.
    for (int32_t index = 1; index < AmxKeywordCount; ++index)
    {
        std::string text = std::string(kAmxCommandKeywords[index]) + "1,2";
        const char* cursor = text.c_str();
        EXPECT_EQ(FindCommandKeyword(&cursor), index) << text;
        EXPECT_STREQ(cursor, "1,2") << text;
    }
}

TEST(AmxCommandKeyword, MatchesFromTheFirstByteIgnoringAsciiCase)
{
    struct Case
    {
        const char* text;
        int32_t keyword;
        const char* rest; // cursor afterwards
    };
    const std::vector<Case> cases = {
        {"^txt-5,1,Hello", AmxText, "5,1,Hello"},
        {"@ppx", AmxPopupHideAll, ""},
        {"qvlb_scroll_color-1,Red", AmxListScrollColor, "1,Red"},
        {"ADBEEP", AmxDoubleBeep, ""},
        {"^RFRP-x", AmxResourceRefreshPrefix, "x"},
        {"^RFR-x", AmxResourceRefresh, "x"},
        {"TEXT7-A", AmxTextOld, "7-A"},
        {"!TAbc", AmxTextShortOld, "Abc"},
        {" ^TXT-5,0,x", AmxNoKeyword, " ^TXT-5,0,x"},
        {"^TX", AmxNoKeyword, "^TX"},
        {"HELLO", AmxNoKeyword, "HELLO"},
        {"", AmxNoKeyword, ""},
        // A byte above 0x7F is no ASCII letter or sign: 0xDE must not pass for "^".
        {"\xDETXT-5,0,x", AmxNoKeyword, "\xDETXT-5,0,x"},
        {"^T\xD8T-5,0,x", AmxNoKeyword, "^T\xD8T-5,0,x"},
    };
    for (const Case& c : cases)
    {
        const char* cursor = c.text;
        EXPECT_EQ(FindCommandKeyword(&cursor), c.keyword) << c.text;
        EXPECT_STREQ(cursor, c.rest) << c.text;
    }
    const char* none = nullptr;
    EXPECT_EQ(FindCommandKeyword(&none), AmxNoKeyword);
    EXPECT_EQ(FindCommandKeyword(static_cast<const char**>(nullptr)), AmxNoKeyword);
}

TEST(AmxColor, ParsesHashNumbersAndNames)
{
    struct Case
    {
        const char* text;
        uint32_t color;
    };
    const std::vector<Case> cases = {
        {"#FF0000", 0xFF0000FF},
        {"#ff0000", 0xFF0000FF},
        {"#FF000080", 0xFF000080},
        {"#F0", 0x0000F0FF},
        {"#", 0x000000FF},
        {"2", 0xC00000FF},
        {"0", 0xFF0000FF},
        {"88", 0x63356300},
        {"89", 89},
        {"100", 100},
        {"very dark red", 0x5F0000FF},
        {"VeryDarkRed", 0x5F0000FF},
        {"red", 0xC00000FF},
        {"Light Blue", 0x0000DFFF},
        {"white", 0xFFFFFFFF},
        {"Whitesmoke", 0xFFFFFFFF}, // a name that begins the text is enough
        {"Grey1", 0xEEEEEEFF},
        {"Grey10", 0x555555FF},
        {"Grey11", 0x444444FF},
        {"grey 12", 0x333333FF},
        {"Grey13", 0x222222FF},
        {"GREY14", 0x111111FF},
        {"Grey2", 0xDDDDDDFF},
        {"transparent", 0x63356300},
        {"Black", 0x000000FF},
        {"no such colour", 0},
        {"", 0},
    };
    for (const Case& c : cases)
    {
        const char* cursor = c.text;
        EXPECT_EQ(ParseColor(&cursor), c.color) << c.text;
        EXPECT_EQ(cursor, c.text + std::strlen(c.text)) << c.text;
    }
}

TEST(AmxColor, PaletteHasEveryShadeInFamilyOrder)
{
    EXPECT_STREQ(AmxColorPalette[0].name, "VeryLightRed");
    EXPECT_STREQ(AmxColorPalette[5].name, "VeryDarkRed");
    EXPECT_STREQ(AmxColorPalette[71].name, "VeryDarkPink");
    EXPECT_EQ(AmxColorPalette[71].color, 0x5F0030FFu);
    EXPECT_STREQ(AmxColorPalette[72].name, "White");
    EXPECT_STREQ(AmxColorPalette[88].name, "TRANSPARENT");
    // A palette number gives the same colour as its name.
    for (int32_t row = 0; row < kAmxPaletteRows; ++row)
    {
        const char* name = AmxColorPalette[row].name;
        EXPECT_EQ(ParseColor(&name), AmxColorPalette[row].color) << row;
    }
}

std::string Utf8Of(const char* hex, size_t capacity = kAmxHexTextCapacity)
{
    std::vector<char> out(capacity + 1, 0);
    size_t n = HexToUtf8(hex, out.data(), capacity);
    EXPECT_EQ(n, std::strlen(out.data()));
    return std::string(out.data());
}

TEST(AmxHexText, ConvertsGroupsOfFourDigits)
{
    EXPECT_EQ(Utf8Of("0041042F"), "A\xD0\xAF");
    EXPECT_EQ(Utf8Of("0041042f"), "A\xD0\xA0"); // a lower-case digit counts as 0
    EXPECT_EQ(Utf8Of("20AC"), "\xE2\x82\xAC");
    EXPECT_EQ(Utf8Of("004100420"), "AB");              // the short last group is ignored
    EXPECT_EQ(Utf8Of("004100000043"), "A");            // a zero unit ends the text
    EXPECT_EQ(Utf8Of("D83DDE00"), "\xF0\x9F\x98\x80"); // a surrogate pair is one character
    EXPECT_EQ(Utf8Of(""), "");
    EXPECT_EQ(Utf8Of(nullptr), "");

    std::unique_ptr<char16_t[]> wide(HexToWide("D83DDE000041"));
    ASSERT_TRUE(wide);
    EXPECT_EQ(std::u16string(wide.get()), std::u16string(u"\U0001F600A"));
    EXPECT_EQ(HexToWide(""), nullptr);
}

TEST(AmxHexText, LongTextStopsAtTheBufferOnAWholeCharacter)
{
    struct Case
    {
        const char* unit;
        size_t bytes;
    };
    for (const Case& c : std::vector<Case>{{"0041", 1}, {"0416", 2}, {"20AC", 3}, {"D83DDE00", 4}})
    {
        std::string hex;
        while (hex.size() < 40000)
            hex += c.unit;
        const size_t capacity = kAmxHexTextCapacity;
        std::vector<char> out(capacity + 64, '\x55');
        size_t n = HexToUtf8(hex.c_str(), out.data(), capacity);
        EXPECT_LT(n, capacity) << c.unit;
        EXPECT_EQ(n % c.bytes, 0u) << c.unit;
        EXPECT_GT(n + c.bytes, capacity - 1) << c.unit; // filled as far as whole characters go
        EXPECT_EQ(out[n], 0) << c.unit;
        for (size_t i = capacity; i < out.size(); ++i)
            ASSERT_EQ(out[i], '\x55') << c.unit << " wrote past the buffer at " << i;
    }
    char one[1] = {'x'};
    EXPECT_EQ(HexToUtf8("0041", one, 1), 0u);
    EXPECT_EQ(one[0], 0);
    EXPECT_EQ(HexToUtf8("0041", one, 0), 0u);

    // The wide form of a long text is the part that fits, never more.
    std::string hex;
    for (int i = 0; i < 12000; ++i)
        hex += "0416";
    std::unique_ptr<char16_t[]> wide(HexToWide(hex.c_str()));
    ASSERT_TRUE(wide);
    EXPECT_EQ(WStrLen(wide.get()), (kAmxHexTextCapacity - 1) / 2);
}

TEST(AmxResourceOptions, ReadsEachOptionWhereverItStands)
{
    EXPECT_EQ(ParseResourceOptions(nullptr), nullptr);
    EXPECT_EQ(ParseResourceOptions(""), nullptr);

    std::unique_ptr<CDynamicSpriteData> data = ParseResourceOptions("%h127.0.0.1:8080%r5");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->mask, 0x2u | 0x4u | 0x80u);
    EXPECT_STREQ(data->host, "127.0.0.1");
    EXPECT_EQ(data->port, 8080);
    EXPECT_EQ(data->refreshPeriod, 5000u);

    data = ParseResourceOptions("%V1%N2%A/img/x%Ffile.jpg%Suser pass%Uadmin%P1");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->mask, 0x1u | 0x8u | 0x10u | 0x20u | 0x40u | 0x100u | 0x200u);
    EXPECT_EQ(data->protocol, 2);
    EXPECT_STREQ(data->user, "admin");
    EXPECT_STREQ(data->password, "user pass");
    EXPECT_STREQ(data->path, "/img/x");
    EXPECT_STREQ(data->file, "file.jpg");
    EXPECT_EQ(data->further, 2);
    EXPECT_EQ(data->flag, 1);
    EXPECT_EQ(data->host, nullptr);

    // Empty texts set no bit; a port alone is a port change.
    data = ParseResourceOptions("%u%s%f%h:8080");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->mask, 0x4u);
    EXPECT_EQ(data->port, 8080);
    EXPECT_EQ(data->user, nullptr);

    // A number that is no port changes no port; a long period holds at the largest one.
    data = ParseResourceOptions("%h127.0.0.1:99999%r99999999");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->mask, 0x2u | 0x80u);
    EXPECT_EQ(data->port, 0);
    EXPECT_EQ(data->refreshPeriod, UINT32_MAX);

    // Text without options still gives a record, with nothing to change.
    data = ParseResourceOptions("plain");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->mask, 0u);

    data = ParseResourceOptions("%p2147483647");
    ASSERT_TRUE(data);
    EXPECT_EQ(data->mask, 0x1u);
}
} // namespace

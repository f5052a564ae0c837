#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/StringFunctions.h"
#include "common/support/OwnedText.h"

namespace
{
// ---- UTF-8 to wide ----------------------------------------------------------------------------

struct Utf8Case
{
    const char* name;
    std::string utf8;
    int32_t characters;
    std::optional<std::u16string> wide;
};

class Utf8Reading : public ::testing::TestWithParam<Utf8Case>
{
};

TEST_P(Utf8Reading, CountsAndConvertsTheWellFormedPart)
{
    const Utf8Case& c = GetParam();
    std::vector<char> text = Exact(c.utf8);
    EXPECT_EQ(Utf8Length(text.data()), c.characters);
    EXPECT_EQ(TakeWide(Utf8ToWide(text.data())), c.wide);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8Reading,
                         ::testing::Values(Utf8Case{"Ascii", "Hi", 2, u"Hi"},
                                           Utf8Case{"TwoBytes", "\xC3\xA9", 1, u"\u00E9"},
                                           Utf8Case{"ThreeBytes", "\xE2\x82\xAC", 1, u"\u20AC"},
                                           // A character above U+FFFF is one character and a surrogate pair.
                                           Utf8Case{"FourBytes", "\xF0\x9F\x98\x80", 1, u"\U0001F600"},
                                           Utf8Case{"HighestCharacter", "\xF4\x8F\xBF\xBF", 1, u"\U0010FFFF"},
                                           Utf8Case{"Mixed", "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z", 5,
                                                    u"a\u00E9\u20AC\U0001F600z"},
                                           // Sequences that cannot go on end the text.
                                           Utf8Case{"SecondMalformed",
                                                    "a\xFF"
                                                    "b",
                                                    1, u"a"},
                                           Utf8Case{"StrayContinuation",
                                                    "a\x80"
                                                    "b",
                                                    1, u"a"},
                                           Utf8Case{"MissingContinuation",
                                                    "a\xC3"
                                                    "b",
                                                    1, u"a"},
                                           Utf8Case{"TruncatedAtTheEnd", "a\xE2\x82", 1, u"a"},
                                           Utf8Case{"FourByteCutShort", "x\xF0\x9F\x98", 1, u"x"},
                                           Utf8Case{"FirstMalformed",
                                                    "\xFE"
                                                    "abc",
                                                    0, std::nullopt},
                                           Utf8Case{"Empty", "", 0, std::nullopt},
                                           // Whole sequences that name no character read as U+FFFD, one each.
                                           Utf8Case{"OverlongZero", "a\xC0\x80z", 3, u"a\uFFFDz"},
                                           Utf8Case{"OverlongSlash", "\xE0\x80\xAF", 1, u"\uFFFD"},
                                           Utf8Case{"EncodedSurrogate", "\xED\xA0\x80!", 2, u"\uFFFD!"},
                                           Utf8Case{"AboveUnicode", "\xF4\x90\x80\x80", 1, u"\uFFFD"},
                                           Utf8Case{"FiveByteLead", "ok\xF8\x88\x80\x80\x80", 2, u"ok"}),
                         [](const ::testing::TestParamInfo<Utf8Case>& info)
                         { return std::string(info.param.name); });

TEST(Utf8Reading, NullText)
{
    EXPECT_EQ(Utf8Length(nullptr), 0);
    EXPECT_EQ(Utf8ToWide(nullptr), nullptr);
}

// ---- Wide to UTF-8 ----------------------------------------------------------------------------

struct WideCase
{
    const char* name;
    std::u16string wide;
    std::string utf8;
};

class Utf8Writing : public ::testing::TestWithParam<WideCase>
{
};

TEST_P(Utf8Writing, EncodesPairsAndReplacesLoneSurrogates)
{
    const WideCase& c = GetParam();
    std::vector<char16_t> text = ExactWide(c.wide);
    EXPECT_EQ(TakeText(WideToUtf8(text.data())), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Writing,
    ::testing::Values(WideCase{"Empty", u"", ""}, WideCase{"Ascii", u"abc", "abc"},
                      WideCase{"TwoAndThree", u"\u00E9\u07FF\u0800\uFFFF",
                               "\xC3\xA9\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"},
                      WideCase{"Pair", u"\U0001F600", "\xF0\x9F\x98\x80"},
                      WideCase{"HighestPair", u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
                      WideCase{"LoneHighAtEnd", std::u16string(u"a") + char16_t(0xD83D), "a\xEF\xBF\xBD"},
                      WideCase{"LoneLow", std::u16string(1, char16_t(0xDE00)) + u"b",
                               "\xEF\xBF\xBD"
                               "b"},
                      WideCase{"ReversedPair", std::u16string{char16_t(0xDE00), char16_t(0xD83D)},
                               "\xEF\xBF\xBD\xEF\xBF\xBD"}),
    [](const ::testing::TestParamInfo<WideCase>& info) { return std::string(info.param.name); });

TEST(Utf8Writing, NullText)
{
    EXPECT_EQ(WideToUtf8(nullptr), nullptr);
}

TEST(Utf8Writing, WellFormedTextRoundTrips)
{
    const std::u16string samples[] = {u"x", u"\u00FCber \u20AC 5", u"\U0001F600\U00010000\U0010FFFF",
                                      u"a\u0800b\uFFFD"};
    for (const std::u16string& sample : samples)
    {
        std::optional<std::string> utf8 = TakeText(WideToUtf8(sample.c_str()));
        ASSERT_TRUE(utf8);
        EXPECT_EQ(TakeWide(Utf8ToWide(utf8->c_str())), sample);
    }
}

// ---- ANSI code page (Windows-1252) ------------------------------------------------------------

TEST(AnsiConversion, EveryByteRoundTrips)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    std::optional<std::u16string> wide = TakeWide(AnsiToWide(all.c_str()));
    ASSERT_TRUE(wide);
    ASSERT_EQ(wide->size(), 255u);
    EXPECT_EQ((*wide)[0x80 - 1], u'\u20AC');
    EXPECT_EQ((*wide)[0x9F - 1], u'\u0178');
    EXPECT_EQ((*wide)[0x81 - 1], u'\u0081'); // unassigned bytes stay themselves
    EXPECT_EQ((*wide)[0xFC - 1], u'\u00FC');
    EXPECT_EQ(TakeText(WideToAnsi(wide->c_str())), all);
}

TEST(AnsiConversion, CharactersWithoutAFormBecomeOneQuestionMark)
{
    EXPECT_EQ(TakeText(WideToAnsi(u"a\u4E2Db")), "a?b");
    EXPECT_EQ(TakeText(WideToAnsi(u"\U0001F600!")), "?!"); // one character, one byte
    EXPECT_EQ(TakeText(WideToAnsi(u"\u20AC\u2122")), "\x80\x99");
}

TEST(AnsiConversion, NullAndEmpty)
{
    EXPECT_EQ(WideToAnsi(nullptr), nullptr);
    EXPECT_EQ(WideToAnsi(u""), nullptr);
    EXPECT_EQ(AnsiToWide(nullptr), nullptr);
    EXPECT_EQ(TakeWide(AnsiToWide("")), u"");
}

TEST(AnsiConversion, CountedFormTakesExactlyNBytes)
{
    const char bytes[3] = {'a', 0, '\x80'}; // no terminator: only n bytes are read
    char16_t* wide = AnsiToWideN(bytes, 3);
    ASSERT_NE(wide, nullptr);
    // The zero inside is kept as it is; the terminator follows the n characters.
    EXPECT_EQ(std::u16string(wide, 4), (std::u16string{u'a', 0, u'\u20AC', 0}));
    WStrFree(wide);
    EXPECT_EQ(TakeWide(AnsiToWideN("abc", 0)), u"");
    EXPECT_EQ(TakeWide(AnsiToWideN("abc", -4)), u"");
    EXPECT_EQ(AnsiToWideN(nullptr, 3), nullptr);
}

// ---- Duplication and the wide helpers -----------------------------------------------------------

TEST(StringCopies, NullOrEmptyGiveNoCopy)
{
    EXPECT_EQ(StrDup(nullptr), nullptr);
    EXPECT_EQ(StrDup(""), nullptr);
    EXPECT_EQ(WStrDup(nullptr), nullptr);
    EXPECT_EQ(WStrDup(u""), nullptr);
    EXPECT_TRUE(WStrIsEmpty(nullptr));
    EXPECT_TRUE(WStrIsEmpty(u""));
    EXPECT_FALSE(WStrIsEmpty(u" "));

    const char source[] = "panel";
    char* copy = StrDup(source);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, source);
    EXPECT_STREQ(copy, "panel");
    StrFree(copy);
    EXPECT_EQ(TakeWide(WStrDup(u"\U0001F600x")), u"\U0001F600x");
}

TEST(StringCopies, WideHelpers)
{
    EXPECT_EQ(WStrLen(nullptr), 0u);
    EXPECT_EQ(WStrLen(u"\U0001F600a"), 3u);
    EXPECT_EQ(WStrCmp(u"abc", u"abc"), 0);
    EXPECT_LT(WStrCmp(u"ab", u"abc"), 0);
    EXPECT_GT(WStrCmp(u"\uFFFF", u"a"), 0); // units compare unsigned
    EXPECT_LT(WStrCmp(nullptr, u""), 0);
    EXPECT_EQ(WStrCmp(nullptr, nullptr), 0);

    char16_t buffer[5];
    std::fill(std::begin(buffer), std::end(buffer), u'#');
    EXPECT_EQ(WStrCpyN(buffer, 4, u"abcdef"), 3u);
    EXPECT_EQ(std::u16string(buffer), u"abc");
    EXPECT_EQ(buffer[4], u'#'); // nothing past the capacity
    EXPECT_EQ(WStrCpyN(buffer, 5, nullptr), 0u);
    EXPECT_EQ(buffer[0], 0);
    buffer[0] = u'#';
    EXPECT_EQ(WStrCpyN(buffer, 0, u"x"), 0u);
    EXPECT_EQ(buffer[0], u'#');
}

TEST(StringEdits, InPlaceEdits)
{
    char text[] = " a b|c  |";
    RemoveSpaces(text);
    EXPECT_STREQ(text, "ab|c|");
    PipeToNewline(text);
    EXPECT_STREQ(text, "ab\nc\n");
    char16_t wide[] = u"|x|";
    WPipeToNewline(wide);
    EXPECT_EQ(std::u16string(wide), u"\nx\n");
    RemoveSpaces(nullptr);
    PipeToNewline(nullptr);
    WPipeToNewline(nullptr);
}

struct TitleCase
{
    const char* path;
    size_t capacity;
    const char* title;
    bool result;
};

class FileTitleCases : public ::testing::TestWithParam<TitleCase>
{
};

TEST_P(FileTitleCases, NameWithoutFolderAndExtension)
{
    const TitleCase& c = GetParam();
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(FileTitle(c.path, buffer, c.capacity), c.result);
    EXPECT_STREQ(buffer, c.title);
    for (size_t i = c.capacity; i < sizeof buffer; ++i)
        ASSERT_EQ(buffer[i], '#') << "written past the capacity at " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FileTitleCases,
    ::testing::Values(TitleCase{"c:\\dir\\name.ext", 16, "name", true},
                      TitleCase{"c:\\dir.x\\name", 16, "name", true}, TitleCase{"name", 16, "name", true},
                      TitleCase{"a.b.c", 16, "a.b", true}, TitleCase{"dir\\", 16, "", false},
                      TitleCase{"dir\\.hidden", 16, "", false}, TitleCase{"", 16, "", false},
                      TitleCase{nullptr, 16, "", false},
                      // Cut to the buffer, always terminated.
                      TitleCase{"x\\longname.txt", 5, "long", true},
                      TitleCase{"x\\averyveryverylongname.mp3", 16, "averyveryverylo", true},
                      TitleCase{"song.mp3", 1, "", false}));
} // namespace

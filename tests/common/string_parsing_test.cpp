#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/StringFunctions.h"
#include "common/support/OwnedText.h"

namespace
{
// ---- Tokens ------------------------------------------------------------------------------------

const DelimiterSet kCommaOnly[2] = {1, ','};                       // no zero: the end closes nothing
const DelimiterSet kHighByte[3] = {2, static_cast<char>(0xE9), 0}; // never matches

struct TokenCase
{
    const char* name;
    const DelimiterSet* set;
    std::string text;
    std::vector<std::string> tokens; // given in turn, then null
    std::string rest;                // where the cursor stays
};

class NextTokenCases : public ::testing::TestWithParam<TokenCase>
{
};

TEST_P(NextTokenCases, GivesTokensUntilItRefuses)
{
    const TokenCase& c = GetParam();
    std::vector<char> text = Exact(c.text);
    const char* cursor = text.data();
    for (const std::string& expected : c.tokens)
        EXPECT_EQ(TakeText(NextToken(c.set, &cursor)), expected);
    const char* before = cursor;
    EXPECT_EQ(NextToken(c.set, &cursor), nullptr);
    EXPECT_EQ(cursor, before) << "a refused token leaves the cursor";
    EXPECT_EQ(std::string(cursor), c.rest);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NextTokenCases,
    ::testing::Values(TokenCase{"TwoTokens", kCommaDelimiters, "a,b", {"a", "b"}, ""},
                      TokenCase{"EmptyFirstRefused", kCommaDelimiters, ",b", {}, ",b"},
                      TokenCase{"EmptyMiddleRefused", kCommaDelimiters, "a,,b", {"a"}, ",b"},
                      TokenCase{"TrailingDelimiter", kCommaDelimiters, "a,", {"a"}, ""},
                      TokenCase{"NoZeroInSet", kCommaOnly, "ab", {}, "ab"},
                      TokenCase{"NoZeroLastRefused", kCommaOnly, "a,b", {"a"}, "b"},
                      TokenCase{"Colon", kColonDelimiters, "host:8080", {"host", "8080"}, ""},
                      TokenCase{"Percent", kPercentDelimiters, "50%x", {"50", "x"}, ""},
                      TokenCase{"Semicolon", kSemicolonDelimiters, "a;b c;", {"a", "b c"}, ""},
                      TokenCase{"HighBytesNeverMatch",
                                kHighByte,
                                "a\xE9"
                                "b",
                                {"a\xE9"
                                 "b"},
                                ""},
                      TokenCase{"EmptyText", kCommaDelimiters, "", {}, ""}),
    [](const ::testing::TestParamInfo<TokenCase>& info) { return std::string(info.param.name); });

TEST(NextTokenCases, NullArguments)
{
    EXPECT_EQ(FindDelimiter(kCommaDelimiters, nullptr), 0);
    EXPECT_EQ(FindDelimiter(nullptr, "a,b"), 0);
    EXPECT_EQ(FindDelimiter(kCommaDelimiters, "ab,"), 2);
    EXPECT_EQ(FindDelimiter(kCommaDelimiters, "ab"), 2); // the terminating zero
    EXPECT_EQ(NextToken(kCommaDelimiters, static_cast<const char**>(nullptr)), nullptr);
    const char* nothing = nullptr;
    EXPECT_EQ(NextToken(kCommaDelimiters, &nothing), nullptr);
    char mutableText[] = "x,y";
    char* cursor = mutableText;
    EXPECT_EQ(TakeText(NextToken(kCommaDelimiters, &cursor)), "x");
    EXPECT_EQ(cursor, mutableText + 2);
}

TEST(TakeRestCases, TakesTheRestOnce)
{
    const char text[] = "abc def";
    const char* cursor = text + 4;
    EXPECT_EQ(TakeText(TakeRest(&cursor)), "def");
    EXPECT_EQ(cursor, text + 7);
    EXPECT_EQ(TakeRest(&cursor), nullptr);
    EXPECT_EQ(cursor, text + 7);
    EXPECT_EQ(TakeRest(static_cast<const char**>(nullptr)), nullptr);
    const char* nothing = nullptr;
    EXPECT_EQ(TakeRest(&nothing), nullptr);
}

// ---- Numbers -----------------------------------------------------------------------------------

struct IntCase
{
    const char* name;
    std::string text;
    std::vector<int32_t> values; // successive calls; the last is at the end of the text
};

class NextIntCases : public ::testing::TestWithParam<IntCase>
{
};

TEST_P(NextIntCases, ReadsSuccessiveDigitRuns)
{
    const IntCase& c = GetParam();
    std::vector<char> text = Exact(c.text);
    const char* cursor = text.data();
    for (int32_t expected : c.values)
        EXPECT_EQ(NextInt(&cursor), expected);
    EXPECT_EQ(*cursor, 0);
    EXPECT_EQ(cursor, text.data() + c.text.size());
    EXPECT_EQ(NextInt(&cursor), 0); // and stays there
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NextIntCases,
    ::testing::Values(IntCase{"Runs", "x12y34", {12, 34, 0}}, IntCase{"NoSign", "-5", {5, 0}},
                      IntCase{"Empty", "", {0}}, IntCase{"NoDigits", "abc", {0}},
                      IntCase{"Largest", "2147483647", {2147483647}},
                      IntCase{"Saturates", "2147483648,99999999999999999999,3", {2147483647, 2147483647, 3}},
                      IntCase{"LongRunIsOneNumber", std::string(300, '9') + ",7", {2147483647, 7}},
                      IntCase{"LeadingZeros", std::string(300, '0') + "42", {42}},
                      IntCase{"Address", "@127.0.0.1", {127, 0, 0, 1}}),
    [](const ::testing::TestParamInfo<IntCase>& info) { return std::string(info.param.name); });

TEST(NextIntCases, NullCursor)
{
    EXPECT_EQ(NextInt(static_cast<const char**>(nullptr)), 0);
    const char* nothing = nullptr;
    EXPECT_EQ(NextInt(&nothing), 0);
    char text[] = "v=7";
    char* cursor = text;
    EXPECT_EQ(NextInt(&cursor), 7);
}

TEST(NextHexIntCases, ReadsHexRunsAndKeepsTheLastEightDigits)
{
    std::vector<char> text = Exact("zz1Fg20 12345678ABC");
    const char* cursor = text.data();
    EXPECT_EQ(NextHexInt(&cursor), 0x1Fu);
    EXPECT_EQ(NextHexInt(&cursor), 0x20u);
    EXPECT_EQ(NextHexInt(&cursor), 0x45678ABCu);
    EXPECT_EQ(*cursor, 0);
    EXPECT_EQ(NextHexInt(&cursor), 0u);
    EXPECT_EQ(NextHexInt(static_cast<const char**>(nullptr)), 0u);
}

struct HexCase
{
    const char* text;
    uint8_t n; // for HexToIntN
    uint32_t hexToInt;
    uint32_t hexToIntN;
    uint32_t hashHex;
};

class HexCases : public ::testing::TestWithParam<HexCase>
{
};

TEST_P(HexCases, EachReaderFollowsItsDigitRules)
{
    const HexCase& c = GetParam();
    std::vector<char> text = Exact(c.text);
    EXPECT_EQ(HexToInt(text.data()), c.hexToInt);
    EXPECT_EQ(HexToIntN(c.n, text.data()), c.hexToIntN);
    EXPECT_EQ(HashHexToInt(text.data()), c.hashHex);
}

INSTANTIATE_TEST_SUITE_P(Cases, HexCases,
                         ::testing::Values(HexCase{"1G", 2, 0x1, 0x10, 0}, // HexToIntN counts G as 0
                                           HexCase{"ff", 2, 0xFF, 0xFF, 0}, HexCase{"12", 0, 0x12, 0, 0},
                                           HexCase{"12", 8, 0x12, 0x12, 0}, // the end ends it: no overrun
                                           HexCase{"FFFFFFFF", 8, 0xFFFFFFFF, 0xFFFFFFFF, 0},
                                           HexCase{"00ff0Z99", 6, 0xFF0, 0x00FF00, 0},
                                           HexCase{"#FF00", 3, 0, 0xFF, 0xFF00},
                                           HexCase{"#ff", 3, 0, 0xFF, 0}, // lower case counts as 0
                                           HexCase{"#1x", 3, 0, 0x10, 0x10},
                                           HexCase{"#123456789", 10, 0, 0x23456789, 0x23456789},
                                           HexCase{"", 4, 0, 0, 0}));

TEST(HexCases, NullText)
{
    EXPECT_EQ(HexToInt(nullptr), 0u);
    EXPECT_EQ(HexToIntN(4, nullptr), 0u);
    EXPECT_EQ(HashHexToInt(nullptr), 0u);
}

struct FloatCase
{
    const char* name;
    std::string text;
    uint8_t n;
    float value;
};

class TextToFloatCases : public ::testing::TestWithParam<FloatCase>
{
};

TEST_P(TextToFloatCases, ReadsAnUnsignedDecimal)
{
    const FloatCase& c = GetParam();
    std::vector<char> text = Exact(c.text);
    float value = TextToFloat(c.n, text.data());
    EXPECT_FALSE(std::isnan(value));
    EXPECT_FLOAT_EQ(value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextToFloatCases,
    ::testing::Values(FloatCase{"StopsAtLetter", "12.5x", 5, 12.5f},
                      FloatCase{"SecondPointEnds", "1.2.3", 5, 1.2f},
                      FloatCase{"CountLimits", "123", 2, 12.0f}, FloatCase{"ZeroCount", "5", 0, 0.0f},
                      FloatCase{"LeadingPoint", ".5", 2, 0.5f},
                      FloatCase{"EndBeforeCount", "21.75", 255, 21.75f}, FloatCase{"NoSign", "-3", 2, 0.0f},
                      FloatCase{"Negative", "", 3, 0.0f},
                      // So many fraction digits would make inf / inf.
                      FloatCase{"LongFraction", "1." + std::string(60, '0') + "1", 255, 1.0f},
                      FloatCase{"LongFractionOfSevens", "0." + std::string(80, '7'), 255, 0.7777778f}),
    [](const ::testing::TestParamInfo<FloatCase>& info) { return std::string(info.param.name); });

TEST(TextToFloatCases, NullText)
{
    EXPECT_EQ(TextToFloat(4, nullptr), 0.0f);
}
} // namespace

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <unistd.h>

#include "interface/DialogItem.h"
#include "interface/DialogItemState.h"
#include "interface/TextVariables.h"

namespace
{
// An item with bounds, as sliders have.
class CBoundedItem : public CDialogItem
{
public:
    CBoundedItem(int32_t low, int32_t high) : CDialogItem(0, nullptr), m_low(low), m_high(high) {}
    int32_t GetLow() override { return m_low; }
    int32_t GetHigh() override { return m_high; }

private:
    int32_t m_low;
    int32_t m_high;
};

std::u16string Wide(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

std::u16string TextOf(const CDialogItemState& state)
{
    return state.m_text != nullptr ? std::u16string(state.m_text) : std::u16string();
}

std::u16string Expand(const char16_t* text, float value, int32_t low = 0, int32_t high = 0,
                      int32_t stateIndex = 0)
{
    CBoundedItem item(low, high);
    item.m_value = value;
    item.m_stateIndex = stateIndex;
    CDialogItemState state(&item);
    ParseTextVariables(text, &state);
    return TextOf(state);
}
} // namespace

TEST(TextVariables, ExpandWithTheirFormats)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case
    {
        const char16_t* text;
        float value;
        int32_t low;
        int32_t high;
        int32_t state;
        const char16_t* expected;
    } cases[] = {
        {u"$P", 50.0f, 0, 200, 0, u"25"},
        {u"$P", 250.0f, 0, 200, 0, u"100"},
        {u"$P", 0.9f, 0, 200, 0, u"0"}, // truncated before the percentage
        {u"$P", -40.0f, 0, 200, 0, u"0"},
        {u"$P", 5.0f, 10, 10, 0, u"0"},                     // empty range
        {u"$P", 5.0f, 20, 10, 0, u"0"},                     // reversed range
        {u"$P", 1.5e9f, 0, 2000000000, 0, u"75"},           // d x 100 needs 64 bits
        {u"$P", 1.0e9f, -2000000000, 2000000000, 0, u"75"}, // so does the range
        {u"$V", -2.7f, 0, 0, 0, u"-2"},
        {u"$V", 2.999f, 0, 0, 0, u"2"},
        {u"$V", nan, 0, 0, 0, u"-2147483648"},
        {u"$V", 1e20f, 0, 0, 0, u"-2147483648"},
        {u"$L/$H/$R/$A", 25.5f, 10, 30, 0, u"10/30/20/15"},
        {u"$R", 0.0f, -2147483647 - 1, 2147483647, 0, u"4294967295"},
        {u"$S", 0.0f, 0, 0, 2, u"2"},
        {u"$P$L$H$R", 7.0f, 0, 0, 0, u"0000"}, // an item without bounds
        {u"$F2", 2.675f, 0, 0, 0, u"2.67"},    // the float lies just below 2.675
        {u"$F1", 2.25f, 0, 0, 0, u"2.2"},      // ties to even, as printf does
        {u"$F5", 1.0f, 0, 0, 0, u"1.00000"},
        {u"$F3$F4", 0.5f, 0, 0, 0, u"0.5000.5000"},
        {u"$F1", -0.04f, 0, 0, 0, u"-0.0"},
        {u"$Fx", 3.9f, 0, 0, 0, u"3"},  // "$F" and another character: $V, the character dropped
        {u"a$F", 3.9f, 0, 0, 0, u"a3"}, // "$F" at the very end
        {u"$F6", 3.9f, 0, 0, 0, u"3"},
        {u"$V|", 4.0f, 0, 0, 0, u"4\n"},
        {u"x = $V %", 12.0f, 0, 0, 0, u"x = 12 %"},
        {u"\x05$V", 7.0f, 0, 0, 1, u"17"}, // a raw code in a text with a variable is one too
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(Expand(c.text, c.value, c.low, c.high, c.state), std::u16string(c.expected))
            << std::string(c.text, c.text + std::char_traits<char16_t>::length(c.text)) << " with "
            << c.value;
    }
}

TEST(TextVariables, PlainTextsKeepNoTemplate)
{
    struct Case
    {
        const char16_t* text;
        const char16_t* expected;
    } cases[] = {
        {u"$$", u"$"},           {u"$$V", u"$V"},    {u"$x", u"$x"},  {u"5$", u"5$"},
        {u"a|b||", u"a\nb\n\n"}, {u"\x05", u"\x05"}, {u"$|", u"$\n"},
    };
    for (const Case& c : cases)
    {
        CDialogItem item(0, nullptr);
        CDialogItemState state(&item);
        EXPECT_FALSE(ParseTextVariables(c.text, &state));
        EXPECT_EQ(state.m_textTemplate, nullptr);
        EXPECT_EQ(TextOf(state), std::u16string(c.expected));
    }
}

TEST(TextVariables, NullOrEmptyTextLeavesNoText)
{
    CDialogItem item(0, nullptr);
    CDialogItemState state(&item);
    ParseTextVariables(u"$V", &state);
    ASSERT_NE(state.m_textTemplate, nullptr);
    for (const char16_t* text : {static_cast<const char16_t*>(nullptr), u""})
    {
        EXPECT_FALSE(ParseTextVariables(text, &state));
        EXPECT_EQ(state.m_text, nullptr);
        EXPECT_EQ(state.m_textTemplate, nullptr);
    }
}

TEST(TextVariables, FixedDecimalsMatchPrintfInTheCLocale)
{
    const float values[] = {0.0f,   1.0f / 3.0f, -2.5f,   123456.789f, 1e-6f,
                            0.125f, 16777217.0f, 3.0e38f, -3.4e38f};
    for (float value : values)
    {
        for (int decimals = 1; decimals <= 5; decimals++)
        {
            char expected[128];
            std::snprintf(expected, sizeof expected, "%.*f", decimals, static_cast<double>(value));
            std::u16string text = u"$F" + std::u16string(1, static_cast<char16_t>(u'0' + decimals));
            EXPECT_EQ(Expand(text.c_str(), value), Wide(expected)) << value << " with " << decimals;
        }
    }
}

// The numbers are the panel's own texts: a process locale with a decimal comma must not change
// them. The locale is built at test time; without the tools the test is skipped.
TEST(TextVariables, NumbersIgnoreTheProcessLocale)
{
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("nerulan-locale-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::string command =
        "localedef -i de_DE -f UTF-8 " + (dir / "de_DE.UTF-8").string() + " >/dev/null 2>&1";
    int built = std::system(command.c_str());
    setenv("LOCPATH", dir.c_str(), 1);
    const char* set = built == 0 ? std::setlocale(LC_ALL, "de_DE.UTF-8") : nullptr;
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 2.5);
    if (set == nullptr || std::string(probe) != "2,5")
    {
        std::setlocale(LC_ALL, "C");
        std::filesystem::remove_all(dir);
        GTEST_SKIP() << "no German locale could be made";
    }
    EXPECT_EQ(Expand(u"$F2 $F1 $V", 1234.5f), u"1234.50 1234.5 1234");
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    std::filesystem::remove_all(dir);
}

TEST(TextVariables, ExpansionIsRenewedFromTheTemplate)
{
    CBoundedItem item(0, 100);
    CDialogItemState state(&item);
    ASSERT_TRUE(ParseTextVariables(u"Level $P%", &state));
    EXPECT_EQ(TextOf(state), u"Level 0%");
    item.m_value = 42.0f;
    ExpandTextVariables(&state);
    EXPECT_EQ(TextOf(state), u"Level 42%");
    EXPECT_EQ(std::u16string(state.m_textTemplate), std::u16string(u"Level \x01%"));
}

TEST(TextVariables, LongExpansionsAreCutNeverOverrun)
{
    // Each "$F5" of the largest float prints 45 characters; 700 of them would need 31,500.
    std::u16string text;
    for (int i = 0; i < 700; i++)
        text += u"$F5";
    std::u16string expanded = Expand(text.c_str(), 3.4e38f);
    EXPECT_EQ(expanded.size(), static_cast<size_t>(kMaxExpandedText - 1));
    char first[64];
    std::snprintf(first, sizeof first, "%.5f", static_cast<double>(3.4e38f));
    EXPECT_EQ(expanded.substr(0, std::strlen(first)), Wide(first));

    // A long plain text with one variable is cut too.
    std::u16string plain(3000, u'a');
    plain += u"$V";
    EXPECT_EQ(Expand(plain.c_str(), 1.0f).size(), static_cast<size_t>(kMaxExpandedText - 1));
}

TEST(TextVariables, CutNeverSplitsASurrogatePair)
{
    // "$V" gives one digit, then 1021 letters: the pair would start at the last place.
    std::u16string text = u"$V" + std::u16string(1021, u'a') + u"\U0001F600";
    std::u16string expanded = Expand(text.c_str(), 0.0f);
    EXPECT_EQ(expanded.size(), 1022u);
    EXPECT_EQ(expanded.back(), u'a');
    // One letter less: the whole pair fits.
    text = u"$V" + std::u16string(1020, u'a') + u"\U0001F600";
    expanded = Expand(text.c_str(), 0.0f);
    EXPECT_EQ(expanded.size(), 1023u);
    EXPECT_EQ(expanded.substr(1021), u"\U0001F600");
}

TEST(TextVariables, AppendFixesTheNumbersAndReadsNewVariables)
{
    CBoundedItem item(0, 10);
    item.AddState(new CDialogItemState(&item));
    item.SetText(0, u"$V");
    item.m_value = 3.0f;
    item.AppendText(0, u"x");
    CDialogItemState* state = item.GetStateAt(0);
    EXPECT_EQ(TextOf(*state), u"3x");
    EXPECT_EQ(state->m_textTemplate, nullptr);

    item.AppendText(0, u" of $H");
    EXPECT_EQ(TextOf(*state), u"3x of 10");
    ASSERT_NE(state->m_textTemplate, nullptr);

    item.AppendText(0, u"|!"); // the bar is read again too
    EXPECT_EQ(TextOf(*state), u"3x of 10\n!");
}

TEST(TextVariables, AppendIsBounded)
{
    CDialogItem item(0, nullptr);
    item.AddState(new CDialogItemState(&item));
    item.SetText(0, std::u16string(1000, u'a').c_str());
    item.AppendText(0, std::u16string(100, u'b').c_str());
    std::u16string text = TextOf(*item.GetStateAt(0));
    EXPECT_EQ(text.size(), static_cast<size_t>(kMaxAppendedText - 1));
    EXPECT_EQ(text.back(), u'b');

    // The cut lands inside a pair: the half is dropped.
    item.SetText(0, std::u16string(1023, u'a').c_str());
    item.AppendText(0, u"\U0001F600");
    EXPECT_EQ(TextOf(*item.GetStateAt(0)), std::u16string(1023, u'a'));
}

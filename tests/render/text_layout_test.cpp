#include <gtest/gtest.h>

#include <string>

#include "render/Fnt.h"
#include "render/TextLayout.h"
#include "support/text_fixtures.h"

namespace
{
constexpr int32_t kBoxWidth = 200;
constexpr int32_t kBoxHeight = 100;

class TextLayout : public ::testing::Test
{
protected:
    CoverageMask* Layout(const char16_t* text, int32_t alignment, int32_t width = kBoxWidth,
                         int32_t height = kBoxHeight, bool wrap = false, int32_t caret = -1)
    {
        return LayoutText(&m_font, text, caret, alignment, width, height, wrap);
    }

    CFnt m_font{kLiberationSansPath, 1, 15};
    const int32_t m_lineHeight = FontLineHeight(kLiberationSansPath, 15);
};

TEST_F(TextLayout, GlyphCoverageSitsOnTheFirstBaselineAtTheLeft)
{
    MaskHolder mask(Layout(u"H", 1));
    ASSERT_NE(mask.get(), nullptr);
    EXPECT_EQ(mask->width, kBoxWidth);
    EXPECT_EQ(mask->height, kBoxHeight);
    const InkBounds ink = MeasureInk(mask.get());
    ASSERT_FALSE(ink.empty);
    // "H" stands on the baseline (ascender 19 at 15 pt, 96 DPI) with a small left bearing; its
    // stems are fully covered somewhere.
    EXPECT_LE(ink.left, 3);
    EXPECT_EQ(ink.bottom, 18);
    EXPECT_GE(ink.top, 3);
    EXPECT_LT(ink.right, FontTextWidth(kLiberationSansPath, 15, u"H"));
    bool full = false;
    for (int32_t x = ink.left; x <= ink.right; ++x)
        full = full || MaskAt(mask.get(), x, 10) == 255;
    EXPECT_TRUE(full);
}

TEST_F(TextLayout, EmptyTextGivesAnEmptyMaskOfTheBox)
{
    for (const char16_t* text : {u"", static_cast<const char16_t*>(nullptr)})
    {
        MaskHolder mask(Layout(text, 5));
        ASSERT_NE(mask.get(), nullptr);
        EXPECT_EQ(mask->width, kBoxWidth);
        EXPECT_EQ(mask->height, kBoxHeight);
        EXPECT_TRUE(MeasureInk(mask.get()).empty);
    }
}

TEST_F(TextLayout, BoxesWithoutAreaGiveNoMask)
{
    // A box that its insets have eaten up arrives with a negative side.
    const int32_t sizes[][2] = {{0, 40}, {40, 0}, {-8, 40}, {40, -8}, {-8, -8}};
    for (const auto& size : sizes)
        EXPECT_EQ(Layout(u"Abc", 1, size[0], size[1]), nullptr) << size[0] << " x " << size[1];
}

TEST_F(TextLayout, EachAlignmentPlacesTheTextBlockInItsCell)
{
    const char16_t* text = u"Hxg";
    const int32_t free = kBoxWidth - FontTextWidth(kLiberationSansPath, 15, text);
    const int32_t freeHeight = kBoxHeight - m_lineHeight;
    MaskHolder topLeft(Layout(text, 1));
    ASSERT_FALSE(MeasureInk(topLeft.get()).empty);
    const int32_t columns[3] = {0, free / 2, free};
    const int32_t rows[3] = {0, freeHeight / 2, freeHeight};
    for (int32_t code = 0; code <= 9; ++code)
    {
        SCOPED_TRACE(code);
        const int32_t cell = code == 0 ? 0 : code - 1;
        MaskHolder mask(Layout(text, code));
        EXPECT_TRUE(MasksEqualShifted(topLeft.get(), mask.get(), columns[cell % 3], rows[cell / 3]));
    }
}

TEST_F(TextLayout, LinesAreCentredEachOnItsOwnWidth)
{
    MaskHolder twoLines(Layout(u"a\nbbbb", 5));
    MaskHolder first(Layout(u"a", 1));
    MaskHolder second(Layout(u"bbbb", 1));
    const int32_t top = (kBoxHeight - 2 * m_lineHeight) / 2;
    const int32_t firstShift = (kBoxWidth - FontTextWidth(kLiberationSansPath, 15, u"a")) / 2;
    const int32_t secondShift = (kBoxWidth - FontTextWidth(kLiberationSansPath, 15, u"bbbb")) / 2;
    // Compose the expected mask from the two single lines moved to their places.
    MaskHolder expected(NewCoverageMask(kBoxWidth, kBoxHeight));
    for (int32_t y = 0; y < kBoxHeight; ++y)
    {
        for (int32_t x = 0; x < kBoxWidth; ++x)
        {
            const uint8_t a = MaskAt(first.get(), x - firstShift, y - top);
            const uint8_t b = MaskAt(second.get(), x - secondShift, y - top - m_lineHeight);
            expected->data[y * kBoxWidth + x] = a != 0 ? a : b;
        }
    }
    EXPECT_TRUE(MasksEqualShifted(expected.get(), twoLines.get(), 0, 0));
}

TEST_F(TextLayout, WordWrapMovesWholeRunsToTheNextLine)
{
    struct Case
    {
        const char16_t* text;
        int32_t width;
        const char16_t* brokenByHand;
    };
    const int32_t headWidth = FontTextWidth(kLiberationSansPath, 15, u"ab ");
    const Case cases[] = {
        // The line keeps its trailing space and exactly fills the box; "cd" goes down.
        {u"ab cd", headWidth, u"ab \ncd"},
        // A word wider than the box leaves the first line empty.
        {u"abcdef", 10, u"\nabcdef"},
        // A run of spaces that does not fit moves like a word.
        {u"ab     cd", headWidth, u"ab\n     \ncd"},
        // The wrap test is made where a run ends at another run or the end of the text; a word
        // that ends at a line feed stays on its line even past the box.
        {u"ab cdefgh\nx", headWidth, u"ab cdefgh\nx"},
        // ... and the run after the line feed is tested against its own, new line.
        {u"ab\ncd ef", headWidth, u"ab\ncd \nef"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.width));
        MaskHolder wrapped(Layout(c.text, 1, c.width, kBoxHeight, true));
        MaskHolder byHand(Layout(c.brokenByHand, 1, c.width, kBoxHeight, false));
        ASSERT_NE(wrapped.get(), nullptr);
        EXPECT_FALSE(MeasureInk(wrapped.get()).empty);
        EXPECT_TRUE(MasksEqualShifted(byHand.get(), wrapped.get(), 0, 0));
    }
    // Without wrap the text runs on past the box on one line.
    MaskHolder unwrapped(Layout(u"ab cd", 1, headWidth, kBoxHeight, false));
    EXPECT_LT(MeasureInk(unwrapped.get()).bottom, m_lineHeight);
}

TEST_F(TextLayout, KerningMovesTheSecondGlyph)
{
    CFnt large(kLiberationSansPath, 2, 40);
    const int32_t kerning = FontKerning(kLiberationSansPath, 40, 'A', 'V');
    ASSERT_LT(kerning, 0) << "the test font kerns A and V";
    auto rightEdge = [&](const char16_t* text)
    {
        MaskHolder mask(LayoutText(&large, text, -1, 1, 300, 80, false));
        return MeasureInk(mask.get()).right;
    };
    // The V is the rightmost ink; in "AV" it stands the advance of A plus the kerning further.
    const int32_t kerned = rightEdge(u"AV") - rightEdge(u"V");
    const int32_t plain = rightEdge(u"AA") - rightEdge(u"A");
    EXPECT_EQ(kerned - plain, kerning - FontKerning(kLiberationSansPath, 40, 'A', 'A'));
}

TEST_F(TextLayout, TheLineTableStopsAt255Lines)
{
    std::u16string manyLines;
    for (int32_t i = 0; i < 400; ++i)
        manyLines += u"x\n";
    std::u16string manyWords;
    for (int32_t i = 0; i < 1000; ++i)
        manyWords += u"ww ";
    const int32_t tall = 420 * m_lineHeight;
    const int32_t wordWidth = FontTextWidth(kLiberationSansPath, 15, u"ww ");
    struct Case
    {
        const std::u16string* text;
        int32_t width;
        bool wrap;
    };
    for (const Case& c : {Case{&manyLines, 50, false}, Case{&manyWords, wordWidth, true}})
    {
        MaskHolder mask(Layout(c.text->c_str(), 1, c.width, tall, c.wrap));
        ASSERT_NE(mask.get(), nullptr);
        const InkBounds ink = MeasureInk(mask.get());
        // Line 255 is drawn, line 256 is not.
        EXPECT_GE(ink.bottom, 254 * m_lineHeight);
        EXPECT_LT(ink.bottom, 255 * m_lineHeight);
    }
}

TEST_F(TextLayout, CaretDrawsAnUnderscoreWhereItsCharacterBegins)
{
    MaskHolder plain(Layout(u"abcd", 3));
    MaskHolder withCaret(Layout(u"abcd", 3, kBoxWidth, kBoxHeight, false, 2));
    // Centred, so that the underscore's ink reaching past its advance on both sides is not clipped.
    MaskHolder underscore(Layout(u"_", 2));
    const int32_t underscoreStart = (kBoxWidth - FontTextWidth(kLiberationSansPath, 15, u"_")) / 2;
    const InkBounds plainInk = MeasureInk(plain.get());
    const InkBounds underscoreInk = MeasureInk(underscore.get());
    // The line keeps the width of "abcd": right alignment puts every letter where it was.
    const int32_t lineStart = kBoxWidth - FontTextWidth(kLiberationSansPath, 15, u"abcd");
    const int32_t caretX = lineStart + FontTextWidth(kLiberationSansPath, 15, u"ab");
    int32_t changed = 0;
    for (int32_t y = 0; y < kBoxHeight; ++y)
    {
        for (int32_t x = 0; x < kBoxWidth; ++x)
        {
            const uint8_t u = MaskAt(underscore.get(), x - caretX + underscoreStart, y);
            if (u != 0)
            {
                EXPECT_EQ(MaskAt(withCaret.get(), x, y), u) << x << "," << y;
                ++changed;
            }
            else
            {
                EXPECT_EQ(MaskAt(withCaret.get(), x, y), MaskAt(plain.get(), x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_GT(changed, 0);
    EXPECT_FALSE(underscoreInk.empty);
    EXPECT_FALSE(plainInk.empty);
    // A caret at the end stands after the last letter.
    MaskHolder atEnd(Layout(u"ab", 1, kBoxWidth, kBoxHeight, false, 2));
    EXPECT_GT(MeasureInk(atEnd.get()).right, MeasureInk(MaskHolder(Layout(u"ab", 1)).get()).right);
    // A caret just before a word that wraps goes down with the word, to where "c" begins.
    const int32_t headWidth = FontTextWidth(kLiberationSansPath, 15, u"ab ");
    MaskHolder wrapped(Layout(u"ab cd", 1, headWidth, kBoxHeight, true, 3));
    MaskHolder byHand(Layout(u"ab \ncd", 1, headWidth, kBoxHeight, false, 4));
    MaskHolder noCaret(Layout(u"ab \ncd", 1, headWidth, kBoxHeight, false));
    EXPECT_FALSE(MasksEqualShifted(byHand.get(), noCaret.get(), 0, 0));
    EXPECT_TRUE(MasksEqualShifted(byHand.get(), wrapped.get(), 0, 0));
}

TEST_F(TextLayout, SurrogatePairIsOneCharacter)
{
    // Neither character is in the font: each shows the missing-glyph box once.
    MaskHolder pair(Layout(u"\U0001F600", 1));
    MaskHolder single(Layout(u"\uE000", 1));
    ASSERT_FALSE(MeasureInk(single.get()).empty);
    EXPECT_TRUE(MasksEqualShifted(single.get(), pair.get(), 0, 0));
}
} // namespace

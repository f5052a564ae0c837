#include <gtest/gtest.h>

#include <cstring>

#include "render/BlendTables.h"
#include "render/Fnt.h"
#include "render/PixelBuffer.h"
#include "render/TextEffects.h"
#include "render/TextLayout.h"
#include "support/text_fixtures.h"

namespace
{
// A mask with one covered pixel.
CoverageMask* Dot(int32_t width, int32_t height, int32_t x, int32_t y, uint8_t coverage)
{
    CoverageMask* mask = NewCoverageMask(width, height);
    mask->data[y * width + x] = coverage;
    return mask;
}

TEST(TextEffects, HardDropShadowsAreTheTextMovedAndCut)
{
    CFnt font(kLiberationSansPath, 1, 15);
    // Text right up to the bottom-right corner, so that the shadow is cut there.
    MaskHolder text(LayoutText(&font, u"Wg", -1, 9, 60, 30, false));
    ASSERT_FALSE(MeasureInk(text.get()).empty);
    for (int32_t n = 1; n <= 8; ++n)
    {
        SCOPED_TRACE(n);
        MaskHolder shadow(ApplyTextEffect(24 + n, text.get()));
        ASSERT_NE(shadow.get(), nullptr);
        ASSERT_EQ(shadow->width, text->width);
        ASSERT_EQ(shadow->height, text->height);
        for (int32_t y = 0; y < text->height; ++y)
        {
            for (int32_t x = 0; x < text->width; ++x)
                ASSERT_EQ(MaskAt(shadow.get(), x, y), MaskAt(text.get(), x - n, y - n)) << x << "," << y;
        }
    }
}

TEST(TextEffects, KernelsStampTheirShapesAroundACoveredPixel)
{
    struct Probe
    {
        int32_t code;
        int32_t dx, dy;
        uint8_t value;
    };
    const Probe probes[] = {
        // Outline-S: diamond of radius 1, its corners half covered, nothing further out.
        {1, 0, 0, 255},
        {1, 1, 0, 255},
        {1, 0, -1, 255},
        {1, 1, 1, 128},
        {1, -1, -1, 128},
        {1, 2, 0, 0},
        // Outline-X: radius 4, the ring at distance 5 half, cut to the 9 x 9 square.
        {4, 4, 0, 255},
        {4, 2, 2, 255},
        {4, 3, 2, 128},
        {4, 4, 4, 0},
        {4, 5, 0, 0},
        // Glows by ring distance.
        {5, 2, -2, 85},
        {5, 3, 0, 0},
        {6, -4, 4, 50},
        {6, 1, 0, 200},
        {7, 6, 0, 36},
        {7, 0, 0, 255},
        {8, 7, 7, 32},
        {8, 1, 1, 224},
        {8, 8, 0, 0},
        // Soft shadows: the Glow-M kernel centred at (+n, +n); rows 14 and 15 repeat 5 and 8.
        {9, 1, 1, 250},
        {9, 0, 0, 200},
        {13, 5, 5, 250},
        {14, 5, 5, 250},
        {15, 8, 8, 250},
        {16, 8, 8, 250},
        // Medium shadows: the Glow-S kernel at (+n, +n).
        {17, 1, 1, 255},
        {17, 3, 3, 85},
        {24, 8, 8, 255},
        {24, 6, 6, 85},
        // Shadows with an outline: the larger value wins where they overlap.
        {33, 0, 0, 255},
        {33, 1, 1, 250},
        {33, -1, -1, 150},
        {33, -1, 1, 150},
        {49, 1, -1, 128},
        {40, 8, 8, 250},
        {40, 0, 1, 255},
        {49, 1, 1, 255},
        {49, -1, 1, 128},
        {56, 8, 8, 255},
        {56, 4, 4, 0},
        {41, 1, 1, 255},
        {48, 7, 7, 170},
    };
    const int32_t cx = 20;
    const int32_t cy = 20;
    MaskHolder dot(Dot(48, 48, cx, cy, 255));
    for (const Probe& p : probes)
    {
        MaskHolder effect(ApplyTextEffect(p.code, dot.get()));
        ASSERT_NE(effect.get(), nullptr);
        EXPECT_EQ(MaskAt(effect.get(), cx + p.dx, cy + p.dy), p.value)
            << "code " << p.code << " at " << p.dx << "," << p.dy;
    }
}

TEST(TextEffects, CoverageWeightsTheKernelAndOverlapsKeepTheLargest)
{
    MaskHolder mask(NewCoverageMask(20, 20));
    mask->data[5 * 20 + 5] = 128;
    mask->data[5 * 20 + 7] = 255;
    MaskHolder outline(ApplyTextEffect(1, mask.get()));
    EXPECT_EQ(MaskAt(outline.get(), 5, 4), 128); // 255 x 128 / 255
    EXPECT_EQ(MaskAt(outline.get(), 4, 4), 64);  // 128 x 128 / 255
    EXPECT_EQ(MaskAt(outline.get(), 6, 5), 255); // both stamps reach it; the full one wins
    EXPECT_EQ(MaskAt(outline.get(), 6, 4), 128); // corner of the full dot, edge of the half one
}

TEST(TextEffects, CodesOutsideTheTableGiveNoMaskAndNoneGivesAnEmptyOne)
{
    MaskHolder dot(Dot(10, 10, 5, 5, 255));
    EXPECT_EQ(ApplyTextEffect(57, dot.get()), nullptr);
    EXPECT_EQ(ApplyTextEffect(-1, dot.get()), nullptr);
    EXPECT_EQ(ApplyTextEffect(1, nullptr), nullptr);
    MaskHolder none(ApplyTextEffect(0, dot.get()));
    ASSERT_NE(none.get(), nullptr);
    EXPECT_TRUE(MeasureInk(none.get()).empty);
    // Stamps at the mask's edges are clipped, not written outside.
    MaskHolder corner(Dot(3, 3, 0, 0, 255));
    MaskHolder glow(ApplyTextEffect(8, corner.get()));
    EXPECT_EQ(MaskAt(glow.get(), 2, 2), 192);
}

class TextCoverageDraw : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(BuildBlendTables()); }
    void TearDown() override { ReleaseBlendTables(); }
};

struct BufferHolder
{
    explicit BufferHolder(CPixelBuffer* b) : buffer(b) {}
    ~BufferHolder() { CPixelBuffer::Free(buffer); }
    CPixelBuffer* buffer;
};

TEST_F(TextCoverageDraw, ColourAlphaIsTheFullCoverageAlphaAndZeroDrawsNothing)
{
    MaskHolder mask(NewCoverageMask(2, 1));
    mask->data[0] = 255;
    mask->data[1] = 100;
    struct Case
    {
        uint32_t colour;
        uint8_t full[4];
        uint8_t partial[4];
    };
    const Case cases[] = {
        // Onto transparent black: partial coverage gives the colour exactly with alpha = coverage.
        {0xFF102030, {0x30, 0x20, 0x10, 0xFF}, {0x30, 0x20, 0x10, 100}},
        {0x80102030, {0x30, 0x20, 0x10, 0x80}, {0x30, 0x20, 0x10, 100}},
        {0x00102030, {0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases)
    {
        BufferHolder target(CPixelBuffer::Create(4, 2));
        DrawCoverage(mask.get(), target.buffer, 1, 1, c.colour);
        const uint8_t* row = target.buffer->Row(1);
        EXPECT_EQ(0, std::memcmp(row + 4, c.full, 4)) << std::hex << c.colour;
        EXPECT_EQ(0, std::memcmp(row + 8, c.partial, 4)) << std::hex << c.colour;
        const uint8_t zero[4] = {0, 0, 0, 0};
        EXPECT_EQ(0, std::memcmp(row, zero, 4));
        EXPECT_EQ(0, std::memcmp(target.buffer->Row(0) + 4, zero, 4));
    }
}

TEST_F(TextCoverageDraw, BlendsOverExistingPixelsThroughTheTables)
{
    MaskHolder mask(NewCoverageMask(1, 1));
    mask->data[0] = 51; // one fifth
    // 32-bit: opaque white under a 51 coverage of black stays opaque and loses a fifth.
    BufferHolder deep(CPixelBuffer::Create(1, 1));
    std::memset(deep.buffer->pixels, 0xFF, 4);
    DrawCoverage(mask.get(), deep.buffer, 0, 0, 0xFF000000);
    const uint8_t expected32[4] = {204, 204, 204, 255};
    EXPECT_EQ(0, std::memcmp(deep.buffer->pixels, expected32, 4));
    // 24-bit: B, G, R = M[dest][255 - c] + M[colour][c].
    uint8_t pixels24[3] = {200, 100, 0};
    CPixelBuffer shallow{1, 1, 3, 24, pixels24};
    DrawCoverage(mask.get(), &shallow, 0, 0, 0xFFFFFFFF);
    EXPECT_EQ(pixels24[0], 200 * 204 / 255 + 51);
    EXPECT_EQ(pixels24[1], 100 * 204 / 255 + 51);
    EXPECT_EQ(pixels24[2], 51);
}

TEST_F(TextCoverageDraw, MaskIsClippedToTheBuffer)
{
    MaskHolder mask(NewCoverageMask(3, 3));
    std::memset(mask->data, 255, 9);
    const int32_t places[][2] = {{-2, -2}, {3, 3}, {-3, 0}, {0, 4}, {4, 0}};
    const int32_t expectedCovered[] = {1, 1, 0, 0, 0};
    for (int32_t i = 0; i < 5; ++i)
    {
        BufferHolder target(CPixelBuffer::Create(4, 4));
        DrawCoverage(mask.get(), target.buffer, places[i][0], places[i][1], 0xFFFFFFFF);
        int32_t covered = 0;
        for (int32_t p = 0; p < 16; ++p)
            covered += target.buffer->pixels[p * 4 + 3] == 255 ? 1 : 0;
        EXPECT_EQ(covered, expectedCovered[i]) << i;
    }
    DrawCoverage(nullptr, nullptr, 0, 0, 0xFFFFFFFF);
}
} // namespace

#include "render/BlendTables.h"
#include "render/PixelBuffer.h"
#include "support/pixel_fixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace
{
class PixelBlendTest : public BlendTablesTest
{
};

TEST_F(PixelBlendTest, TableIdentitiesHoldForEveryValue)
{
    for (uint32_t x = 0; x < 256; ++x)
    {
        SCOPED_TRACE(x);
        EXPECT_EQ(BlendProduct(255, x), x);
        EXPECT_EQ(BlendProduct(x, 255), x);
        EXPECT_EQ(BlendProduct(0, x), 0);
        EXPECT_EQ(BlendUnion(255, x), 255);
        EXPECT_EQ(BlendUnion(0, x), x);
        EXPECT_EQ(BlendRatio(0, x), 0);
        if (x > 0)
        {
            EXPECT_EQ(BlendRatio(x, x), 255);
        }
    }
}

TEST_F(PixelBlendTest, TablesTruncateAndRatioKeepsOnlyTheLowByte)
{
    struct Case
    {
        uint32_t a, b;
        uint8_t product, unionValue, ratio;
    };
    const Case cases[] = {
        {128, 128, 64, 191, 255}, // 16384 / 255 = 64.25; 128 + 128 x 127 / 255 = 191.75
        {1, 2, 0, 2, 254},        // ratio 510 keeps 0xFE
        {2, 1, 0, 2, 127},        // 255 / 2 = 127.5
        {200, 100, 78, 221, 127}, // 20000 / 255 = 78.4; 200 + 100 x 55 / 255 = 221.6; 25500 / 200 = 127.5
        {254, 255, 254, 255, 0},  // ratio 256 keeps 0x00
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.a << "," << c.b);
        EXPECT_EQ(BlendProduct(c.a, c.b), c.product);
        EXPECT_EQ(BlendUnion(c.a, c.b), c.unionValue);
        EXPECT_EQ(BlendRatio(c.a, c.b), c.ratio);
    }
}

// The vector paths divide by 255 without a division; each form must agree with the truncating
// division wherever a product of two bytes can reach.
TEST(PixelDivideBy255, ShiftFormsEqualDivisionUpTo65025)
{
    for (uint32_t x = 0; x <= 65025; ++x)
    {
        ASSERT_EQ((x + 1 + (x >> 8)) >> 8, x / 255) << x;
        ASSERT_EQ((x * 0x8081u) >> 23, x / 255) << x; // the high half of x * 0x8081, shifted by 7
    }
}

// These two run without the fixture: they need a process in which nothing holds the tables.
TEST(PixelBlendTablesLife, SharedByEveryBuilderAndFreedByTheLastRelease)
{
    if (g_BlendTables != nullptr)
    {
        GTEST_SKIP() << "another test of this process holds the tables";
    }
    ASSERT_TRUE(BuildBlendTables());
    const BlendTables* first = g_BlendTables;
    ASSERT_TRUE(BuildBlendTables());
    EXPECT_EQ(g_BlendTables, first);
    ReleaseBlendTables();
    ASSERT_NE(g_BlendTables, nullptr);
    EXPECT_EQ(BlendProduct(255, 7), 7);
    ReleaseBlendTables();
    EXPECT_EQ(g_BlendTables, nullptr);
    ReleaseBlendTables(); // one release too many is harmless
    EXPECT_EQ(g_BlendTables, nullptr);
}

TEST(PixelBlendTablesLife, DrawingWithoutTablesDoesNothing)
{
    if (g_BlendTables != nullptr)
    {
        GTEST_SKIP() << "another test of this process holds the tables";
    }
    CPixelBuffer* destination = CPixelBuffer::Create(4, 4);
    CPixelBuffer* source = CPixelBuffer::Create(4, 4);
    FillPixelBuffer(source, 4, 4, 0x80FF0000u);
    BlitPixelBuffer(0, 0, destination, nullptr, source, 255);
    EXPECT_EQ(destination->pixels[0], 0);
    CPixelBuffer::Free(destination);
    CPixelBuffer::Free(source);
}

TEST_F(PixelBlendTest, Blend32OntoTransparentGivesWeightAsAlphaAndTheExactColour)
{
    const Pixel colour = {12, 200, 99, 7}; // the colour's own alpha is not read
    for (uint32_t a = 1; a < 256; ++a)
    {
        Pixel pixel = {1, 2, 3, 0};
        BlendPixel32(pixel.data(), static_cast<uint8_t>(a), colour.data());
        const uint8_t alpha = a == 255 ? colour[3] : static_cast<uint8_t>(a); // 255 copies all four
        EXPECT_EQ(pixel, (Pixel{12, 200, 99, alpha})) << a;
    }
}

TEST_F(PixelBlendTest, Blend32Weights)
{
    const Pixel colour = {255, 0, 100, 255};
    struct Case
    {
        Pixel before;
        uint8_t weight;
        Pixel after;
    };
    const Case cases[] = {
        {{10, 20, 30, 40}, 0, {10, 20, 30, 40}},      // weight 0 leaves the pixel
        {{10, 20, 30, 0}, 0, {10, 20, 30, 0}},        // also over transparent
        {{10, 20, 30, 40}, 255, {255, 0, 100, 255}},  // weight 255 copies four bytes
        {{0, 255, 0, 255}, 128, {128, 127, 50, 255}}, // opaque stays opaque: M[d][127] + M[s][128]
        {{0, 255, 0, 128}, 128, {170, 85, 66, 191}},  // n = U[128][128] = 191, w' = R[191][128] = 170
    };
    for (const Case& c : cases)
    {
        Pixel pixel = c.before;
        BlendPixel32(pixel.data(), c.weight, colour.data());
        EXPECT_EQ(pixel, c.after) << int(c.weight) << " over alpha " << int(c.before[3]);
    }
}

TEST_F(PixelBlendTest, Blend24MixesColourOnly)
{
    const Pixel colour = {255, 0, 100, 0};
    uint8_t pixel[4] = {0, 255, 0, 77}; // the byte after a 24-bit pixel is not its own
    BlendPixel24(pixel, 0, colour.data());
    EXPECT_EQ(0, std::memcmp(pixel, "\x00\xFF\x00\x4D", 4));
    BlendPixel24(pixel, 128, colour.data());
    EXPECT_EQ(0, std::memcmp(pixel, "\x80\x7F\x32\x4D", 4));
    BlendPixel24(pixel, 255, colour.data());
    EXPECT_EQ(0, std::memcmp(pixel, "\xFF\x00\x64\x4D", 4));
}

TEST_F(PixelBlendTest, ScaleMultipliesAllFourBytesAndMayWorkInPlace)
{
    Pixel pixel = {255, 128, 0, 200};
    ScalePixel32(128, pixel.data(), pixel.data());
    EXPECT_EQ(pixel, (Pixel{128, 64, 0, 100}));
}
} // namespace

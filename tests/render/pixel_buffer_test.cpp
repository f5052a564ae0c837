#include "render/BlendTables.h"
#include "render/PixelBuffer.h"
#include "support/pixel_fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
class PixelBufferTest : public BlendTablesTest
{
};

// A surface-like header over pixels the test owns, for depths Create does not make.
struct Surface
{
    std::vector<uint8_t> bytes;
    CPixelBuffer header{};

    Surface(int32_t width, int32_t height, uint8_t depth, uint8_t fill)
    {
        // Rows padded past the pixels so that a write beyond a row's end shows in the padding.
        const int32_t stride = (width * depth / 8 + 3) / 4 * 4 + 4;
        bytes.assign(static_cast<size_t>(stride) * height, fill);
        header = CPixelBuffer{width, height, stride, depth, bytes.data()};
    }
};

TEST(PixelBufferCreate, MakesAZeroedThirtyTwoBitBlock)
{
    CPixelBuffer* buffer = CPixelBuffer::Create(7, 3);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->width, 7);
    EXPECT_EQ(buffer->height, 3);
    EXPECT_EQ(buffer->stride, 28);
    EXPECT_EQ(buffer->bitsPerPixel, 32);
    for (int32_t i = 0; i < 28 * 3; ++i)
    {
        ASSERT_EQ(buffer->pixels[i], 0) << i;
    }
    CPixelBuffer::Free(buffer);
}

TEST(PixelBufferCreate, RefusesNegativeAndAbsurdSizesButTakesEmptyOnes)
{
    EXPECT_EQ(CPixelBuffer::Create(-1, 4), nullptr);
    EXPECT_EQ(CPixelBuffer::Create(4, -1), nullptr);
    EXPECT_EQ(CPixelBuffer::Create(0x7FFFFFFF, 2), nullptr);
    EXPECT_EQ(CPixelBuffer::Create(65535, 65535), nullptr);
    CPixelBuffer* empty = CPixelBuffer::Create(0, 5);
    ASSERT_NE(empty, nullptr);
    FillPixelBuffer(empty, 5, 5, 0xFFFFFFFFu);
    GreyPixelBuffer(empty);
    CPixelBuffer::Free(empty);
    CPixelBuffer::Free(nullptr);
}

TEST_F(PixelBufferTest, Fill32WritesTheColourWordAsBgraAndClampsToTheBuffer)
{
    CPixelBuffer* buffer = CPixelBuffer::Create(3, 2);
    FillPixelBuffer(buffer, 1, 2, 0x11223344u);
    const uint8_t expected[24] = {0x44, 0x33, 0x22, 0x11, 0x44, 0x33, 0x22, 0x11, 0, 0, 0, 0,
                                  0,    0,    0,    0,    0,    0,    0,    0,    0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(buffer->pixels, expected, sizeof expected));
    FillPixelBuffer(buffer, 100, 100, 0x80FFFFFFu);
    for (int32_t i = 0; i < 24; i += 4)
    {
        EXPECT_EQ(0, std::memcmp(buffer->pixels + i, "\xFF\xFF\xFF\x80", 4)) << i;
    }
    CPixelBuffer::Free(buffer);
}

TEST_F(PixelBufferTest, Fill24WritesBlueGreenRedAndIgnoresTheAlphaByte)
{
    Surface surface(3, 2, 24, 0xEE);
    FillPixelBuffer(&surface.header, 2, 3, 0xAA112233u);
    for (int32_t y = 0; y < 2; ++y)
    {
        const uint8_t* row = surface.header.Row(y);
        EXPECT_EQ(0, std::memcmp(row, "\x33\x22\x11\x33\x22\x11\x33\x22\x11", 9)) << y;
        for (int32_t i = 9; i < surface.header.stride; ++i)
        {
            EXPECT_EQ(row[i], 0xEE) << "row padding written at " << i;
        }
    }
}

TEST_F(PixelBufferTest, FillLeavesTheBufferAloneForNegativeSizesAndOtherDepths)
{
    struct Case
    {
        int32_t width, height;
        uint8_t depth;
        int32_t rows, columns;
    };
    const Case cases[] = {
        {4, 4, 32, -1, 4}, {4, 4, 32, 4, -1}, {-4, 4, 32, 4, 4},
        {4, -4, 32, 4, 4}, {4, 4, 16, 4, 4},  {4, 4, 8, 4, 4},
    };
    for (const Case& c : cases)
    {
        Surface surface(4, 4, 32, 0x5A);
        surface.header.width = c.width;
        surface.header.height = c.height;
        surface.header.bitsPerPixel = c.depth;
        FillPixelBuffer(&surface.header, c.rows, c.columns, 0xFFFFFFFFu);
        for (uint8_t byte : surface.bytes)
        {
            ASSERT_EQ(byte, 0x5A) << c.width << "x" << c.height << " depth " << int(c.depth) << " fill "
                                  << c.rows << "x" << c.columns;
        }
    }
}

TEST_F(PixelBufferTest, GreyUsesLumaWeightsAndKeepsAlpha)
{
    struct Case
    {
        uint32_t colour;
        uint8_t grey;
    };
    const Case cases[] = {
        {0x10FF0000u, 76},  {0x200000FFu, 29}, {0x3000FF00u, 149},
        {0xFFFFFFFFu, 255}, {0x00000000u, 0},  {0x40808080u, 128},
    };
    CPixelBuffer* buffer = CPixelBuffer::Create(1, 1);
    for (const Case& c : cases)
    {
        FillPixelBuffer(buffer, 1, 1, c.colour);
        GreyPixelBuffer(buffer);
        const uint8_t expected[4] = {c.grey, c.grey, c.grey, static_cast<uint8_t>(c.colour >> 24)};
        EXPECT_EQ(0, std::memcmp(buffer->pixels, expected, 4)) << std::hex << c.colour;
    }
    CPixelBuffer::Free(buffer);
}

TEST_F(PixelBufferTest, GreyTouchesOnlyThirtyTwoBitBuffers)
{
    Surface surface(2, 2, 24, 0);
    FillPixelBuffer(&surface.header, 2, 2, 0x0000FF);
    const std::vector<uint8_t> before = surface.bytes;
    GreyPixelBuffer(&surface.header);
    EXPECT_EQ(surface.bytes, before);
}
} // namespace

#include <gtest/gtest.h>

#include <vector>

#include "render/GlyphCoverage.h"

namespace
{
FT_Bitmap MakeBitmap(unsigned char mode, unsigned rows, unsigned width, int pitch,
                     std::vector<uint8_t>& bytes)
{
    FT_Bitmap bitmap{};
    bitmap.rows = rows;
    bitmap.width = width;
    bitmap.pitch = pitch;
    bitmap.buffer = bytes.data();
    bitmap.pixel_mode = mode;
    return bitmap;
}

std::vector<uint8_t> Convert(const FT_Bitmap& bitmap)
{
    uint8_t* coverage = nullptr;
    const bool owned = GlyphToCoverage(&bitmap, &coverage);
    std::vector<uint8_t> out;
    if (coverage != nullptr)
        out.assign(coverage, coverage + bitmap.rows * bitmap.width);
    if (owned)
        delete[] coverage;
    return out;
}

TEST(TextGlyphCoverage, MonoRowsAreReadByTheirPitch)
{
    // 10 pixels a row need 2 bytes, but FreeType pads rows to 4; the padding must not be read as
    // the next row.
    std::vector<uint8_t> bytes = {0xC0, 0x40, 0xEE, 0xEE,                        // row 0: pixels 0, 1 and 9
                                  0x00, 0x80, 0xEE, 0xEE};                       // row 1: pixel 8
    const std::vector<uint8_t> expected = {255, 255, 0, 0, 0, 0, 0, 0, 0,   255, //
                                           0,   0,   0, 0, 0, 0, 0, 0, 255, 0};
    EXPECT_EQ(Convert(MakeBitmap(FT_PIXEL_MODE_MONO, 2, 10, 4, bytes)), expected);
    // A negative pitch stores the bottom row first.
    std::vector<uint8_t> flipped = {0x00, 0x80, 0xEE, 0xEE, 0xC0, 0x40, 0xEE, 0xEE};
    EXPECT_EQ(Convert(MakeBitmap(FT_PIXEL_MODE_MONO, 2, 10, -4, flipped)), expected);
}

TEST(TextGlyphCoverage, GreyLevelsOfEveryPixelMode)
{
    struct Case
    {
        unsigned char mode;
        unsigned width;
        int pitch;
        std::vector<uint8_t> bytes;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {FT_PIXEL_MODE_GRAY2, 5, 2, {0x1B, 0xC0}, {0, 63, 127, 191, 191}},
        {FT_PIXEL_MODE_GRAY4, 3, 2, {0x0F, 0x80}, {0, 240, 128}},
        {FT_PIXEL_MODE_GRAY, 3, 3, {0, 9, 255}, {0, 9, 255}},
        {FT_PIXEL_MODE_GRAY, 3, 4, {7, 8, 9, 99}, {7, 8, 9}},
    };
    for (const Case& c : cases)
    {
        std::vector<uint8_t> bytes = c.bytes;
        EXPECT_EQ(Convert(MakeBitmap(c.mode, 1, c.width, c.pitch, bytes)), c.expected) << int(c.mode);
    }
}

TEST(TextGlyphCoverage, EmptyShortOrUnknownBitmapsGiveNothing)
{
    std::vector<uint8_t> bytes(64, 0xFF);
    struct Case
    {
        unsigned char mode;
        unsigned rows, width;
        int pitch;
    };
    const Case cases[] = {
        {FT_PIXEL_MODE_GRAY, 0, 4, 4},  {FT_PIXEL_MODE_GRAY, 4, 0, 4}, // no pixels
        {FT_PIXEL_MODE_MONO, 2, 17, 2},                                // pitch shorter than a row
        {FT_PIXEL_MODE_GRAY, 2, 8, -4},                                // the same, stored upwards
        {FT_PIXEL_MODE_LCD, 2, 4, 12},                                 // not a coverage mode
    };
    for (const Case& c : cases)
    {
        uint8_t* coverage = reinterpret_cast<uint8_t*>(1);
        FT_Bitmap bitmap = MakeBitmap(c.mode, c.rows, c.width, c.pitch, bytes);
        EXPECT_FALSE(GlyphToCoverage(&bitmap, &coverage));
        EXPECT_EQ(coverage, nullptr);
    }
}
} // namespace

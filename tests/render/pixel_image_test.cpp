#include "render/BlendTables.h"
#include "render/PixelBuffer.h"
#include "support/pixel_fixtures.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
class PixelImageTest : public BlendTablesTest
{
};

struct BitmapDeleter
{
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using BitmapPtr = std::unique_ptr<FIBITMAP, BitmapDeleter>;

BufferPtr Filled(int32_t width, int32_t height, uint32_t colour)
{
    BufferPtr buffer(CPixelBuffer::Create(width, height));
    FillPixelBuffer(buffer.get(), height, width, colour);
    return buffer;
}

// A 32-bit bitmap; `rows` lists the B, G, R, A pixels row by row from the TOP, as the image is seen.
BitmapPtr Bitmap32(int32_t width, int32_t height, const std::vector<Pixel>& rows)
{
    BitmapPtr bitmap(FreeImage_Allocate(width, height, 32));
    for (int32_t y = 0; y < height; ++y)
    {
        uint8_t* line = FreeImage_GetScanLine(bitmap.get(), height - 1 - y);
        for (int32_t x = 0; x < width; ++x)
        {
            std::memcpy(line + x * 4, rows[y * width + x].data(), 4);
        }
    }
    return bitmap;
}

BitmapPtr Bitmap16(uint16_t word, unsigned red, unsigned green, unsigned blue)
{
    BitmapPtr bitmap(FreeImage_Allocate(1, 1, 16, red, green, blue));
    uint8_t* line = FreeImage_GetScanLine(bitmap.get(), 0);
    line[0] = static_cast<uint8_t>(word);
    line[1] = static_cast<uint8_t>(word >> 8);
    return bitmap;
}

TEST(PixelBitmapPixel, ReadsEachDepth)
{
    struct Case
    {
        const char* name;
        std::vector<uint8_t> line;
        int32_t depth;
        bool is565;
        Pixel pixel;
    };
    const Case cases[] = {
        {"32 as stored", {0, 0, 0, 0, 1, 2, 3, 4}, 32, false, {1, 2, 3, 4}},
        {"24 opaque", {0, 0, 0, 9, 8, 7}, 24, false, {9, 8, 7, 255}},
        {"565 red", {0, 0, 0x00, 0xF8}, 16, true, {0, 0, 255, 255}},
        {"565 green", {0, 0, 0xE0, 0x07}, 16, true, {0, 255, 0, 255}},
        {"565 blue", {0, 0, 0x1F, 0x00}, 16, true, {255, 0, 0, 255}},
        {"565 middle", {0, 0, 0x10, 0x84}, 16, true, {131, 129, 131, 255}},
        {"555 red", {0, 0, 0x00, 0x7C}, 16, false, {0, 0, 255, 255}},
        {"555 green", {0, 0, 0xE0, 0x03}, 16, false, {0, 255, 0, 255}},
        {"555 reads bit 10 as red", {0, 0, 0x00, 0x04}, 16, false, {0, 0, 8, 255}},
        {"565 reads bit 10 as green", {0, 0, 0x00, 0x04}, 16, true, {0, 129, 0, 255}},
    };
    for (const Case& c : cases)
    {
        Pixel pixel{};
        ASSERT_TRUE(GetBitmapPixel(c.line.data(), 1, c.depth, c.is565, pixel.data())) << c.name;
        EXPECT_EQ(pixel, c.pixel) << c.name;
    }
    const uint8_t line[8] = {};
    Pixel pixel = {1, 1, 1, 1};
    for (int32_t depth : {1, 4, 8, 48, 64, 0})
    {
        EXPECT_FALSE(GetBitmapPixel(line, 0, depth, false, pixel.data())) << depth;
    }
    EXPECT_EQ(pixel, (Pixel{1, 1, 1, 1}));
}

TEST_F(PixelImageTest, SixteenBitImagesAreFiveSixFiveOnlyForItsExactMasks)
{
    struct Case
    {
        const char* name;
        unsigned red, green, blue;
        Pixel pixel; // the word 0x0400
    };
    const Case cases[] = {
        {"5-6-5 masks", FI16_565_RED_MASK, FI16_565_GREEN_MASK, FI16_565_BLUE_MASK, {0, 129, 0, 255}},
        {"5-5-5 masks", FI16_555_RED_MASK, FI16_555_GREEN_MASK, FI16_555_BLUE_MASK, {0, 0, 8, 255}},
        {"other masks", 0xF800, 0x07C0, 0x001F, {0, 0, 8, 255}},
    };
    for (const Case& c : cases)
    {
        BitmapPtr bitmap = Bitmap16(0x0400, c.red, c.green, c.blue);
        BufferPtr buffer = Filled(1, 1, 0);
        DrawImage(bitmap.get(), buffer.get(), 0, 0);
        EXPECT_EQ(At(buffer.get(), 0, 0), c.pixel) << c.name;
    }
}

TEST_F(PixelImageTest, DrawPlacesTheTopRowFirstAndBlendsByEachPixelsAlpha)
{
    // Top row: opaque red, transparent green; bottom row: half blue, opaque white.
    BitmapPtr bitmap =
        Bitmap32(2, 2, {{0, 0, 255, 255}, {0, 255, 0, 0}, {255, 0, 0, 128}, {255, 255, 255, 255}});
    BufferPtr buffer = Filled(3, 3, 0xFF000000u);
    DrawImage(bitmap.get(), buffer.get(), 1, 1);
    EXPECT_EQ(At(buffer.get(), 0, 0), (Pixel{0, 0, 0, 255}));
    EXPECT_EQ(At(buffer.get(), 1, 1), (Pixel{0, 0, 255, 255}));
    EXPECT_EQ(At(buffer.get(), 2, 1), (Pixel{0, 0, 0, 255})) << "alpha 0 is skipped";
    EXPECT_EQ(At(buffer.get(), 1, 2), (Pixel{128, 0, 0, 255}));
    EXPECT_EQ(At(buffer.get(), 2, 2), (Pixel{255, 255, 255, 255}));

    BufferPtr clipped = Filled(1, 1, 0);
    DrawImage(bitmap.get(), clipped.get(), -1, -1);
    EXPECT_EQ(At(clipped.get(), 0, 0), (Pixel{255, 255, 255, 255})) << "the bottom-right pixel only";
    DrawImage(bitmap.get(), clipped.get(), 1, 0);
    DrawImage(bitmap.get(), clipped.get(), INT32_MIN, INT32_MIN);
    EXPECT_EQ(At(clipped.get(), 0, 0), (Pixel{255, 255, 255, 255}));
}

TEST_F(PixelImageTest, DrawOntoTwentyFourBitBuffer)
{
    BitmapPtr bitmap = Bitmap32(2, 1, {{0, 0, 255, 255}, {255, 0, 0, 128}});
    std::vector<uint8_t> bytes(8, 0);
    bytes[6] = 0x77; // the row's padding
    CPixelBuffer buffer{2, 1, 8, 24, bytes.data()};
    DrawImage(bitmap.get(), &buffer, 0, 0);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0, 0, 255, 128, 0, 0, 0x77, 0}));
    buffer.bitsPerPixel = 16;
    DrawImage(bitmap.get(), &buffer, 0, 0);
    EXPECT_EQ(bytes[3], 128) << "other depths get nothing";
}

TEST_F(PixelImageTest, PaletteImagesAreExpandedThroughTheirPalette)
{
    struct Case
    {
        int32_t depth;
        uint8_t first, second; // palette indices of pixels 0 and 1 as packed bytes of the line
    };
    const Case cases[] = {
        {8, 0, 0}, // filled below per depth
        {4, 0, 0},
        {1, 0, 0},
    };
    for (const Case& c : cases)
    {
        BitmapPtr bitmap(FreeImage_Allocate(2, 2, c.depth));
        RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
        ASSERT_NE(palette, nullptr);
        palette[0] = RGBQUAD{10, 20, 30, 0};
        palette[1] = RGBQUAD{40, 50, 60, 0};
        // Top row (scan line 1): index 1, index 0; bottom row: index 0, index 1.
        uint8_t* top = FreeImage_GetScanLine(bitmap.get(), 1);
        uint8_t* bottom = FreeImage_GetScanLine(bitmap.get(), 0);
        if (c.depth == 8)
        {
            top[0] = 1, top[1] = 0, bottom[0] = 0, bottom[1] = 1;
        }
        else if (c.depth == 4)
        {
            top[0] = 0x10, bottom[0] = 0x01;
        }
        else
        {
            top[0] = 0x80, bottom[0] = 0x40;
        }
        BufferPtr buffer = Filled(2, 2, 0);
        DrawImage(bitmap.get(), buffer.get(), 0, 0);
        EXPECT_EQ(At(buffer.get(), 0, 0), (Pixel{40, 50, 60, 255})) << c.depth;
        EXPECT_EQ(At(buffer.get(), 1, 0), (Pixel{10, 20, 30, 255})) << c.depth;
        EXPECT_EQ(At(buffer.get(), 0, 1), (Pixel{10, 20, 30, 255})) << c.depth;
        EXPECT_EQ(At(buffer.get(), 1, 1), (Pixel{40, 50, 60, 255})) << c.depth;
        BufferPtr scaled = Filled(4, 4, 0);
        DrawImageScaled(bitmap.get(), scaled.get(), 4, 4);
        EXPECT_EQ(At(scaled.get(), 3, 3), (Pixel{40, 50, 60, 255})) << c.depth << " scaled";
    }
}

TEST_F(PixelImageTest, ImagesWithoutADefinedPixelDrawNothing)
{
    BitmapPtr grey16(FreeImage_AllocateT(FIT_UINT16, 2, 2, 16));
    BitmapPtr rgb16(FreeImage_AllocateT(FIT_RGB16, 2, 2, 48));
    for (FIBITMAP* bitmap : {grey16.get(), rgb16.get(), static_cast<FIBITMAP*>(nullptr)})
    {
        BufferPtr buffer = Filled(2, 2, 0);
        DrawImage(bitmap, buffer.get(), 0, 0);
        DrawImageScaled(bitmap, buffer.get(), 2, 2);
        DrawImageFillTint(bitmap, buffer.get(), nullptr, 0, 0, -1, -1, 0xFFFFFFFFu);
        DrawImageBorderTint(bitmap, buffer.get(), nullptr, 0, 0, -1, -1, 0xFFFFFFFFu);
        EXPECT_EQ(At(buffer.get(), 0, 0), (Pixel{0, 0, 0, 0}));
    }
}

TEST_F(PixelImageTest, ScaledDrawToTwiceTheSizeRepeatsEveryPixel)
{
    const std::vector<Pixel> pixels = {{1, 0, 0, 255}, {2, 0, 0, 255}, {3, 0, 0, 255}, {4, 0, 0, 255}};
    BitmapPtr bitmap = Bitmap32(2, 2, pixels);
    BufferPtr buffer = Filled(5, 5, 0);
    DrawImageScaled(bitmap.get(), buffer.get(), 4, 4);
    for (int32_t y = 0; y < 5; ++y)
    {
        for (int32_t x = 0; x < 5; ++x)
        {
            const uint8_t expected = (x < 4 && y < 4) ? pixels[(y / 2) * 2 + x / 2][0] : 0;
            EXPECT_EQ(At(buffer.get(), x, y)[0], expected) << x << "," << y;
        }
    }
}

TEST_F(PixelImageTest, ScaledDrawSizes)
{
    const std::vector<Pixel> pixels = {{1, 0, 0, 255}, {2, 0, 0, 255}};
    BitmapPtr bitmap = Bitmap32(2, 1, pixels);
    struct Case
    {
        const char* name;
        int32_t width, height;
        std::vector<uint8_t> row; // first row of a 4 x 2 buffer
    };
    const Case cases[] = {
        {"own size", -1, -1, {1, 2, 0, 0}},      {"three wide", 3, 1, {1, 1, 2, 0}},
        {"shrunk to one", 1, 1, {1, 0, 0, 0}},   {"wider than the buffer", 8, 1, {1, 1, 1, 1}},
        {"zero width", 0, 1, {0, 0, 0, 0}},      {"zero height", 2, 0, {0, 0, 0, 0}},
        {"negative width", -2, 1, {0, 0, 0, 0}}, {"negative height", 2, -5, {0, 0, 0, 0}},
    };
    for (const Case& c : cases)
    {
        BufferPtr buffer = Filled(4, 2, 0);
        DrawImageScaled(bitmap.get(), buffer.get(), c.width, c.height);
        for (int32_t x = 0; x < 4; ++x)
        {
            EXPECT_EQ(At(buffer.get(), x, 0)[0], c.row[x]) << c.name << " column " << x;
        }
    }
}

// An image wider than 65535 pixels: its 16.16 position passes 2^32 (a 32-bit step would wrap and
// sample the wrong pixel).
TEST_F(PixelImageTest, ScaledDrawOfAVeryWideImageSamplesTheRightPixels)
{
    const int32_t width = 70000;
    BitmapPtr bitmap(FreeImage_Allocate(width, 1, 32));
    uint8_t* line = FreeImage_GetScanLine(bitmap.get(), 0);
    for (int32_t x = 0; x < width; ++x)
    {
        const uint8_t pixel[4] = {static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8),
                                  static_cast<uint8_t>(x >> 16), 255};
        std::memcpy(line + x * 4, pixel, 4);
    }
    auto index = [](const Pixel& p) { return p[0] | (p[1] << 8) | (p[2] << 16); };
    BufferPtr halves = Filled(2, 1, 0);
    DrawImageScaled(bitmap.get(), halves.get(), 2, 1);
    EXPECT_EQ(index(At(halves.get(), 1, 0)), 35000);
    BufferPtr whole = Filled(width, 1, 0);
    DrawImageScaled(bitmap.get(), whole.get(), -1, -1);
    EXPECT_EQ(index(At(whole.get(), width - 1, 0)), width - 1);
    EXPECT_EQ(index(At(whole.get(), 65536, 0)), 65536);
}

TEST_F(PixelImageTest, FillTintUsesRedTimesAlphaAsCoverageOfThePremultipliedColour)
{
    // Full coverage, half coverage by red, half by alpha, none.
    BitmapPtr mask = Bitmap32(4, 1, {{9, 9, 255, 255}, {9, 9, 128, 255}, {9, 9, 255, 128}, {9, 9, 0, 255}});
    const uint32_t colour = 0x80FF0000u; // red at alpha 128: premultiplied (0, 0, 128, 64)
    BufferPtr buffer = Filled(4, 1, 0xFF0000FFu);
    DrawImageFillTint(mask.get(), buffer.get(), nullptr, 0, 0, -1, -1, colour);
    EXPECT_EQ(At(buffer.get(), 0, 0), (Pixel{0, 0, 128, 64})) << "weight 255 copies the tint, alpha too";
    EXPECT_EQ(At(buffer.get(), 1, 0), (Pixel{127, 0, 64, 255}));
    EXPECT_EQ(At(buffer.get(), 2, 0), (Pixel{127, 0, 64, 255}));
    EXPECT_EQ(At(buffer.get(), 3, 0), (Pixel{255, 0, 0, 255}));

    BufferPtr untouched = Filled(4, 1, 0xFF0000FFu);
    DrawImageFillTint(mask.get(), untouched.get(), nullptr, 0, 0, -1, -1, 0x00FFFFFFu);
    for (int32_t x = 0; x < 4; ++x)
    {
        EXPECT_EQ(At(untouched.get(), x, 0), (Pixel{255, 0, 0, 255})) << "a transparent colour draws nothing";
    }
}

TEST_F(PixelImageTest, CutOutMultipliesTheBufferByTheImagesAlpha)
{
    BitmapPtr mask = Bitmap32(3, 1, {{0, 0, 0, 255}, {0, 0, 0, 128}, {0, 0, 0, 0}});
    struct Case
    {
        uint32_t colour;
        std::vector<Pixel> after;
    };
    const Case cases[] = {
        {0x01000000u, {{200, 100, 50, 255}, {100, 50, 25, 128}, {0, 0, 0, 0}}},
        {0x00FFFFFFu, {{200, 100, 50, 255}, {200, 100, 50, 255}, {200, 100, 50, 255}}}, // switched off
    };
    for (const Case& c : cases)
    {
        BufferPtr buffer = Filled(3, 1, 0xFF3264C8u);
        DrawImageCutOut(mask.get(), buffer.get(), nullptr, 0, 0, -1, -1, c.colour);
        for (int32_t x = 0; x < 3; ++x)
        {
            EXPECT_EQ(At(buffer.get(), x, 0), c.after[x]) << std::hex << c.colour << " column " << x;
        }
    }
}

TEST_F(PixelImageTest, BorderTintUsesGreenTimesAlphaAndClearsWhereTheImageIsTransparent)
{
    BitmapPtr border = Bitmap32(4, 1, {{9, 255, 9, 255}, {9, 128, 9, 255}, {9, 0, 9, 255}, {9, 255, 9, 0}});
    struct Case
    {
        uint32_t colour;
        std::vector<Pixel> after;
    };
    const Case cases[] = {
        {0xFF00FF00u, {{0, 255, 0, 255}, {127, 128, 0, 255}, {255, 0, 0, 255}, {0, 0, 0, 0}}},
        // Drawn whatever the colour's alpha: the premultiplied colour is transparent black.
        {0x0000FF00u, {{0, 0, 0, 0}, {127, 0, 0, 255}, {255, 0, 0, 255}, {0, 0, 0, 0}}},
    };
    for (const Case& c : cases)
    {
        BufferPtr buffer = Filled(4, 1, 0xFF0000FFu);
        DrawImageBorderTint(border.get(), buffer.get(), nullptr, 0, 0, -1, -1, c.colour);
        for (int32_t x = 0; x < 4; ++x)
        {
            EXPECT_EQ(At(buffer.get(), x, 0), c.after[x]) << std::hex << c.colour << " column " << x;
        }
    }
}

TEST_F(PixelImageTest, BorderTintOfAFullyTransparentImageClearsExactlyTheCoveredArea)
{
    BitmapPtr border(FreeImage_Allocate(3, 3, 32)); // all zero: alpha 0 everywhere
    BufferPtr buffer = Filled(5, 5, 0xFFFFFFFFu);
    DrawImageBorderTint(border.get(), buffer.get(), nullptr, 1, 1, -1, -1, 0xFF123456u);
    for (int32_t y = 0; y < 5; ++y)
    {
        for (int32_t x = 0; x < 5; ++x)
        {
            const bool covered = x >= 1 && x < 4 && y >= 1 && y < 4;
            EXPECT_EQ(At(buffer.get(), x, y)[3], covered ? 0 : 255) << x << "," << y;
        }
    }
}

// The mask passes share one clip rule: the image's rectangle at (x, y), of the given size or its
// own, cut to the clip rectangle and the buffer.
TEST_F(PixelImageTest, MaskPassesClipToTheRectangleAndTheBuffer)
{
    BitmapPtr border(FreeImage_Allocate(4, 4, 32)); // clears what it covers
    struct Case
    {
        const char* name;
        int32_t x, y, width, height;
        bool hasClip;
        PixelRect clip;
        PixelRect cleared;
    };
    const Case cases[] = {
        {"own size", 1, 1, -1, -1, false, {}, {1, 1, 5, 5}},
        {"smaller size", 1, 1, 2, 1, false, {}, {1, 1, 3, 2}},
        {"larger size keeps the image's", 0, 0, 9, 9, false, {}, {0, 0, 4, 4}},
        {"clip", 0, 0, -1, -1, true, {1, 2, 3, 9}, {1, 2, 3, 4}},
        {"off the buffer", 4, -2, -1, -1, false, {}, {4, 0, 6, 2}},
        {"clip outside the image", 0, 0, -1, -1, true, {4, 4, 6, 6}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases)
    {
        BufferPtr buffer = Filled(6, 6, 0xFFFFFFFFu);
        DrawImageBorderTint(border.get(), buffer.get(), c.hasClip ? &c.clip : nullptr, c.x, c.y, c.width,
                            c.height, 0xFFFFFFFFu);
        for (int32_t y = 0; y < 6; ++y)
        {
            for (int32_t x = 0; x < 6; ++x)
            {
                const bool cleared =
                    x >= c.cleared.left && x < c.cleared.right && y >= c.cleared.top && y < c.cleared.bottom;
                EXPECT_EQ(At(buffer.get(), x, y)[3], cleared ? 0 : 255) << c.name << " at " << x << "," << y;
            }
        }
    }
    std::vector<uint8_t> bytes(4 * 3, 0xFF);
    CPixelBuffer surface24{4, 1, 12, 24, bytes.data()};
    DrawImageBorderTint(border.get(), &surface24, nullptr, 0, 0, -1, -1, 0xFFFFFFFFu);
    EXPECT_EQ(bytes, std::vector<uint8_t>(12, 0xFF)) << "mask passes draw only on 32-bit buffers";
}

// A picture as the interface file carries it: made by ImageMagick, decoded by FreeImage.
TEST_F(PixelImageTest, DrawsAPngMadeByImageMagick)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("nerulan_pixel_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string file = (folder / "half.png").string();
    const std::string command =
        "/usr/bin/convert -size 2x1 xc:none -fill 'rgba(255,0,0,0.5)' -draw 'point 0,0' "
        "-fill 'rgb(0,0,255)' -draw 'point 1,0' PNG32:" +
        file + " 2>/dev/null";
    if (std::system(command.c_str()) != 0)
    {
        std::filesystem::remove_all(folder);
        GTEST_SKIP() << "ImageMagick is not available";
    }
    BitmapPtr bitmap(FreeImage_Load(FIF_PNG, file.c_str(), 0));
    std::filesystem::remove_all(folder);
    ASSERT_NE(bitmap, nullptr);
    BufferPtr buffer = Filled(2, 1, 0);
    DrawImage(bitmap.get(), buffer.get(), 0, 0);
    const Pixel half = At(buffer.get(), 0, 0);
    EXPECT_EQ(half[2], 255);
    EXPECT_NEAR(half[3], 128, 1);
    EXPECT_EQ(At(buffer.get(), 1, 0), (Pixel{255, 0, 0, 255}));
}
} // namespace

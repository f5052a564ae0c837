#include "render/GlyphCoverage.h"

#include <cstdlib>
#include <cstring>

namespace
{
int32_t BytesPerRow(unsigned char pixelMode, int32_t width)
{
    switch (pixelMode)
    {
    case FT_PIXEL_MODE_GRAY:
        return width;
    case FT_PIXEL_MODE_MONO:
        return (width + 7) / 8;
    case FT_PIXEL_MODE_GRAY2:
        return (width + 3) / 4;
    case FT_PIXEL_MODE_GRAY4:
        return (width + 1) / 2;
    default:
        return -1;
    }
}

const uint8_t* SourceRow(const FT_Bitmap* bitmap, int32_t row)
{
    const int32_t rows = static_cast<int32_t>(bitmap->rows);
    if (bitmap->pitch >= 0)
        return bitmap->buffer + static_cast<intptr_t>(row) * bitmap->pitch;
    // Bottom row first in memory: the top row is the last one.
    return bitmap->buffer + static_cast<intptr_t>(rows - 1 - row) * -static_cast<intptr_t>(bitmap->pitch);
}

uint8_t PixelLevel(unsigned char pixelMode, const uint8_t* row, int32_t x)
{
    switch (pixelMode)
    {
    case FT_PIXEL_MODE_MONO:
        return (row[x >> 3] & (0x80 >> (x & 7))) != 0 ? 255 : 0;
    case FT_PIXEL_MODE_GRAY2:
    {
        const int32_t value = (row[x >> 2] >> (6 - 2 * (x & 3))) & 3;
        return static_cast<uint8_t>(value == 0 ? 0 : value * 64 - 1);
    }
    case FT_PIXEL_MODE_GRAY4:
        return static_cast<uint8_t>(16 * ((row[x >> 1] >> ((x & 1) != 0 ? 0 : 4)) & 15));
    default:
        return row[x];
    }
}
} // namespace

bool GlyphToCoverage(const FT_Bitmap* bitmap, uint8_t** coverage)
{
    *coverage = nullptr;
    if (bitmap == nullptr || bitmap->buffer == nullptr)
        return false;
    const int32_t rows = static_cast<int32_t>(bitmap->rows);
    const int32_t width = static_cast<int32_t>(bitmap->width);
    if (rows <= 0 || width <= 0)
        return false;
    const int32_t rowBytes = BytesPerRow(bitmap->pixel_mode, width);
    const int64_t pitch = bitmap->pitch < 0 ? -static_cast<int64_t>(bitmap->pitch) : bitmap->pitch;
    if (rowBytes < 0 || pitch < rowBytes)
        return false;
    if (bitmap->pixel_mode == FT_PIXEL_MODE_GRAY && bitmap->pitch == width)
    {
        *coverage = bitmap->buffer;
        return false;
    }
    uint8_t* out = new uint8_t[static_cast<size_t>(rows) * static_cast<size_t>(width)];
    for (int32_t y = 0; y < rows; ++y)
    {
        const uint8_t* source = SourceRow(bitmap, y);
        uint8_t* target = out + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int32_t x = 0; x < width; ++x)
            target[x] = PixelLevel(bitmap->pixel_mode, source, x);
    }
    *coverage = out;
    return true;
}

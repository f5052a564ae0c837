#include "render/BlendTables.h"
#include "render/PixelBuffer.h"

#include <FreeImage.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

// Drawing of decoded FreeImage bitmaps (rows stored bottom-up) into pixel buffers.

namespace
{
// Hands out image rows counted from the top in a depth GetBitmapPixel reads: palette images are
// expanded to 32 bits one row at a time into one scratch row, allocated once per drawing call.
class ImageRows
{
public:
    explicit ImageRows(FIBITMAP* bitmap) : m_bitmap(bitmap)
    {
        if (bitmap == nullptr || !FreeImage_HasPixels(bitmap) || FreeImage_GetImageType(bitmap) != FIT_BITMAP)
        {
            return;
        }
        const unsigned width = FreeImage_GetWidth(bitmap);
        const unsigned height = FreeImage_GetHeight(bitmap);
        if (width == 0 || height == 0 || width > INT32_MAX / 4 || height > INT32_MAX)
        {
            return;
        }
        m_width = static_cast<int32_t>(width);
        m_height = static_cast<int32_t>(height);
        m_depth = static_cast<int32_t>(FreeImage_GetBPP(bitmap));
        m_is565 = FreeImage_GetRedMask(bitmap) == 0xF800 && FreeImage_GetGreenMask(bitmap) == 0x07E0 &&
                  FreeImage_GetBlueMask(bitmap) == 0x001F;
        if (m_depth == 1 || m_depth == 4 || m_depth == 8)
        {
            m_palette = FreeImage_GetPalette(bitmap);
            m_scratch = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(m_width) * 4));
            m_valid = m_palette != nullptr && m_scratch != nullptr;
        }
        else
        {
            // Other depths define no pixel: such an image draws nothing.
            m_valid = m_depth == 16 || m_depth == 24 || m_depth == 32;
        }
    }
    ~ImageRows() { std::free(m_scratch); }
    ImageRows(const ImageRows&) = delete;
    ImageRows& operator=(const ImageRows&) = delete;

    bool Valid() const { return m_valid; }
    int32_t Width() const { return m_valid ? m_width : 0; }
    int32_t Height() const { return m_valid ? m_height : 0; }
    bool Is565() const { return m_is565; }
    // The depth of the rows that Row returns.
    int32_t RowDepth() const { return m_scratch != nullptr ? 32 : m_depth; }

    // Row `row` (0 = top, below Height()) in RowDepth().
    const uint8_t* Row(int32_t row)
    {
        uint8_t* line = FreeImage_GetScanLine(m_bitmap, m_height - 1 - row);
        if (m_scratch == nullptr || line == nullptr)
        {
            return line;
        }
        if (row != m_expandedRow)
        {
            Expand(line);
            m_expandedRow = row;
        }
        return m_scratch;
    }

private:
    void Expand(uint8_t* line)
    {
        if (m_depth == 1)
        {
            FreeImage_ConvertLine1To32(m_scratch, line, m_width, m_palette);
        }
        else if (m_depth == 4)
        {
            FreeImage_ConvertLine4To32(m_scratch, line, m_width, m_palette);
        }
        else
        {
            FreeImage_ConvertLine8To32(m_scratch, line, m_width, m_palette);
        }
    }

    FIBITMAP* m_bitmap;
    RGBQUAD* m_palette = nullptr;
    uint8_t* m_scratch = nullptr;
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_depth = 0;
    int32_t m_expandedRow = -1;
    bool m_is565 = false;
    bool m_valid = false;
};

bool TablesAndPixels(const CPixelBuffer* buffer)
{
    return g_BlendTables != nullptr && buffer != nullptr && buffer->pixels != nullptr;
}

// Blends one image pixel by its own alpha (alpha 0 is skipped).
inline void DrawImagePixel(uint8_t* pixel, const uint8_t* colour, int32_t depth)
{
    if (colour[3] == 0)
    {
        return;
    }
    if (depth == 32)
    {
        BlendPixel32(pixel, colour[3], colour);
    }
    else
    {
        BlendPixel24(pixel, colour[3], colour);
    }
}

uint8_t ColourByte(uint32_t colour, int shift)
{
    return static_cast<uint8_t>(colour >> shift);
}

// The destination area of a mask pass, with the image pixel of its top-left corner.
struct MaskArea
{
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
    int64_t imageX;
    int64_t imageY;
};

bool CutMaskArea(const ImageRows& rows, const CPixelBuffer* buffer, const PixelRect* clip, int32_t x,
                 int32_t y, int32_t width, int32_t height, MaskArea* area)
{
    const int64_t w = width < 0 ? rows.Width() : std::min(width, rows.Width());
    const int64_t h = height < 0 ? rows.Height() : std::min(height, rows.Height());
    int64_t left = std::max<int64_t>(x, 0);
    int64_t top = std::max<int64_t>(y, 0);
    int64_t right = std::min<int64_t>(int64_t{x} + w, buffer->width);
    int64_t bottom = std::min<int64_t>(int64_t{y} + h, buffer->height);
    if (clip != nullptr)
    {
        left = std::max<int64_t>(left, clip->left);
        top = std::max<int64_t>(top, clip->top);
        right = std::min<int64_t>(right, clip->right);
        bottom = std::min<int64_t>(bottom, clip->bottom);
    }
    if (left >= right || top >= bottom)
    {
        return false;
    }
    *area = MaskArea{static_cast<int32_t>(left),
                     static_cast<int32_t>(top),
                     static_cast<int32_t>(right),
                     static_cast<int32_t>(bottom),
                     left - x,
                     top - y};
    return true;
}

enum class MaskPass
{
    FillTint,
    CutOut,
    BorderTint,
};

inline void MaskPixel(MaskPass pass, uint8_t* pixel, const uint8_t* image, const uint8_t* tint)
{
    const uint8_t alpha = image[3];
    switch (pass)
    {
    case MaskPass::FillTint:
    {
        // The image's red channel times its alpha is the coverage.
        const uint8_t weight = BlendProduct(image[2], alpha);
        if (weight > 0)
        {
            BlendPixel32(pixel, weight, tint);
        }
        break;
    }
    case MaskPass::CutOut:
        if (alpha < 255)
        {
            ScalePixel32(alpha, pixel, pixel);
        }
        break;
    case MaskPass::BorderTint:
        if (alpha == 0)
        {
            // The transparent parts of a border image cut the item away.
            std::memset(pixel, 0, 4);
        }
        else
        {
            const uint32_t weight = (static_cast<uint32_t>(image[1]) * (alpha + 1u)) >> 8;
            if (weight > 0)
            {
                BlendPixel32(pixel, static_cast<uint8_t>(weight), tint);
            }
        }
        break;
    }
}

void RunMaskPass(MaskPass pass, FIBITMAP* bitmap, CPixelBuffer* buffer, const PixelRect* clip, int32_t x,
                 int32_t y, int32_t width, int32_t height, uint32_t colour)
{
    if (!TablesAndPixels(buffer) || buffer->bitsPerPixel != 32)
    {
        return;
    }
    const uint8_t colourAlpha = ColourByte(colour, 24);
    if (colourAlpha == 0 && pass != MaskPass::BorderTint)
    {
        return;
    }
    ImageRows rows(bitmap);
    MaskArea area{};
    if (!rows.Valid() || !CutMaskArea(rows, buffer, clip, x, y, width, height, &area))
    {
        return;
    }
    // The tint is the colour premultiplied by its own alpha, all four bytes.
    const uint8_t colourBytes[4] = {ColourByte(colour, 0), ColourByte(colour, 8), ColourByte(colour, 16),
                                    colourAlpha};
    uint8_t tint[4];
    ScalePixel32(colourAlpha, colourBytes, tint);
    for (int32_t dy = area.top; dy < area.bottom; ++dy)
    {
        const uint8_t* line = rows.Row(static_cast<int32_t>(area.imageY + (dy - area.top)));
        if (line == nullptr)
        {
            continue;
        }
        uint8_t* pixel = buffer->Row(dy) + static_cast<size_t>(area.left) * 4;
        int32_t ix = static_cast<int32_t>(area.imageX);
        for (int32_t dx = area.left; dx < area.right; ++dx, ++ix, pixel += 4)
        {
            uint8_t image[4];
            if (GetBitmapPixel(line, ix, rows.RowDepth(), rows.Is565(), image))
            {
                MaskPixel(pass, pixel, image, tint);
            }
        }
    }
}
} // namespace

bool GetBitmapPixel(const uint8_t* scanLine, int32_t x, int32_t bitsPerPixel, bool is565, uint8_t* out)
{
    switch (bitsPerPixel)
    {
    case 32:
        std::memcpy(out, scanLine + static_cast<size_t>(x) * 4, 4);
        return true;
    case 24:
    {
        const uint8_t* p = scanLine + static_cast<size_t>(x) * 3;
        out[0] = p[0];
        out[1] = p[1];
        out[2] = p[2];
        out[3] = 255;
        return true;
    }
    case 16:
    {
        const uint8_t* p = scanLine + static_cast<size_t>(x) * 2;
        const uint32_t word = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8);
        if (is565)
        {
            out[2] = static_cast<uint8_t>(((word >> 11) & 0x1F) * 255 / 31);
            out[1] = static_cast<uint8_t>(((word >> 5) & 0x3F) * 255 / 63);
        }
        else
        {
            out[2] = static_cast<uint8_t>(((word >> 10) & 0x1F) * 255 / 31);
            out[1] = static_cast<uint8_t>(((word >> 5) & 0x1F) * 255 / 31);
        }
        out[0] = static_cast<uint8_t>((word & 0x1F) * 255 / 31);
        out[3] = 255;
        return true;
    }
    default:
        return false;
    }
}

void DrawImage(FIBITMAP* bitmap, CPixelBuffer* buffer, int32_t x, int32_t y)
{
    if (!TablesAndPixels(buffer) || (buffer->bitsPerPixel != 24 && buffer->bitsPerPixel != 32))
    {
        return;
    }
    ImageRows rows(bitmap);
    if (!rows.Valid())
    {
        return;
    }
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t{x} + rows.Width(), buffer->width);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + rows.Height(), buffer->height);
    const int32_t depth = buffer->bitsPerPixel;
    const int32_t bytesPerPixel = depth / 8;
    for (int64_t dy = top; dy < bottom; ++dy)
    {
        const uint8_t* line = rows.Row(static_cast<int32_t>(dy - y));
        if (line == nullptr)
        {
            continue;
        }
        uint8_t* pixel = buffer->Row(static_cast<int32_t>(dy)) + left * bytesPerPixel;
        for (int64_t dx = left; dx < right; ++dx, pixel += bytesPerPixel)
        {
            uint8_t colour[4];
            if (GetBitmapPixel(line, static_cast<int32_t>(dx - x), rows.RowDepth(), rows.Is565(), colour))
            {
                DrawImagePixel(pixel, colour, depth);
            }
        }
    }
}

void DrawImageScaled(FIBITMAP* bitmap, CPixelBuffer* buffer, int32_t targetWidth, int32_t targetHeight)
{
    if (!TablesAndPixels(buffer) || (buffer->bitsPerPixel != 24 && buffer->bitsPerPixel != 32))
    {
        return;
    }
    ImageRows rows(bitmap);
    if (!rows.Valid())
    {
        return;
    }
    const int64_t tw = targetWidth == -1 ? rows.Width() : targetWidth;
    const int64_t th = targetHeight == -1 ? rows.Height() : targetHeight;
    // The steps divide by the target size: a zero or negative target draws nothing.
    if (tw <= 0 || th <= 0)
    {
        return;
    }
    // 16.16 steps kept in 64 bits, so that neither a large image nor a long target row can wrap
    // the sample position past the image's edge.
    const uint64_t stepX = (static_cast<uint64_t>(rows.Width()) << 16) / static_cast<uint64_t>(tw);
    const uint64_t stepY = (static_cast<uint64_t>(rows.Height()) << 16) / static_cast<uint64_t>(th);
    const int32_t areaWidth = static_cast<int32_t>(std::min<int64_t>(buffer->width, tw));
    const int32_t areaHeight = static_cast<int32_t>(std::min<int64_t>(buffer->height, th));
    const int32_t depth = buffer->bitsPerPixel;
    const int32_t bytesPerPixel = depth / 8;
    for (int32_t j = 0; j < areaHeight; ++j)
    {
        const uint8_t* line = rows.Row(static_cast<int32_t>((j * stepY) >> 16));
        if (line == nullptr)
        {
            continue;
        }
        uint8_t* pixel = buffer->Row(j);
        for (int32_t i = 0; i < areaWidth; ++i, pixel += bytesPerPixel)
        {
            uint8_t colour[4];
            if (GetBitmapPixel(line, static_cast<int32_t>((i * stepX) >> 16), rows.RowDepth(), rows.Is565(),
                               colour))
            {
                DrawImagePixel(pixel, colour, depth);
            }
        }
    }
}

void DrawImageFillTint(FIBITMAP* bitmap, CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y,
                       int32_t width, int32_t height, uint32_t colour)
{
    RunMaskPass(MaskPass::FillTint, bitmap, buffer, clip, x, y, width, height, colour);
}

void DrawImageCutOut(FIBITMAP* bitmap, CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y,
                     int32_t width, int32_t height, uint32_t colour)
{
    RunMaskPass(MaskPass::CutOut, bitmap, buffer, clip, x, y, width, height, colour);
}

void DrawImageBorderTint(FIBITMAP* bitmap, CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y,
                         int32_t width, int32_t height, uint32_t colour)
{
    RunMaskPass(MaskPass::BorderTint, bitmap, buffer, clip, x, y, width, height, colour);
}

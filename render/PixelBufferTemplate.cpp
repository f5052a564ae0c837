#include "render/BlendTables.h"
#include "render/PixelBuffer.h"

#include <algorithm>

// Grey-and-alpha template pieces (frames, slider tracks and thumbs) drawn in a colour. The piece
// offsets and sizes come from the resource pack, so every piece is checked against the length of
// its data before a single pixel of it is read.

namespace
{
int32_t ReadEntry(const uint8_t* data, int32_t entry)
{
    const uint8_t* p = data + static_cast<size_t>(entry) * 4;
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

const uint8_t* PiecePixel(const TemplatePiece* piece, int32_t column, int32_t row)
{
    return piece->pixels + (static_cast<size_t>(row) * piece->width + column) * 2;
}

void BlendShade(uint8_t* pixel, const uint8_t* shadePixel)
{
    const uint8_t shade[4] = {shadePixel[0], shadePixel[0], shadePixel[0], 255};
    BlendPixel32(pixel, shadePixel[1], shade);
}

// Draws the piece, repeated from the origin, over the area [left, right) x [top, bottom) that
// lies inside the buffer. The piece's column and row advance and wrap instead of a division per
// pixel. A shade piece smaller than the piece gives no shade where it has no pixel.
void DrawPieceArea(CPixelBuffer* buffer, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   int64_t originX, int64_t originY, const TemplatePiece* piece, const TemplatePiece* shade,
                   uint32_t colour, int32_t mode)
{
    if (!IsTemplatePiecePresent(piece) || (mode != 0 && mode != 1))
    {
        return;
    }
    const bool hasShade = mode == 0 && IsTemplatePiecePresent(shade);
    const int32_t firstColumn = static_cast<int32_t>((left - originX) % piece->width);
    int32_t pieceRow = static_cast<int32_t>((top - originY) % piece->height);
    for (int32_t y = top; y < bottom; ++y)
    {
        uint8_t* pixel = buffer->Row(y) + static_cast<size_t>(left) * 4;
        int32_t pieceColumn = firstColumn;
        for (int32_t x = left; x < right; ++x, pixel += 4)
        {
            const uint8_t* source = PiecePixel(piece, pieceColumn, pieceRow);
            if (mode == 1)
            {
                BlendTemplatePixelGrey(pixel, source, colour);
            }
            else
            {
                const bool shadeHere = hasShade && pieceColumn < shade->width && pieceRow < shade->height;
                BlendTemplatePixel(pixel, source,
                                   shadeHere ? PiecePixel(shade, pieceColumn, pieceRow) : nullptr, colour);
            }
            if (++pieceColumn == piece->width)
            {
                pieceColumn = 0;
            }
        }
        if (++pieceRow == piece->height)
        {
            pieceRow = 0;
        }
    }
}

// Cuts [left, right) x [top, bottom), given in 64 bits, to the buffer and draws it.
void DrawClipped(CPixelBuffer* buffer, int64_t left, int64_t top, int64_t right, int64_t bottom,
                 int64_t originX, int64_t originY, const TemplatePiece* piece, const TemplatePiece* shade,
                 uint32_t colour, int32_t mode)
{
    if (g_BlendTables == nullptr || buffer == nullptr || buffer->pixels == nullptr ||
        buffer->bitsPerPixel != 32)
    {
        return;
    }
    left = std::max<int64_t>(left, 0);
    top = std::max<int64_t>(top, 0);
    right = std::min<int64_t>(right, buffer->width);
    bottom = std::min<int64_t>(bottom, buffer->height);
    if (left >= right || top >= bottom)
    {
        return;
    }
    DrawPieceArea(buffer, static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(right),
                  static_cast<int32_t>(bottom), originX, originY, piece, shade, colour, mode);
}

struct BarPieces
{
    TemplatePiece first;
    TemplatePiece middle;
    TemplatePiece last;
    TemplatePiece firstShade;
    TemplatePiece middleShade;
    TemplatePiece lastShade;
};
} // namespace

bool GetTemplatePiece(const uint8_t* data, int32_t length, int32_t entry, TemplatePiece* piece)
{
    if (piece == nullptr)
    {
        return false;
    }
    *piece = TemplatePiece{nullptr, 0, 0};
    if (data == nullptr || entry < 0 || length < 0 || (int64_t{entry} + 1) * 4 > length)
    {
        return false;
    }
    const int64_t offset = ReadEntry(data, entry);
    if (offset < 0 || offset + 2 > length)
    {
        return false;
    }
    const int32_t width = data[offset];
    const int32_t height = data[offset + 1];
    if (offset + 2 + int64_t{width} * height * 2 > length)
    {
        return false;
    }
    *piece = TemplatePiece{data + offset + 2, width, height};
    return true;
}

void BlendTemplatePixel(uint8_t* pixel, const uint8_t* piecePixel, const uint8_t* shadePixel, uint32_t colour)
{
    const uint8_t grey = piecePixel[0];
    const uint8_t alpha = piecePixel[1];
    if (grey > 0)
    {
        pixel[0] = BlendProduct(colour & 0xFF, grey);
        pixel[1] = BlendProduct((colour >> 8) & 0xFF, grey);
        pixel[2] = BlendProduct((colour >> 16) & 0xFF, grey);
        pixel[3] = alpha;
    }
    else if (alpha > 0)
    {
        const uint8_t tint[4] = {static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                                 static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 24)};
        BlendPixel32(pixel, alpha, tint);
    }
    if (alpha > 0 && shadePixel != nullptr)
    {
        BlendShade(pixel, shadePixel);
    }
}

void BlendTemplatePixelGrey(uint8_t* pixel, const uint8_t* piecePixel, uint32_t colour)
{
    const uint8_t grey = piecePixel[0];
    pixel[0] = pixel[1] = pixel[2] = grey;
    pixel[3] = 255;
    const uint8_t tint[4] = {static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                             static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 24)};
    BlendPixel32(pixel, static_cast<uint8_t>(255 - piecePixel[1]), tint);
}

void DrawTemplatePiece(CPixelBuffer* buffer, int32_t x, int32_t y, const TemplatePiece* piece,
                       const TemplatePiece* shade, uint32_t colour, int32_t mode)
{
    if (!IsTemplatePiecePresent(piece))
    {
        return;
    }
    DrawClipped(buffer, x, y, int64_t{x} + piece->width, int64_t{y} + piece->height, x, y, piece, shade,
                colour, mode);
}

void TileTemplateHorizontal(CPixelBuffer* buffer, int32_t x, int32_t y, int32_t length,
                            const TemplatePiece* piece, const TemplatePiece* shade, uint32_t colour,
                            int32_t mode)
{
    if (!IsTemplatePiecePresent(piece) || length <= 0)
    {
        return;
    }
    DrawClipped(buffer, x, y, int64_t{x} + length, int64_t{y} + piece->height, x, y, piece, shade, colour,
                mode);
}

void TileTemplateVertical(CPixelBuffer* buffer, int32_t x, int32_t y, int32_t length,
                          const TemplatePiece* piece, const TemplatePiece* shade, uint32_t colour,
                          int32_t mode)
{
    if (!IsTemplatePiecePresent(piece) || length <= 0)
    {
        return;
    }
    DrawClipped(buffer, x, y, int64_t{x} + piece->width, int64_t{y} + length, x, y, piece, shade, colour,
                mode);
}

void DrawThreePartBar(const uint8_t* thumbData, int32_t length, bool horizontal, CPixelBuffer* buffer,
                      uint32_t colour)
{
    if (thumbData == nullptr || buffer == nullptr || length < 4)
    {
        return;
    }
    const bool plain = ReadEntry(thumbData, ThumbVariant) < 0;
    // The plain variant draws the shade entries as its pieces, in grey, without shades.
    int32_t first = horizontal ? ThumbHorizontalLeft : ThumbVerticalTop;
    if (plain)
    {
        first = horizontal ? ThumbShadeHorizontalLeft : ThumbShadeVerticalTop;
    }
    const int32_t firstShade = horizontal ? ThumbShadeHorizontalLeft : ThumbShadeVerticalTop;
    BarPieces pieces{};
    // A piece that is missing or out of bounds stays empty: it draws nothing and takes no room.
    GetTemplatePiece(thumbData, length, first, &pieces.first);
    GetTemplatePiece(thumbData, length, first + 1, &pieces.middle);
    GetTemplatePiece(thumbData, length, first + 2, &pieces.last);
    const int32_t mode = plain ? 1 : 0;
    const TemplatePiece* firstShadePiece = nullptr;
    const TemplatePiece* middleShadePiece = nullptr;
    const TemplatePiece* lastShadePiece = nullptr;
    if (!plain)
    {
        GetTemplatePiece(thumbData, length, firstShade, &pieces.firstShade);
        GetTemplatePiece(thumbData, length, firstShade + 1, &pieces.middleShade);
        GetTemplatePiece(thumbData, length, firstShade + 2, &pieces.lastShade);
        firstShadePiece = &pieces.firstShade;
        middleShadePiece = &pieces.middleShade;
        lastShadePiece = &pieces.lastShade;
    }
    if (horizontal)
    {
        const int32_t middleLength = buffer->width - pieces.last.width - pieces.first.width;
        DrawTemplatePiece(buffer, 0, 0, &pieces.first, firstShadePiece, colour, mode);
        DrawTemplatePiece(buffer, buffer->width - pieces.last.width, 0, &pieces.last, lastShadePiece, colour,
                          mode);
        TileTemplateHorizontal(buffer, pieces.first.width, 0, middleLength, &pieces.middle, middleShadePiece,
                               colour, mode);
    }
    else
    {
        const int32_t middleLength = buffer->height - pieces.last.height - pieces.first.height;
        DrawTemplatePiece(buffer, 0, 0, &pieces.first, firstShadePiece, colour, mode);
        DrawTemplatePiece(buffer, 0, buffer->height - pieces.last.height, &pieces.last, lastShadePiece,
                          colour, mode);
        TileTemplateVertical(buffer, 0, pieces.first.height, middleLength, &pieces.middle, middleShadePiece,
                             colour, mode);
    }
}

#pragma once
#include <cstdint>

// FreeImage's bitmap handle (FreeImage.h), declared here so that callers of the drawing
// operations need not include the image library.
struct FIBITMAP;

// A plain block of pixels, rows top-down, each row `stride` bytes. A 32-bit pixel is the bytes
// B, G, R, A (the little-endian word 0xAARRGGBB, straight alpha); a 24-bit pixel is B, G, R.
// A buffer made by Create is one heap block (this header, then the pixels) and is freed whole by
// Free; a screen surface uses the same header over pixels it does not own.
struct CPixelBuffer
{
    int32_t width;
    int32_t height;
    int32_t stride;
    uint8_t bitsPerPixel;
    uint8_t* pixels;

    // A 32-bit buffer of width x height, every byte zero (transparent black). A size of 0 gives
    // a valid buffer without pixels. Null for a negative size or one too large to allocate.
    static CPixelBuffer* Create(int32_t width, int32_t height);
    // Frees a buffer made by Create (null is allowed).
    static void Free(CPixelBuffer* buffer);

    uint8_t* Row(int32_t y) const { return pixels + static_cast<intptr_t>(y) * stride; }
};

// {left, top, right, bottom} in destination pixels; right and bottom are exclusive.
struct PixelRect
{
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// One grey-and-alpha piece of a frame template, slider track or slider thumb: `pixels` points at
// width x height pairs (grey, alpha), row by row from the top. Only ever made by GetTemplatePiece,
// which has checked that every pair lies inside the template data.
struct TemplatePiece
{
    const uint8_t* pixels;
    int32_t width;
    int32_t height;
};

// Entries of the thumb data's leading row of 32-bit values.
enum ThumbEntry : int32_t
{
    ThumbVariant = 0,
    ThumbSize = 1,
    ThumbVerticalTop = 2,
    ThumbVerticalMiddle = 3,
    ThumbVerticalBottom = 4,
    ThumbHorizontalLeft = 5,
    ThumbHorizontalMiddle = 6,
    ThumbHorizontalRight = 7,
    ThumbShadeVerticalTop = 8,
    ThumbShadeVerticalMiddle = 9,
    ThumbShadeVerticalBottom = 10,
    ThumbShadeHorizontalLeft = 11,
    ThumbShadeHorizontalMiddle = 12,
    ThumbShadeHorizontalRight = 13,
    ThumbEntryCount = 14,
};

// ---- Pixel blends (colour bytes B, G, R, A) ----

// Blends a colour into one 24-bit pixel (B, G, R) with an 8-bit weight.
void BlendPixel24(uint8_t* pixel, uint8_t alpha, const uint8_t* colour);
// Blends a colour into one 32-bit pixel with an 8-bit weight: straight-alpha "over". Weight 255
// copies all four bytes; otherwise the colour's own alpha byte is not read.
void BlendPixel32(uint8_t* pixel, uint8_t alpha, const uint8_t* colour);
// out = each of the four source bytes x alpha / 255.
void ScalePixel32(uint8_t alpha, const uint8_t* source, uint8_t* out);

// ---- Buffer operations ----

// Fills the block of `rows` x `columns` from the top-left corner (clamped to the buffer) with a
// colour word 0xAARRGGBB; 24-bit buffers take its three low bytes.
void FillPixelBuffer(CPixelBuffer* buffer, int32_t rows, int32_t columns, uint32_t colour);
// The look of a disabled item: every 32-bit pixel's colour becomes its BT.601 luma.
void GreyPixelBuffer(CPixelBuffer* buffer);
// Composites a 32-bit source at (x, y) onto a 24-bit or 32-bit destination with an overall
// weight; `clip` null means the whole destination.
void BlitPixelBuffer(int32_t x, int32_t y, CPixelBuffer* destination, const PixelRect* clip,
                     const CPixelBuffer* source, uint8_t alpha);

// ---- Template pieces ----

// Reads piece entry `entry` of the template data's leading row of 32-bit offsets and checks the
// piece lies wholly inside the `length` bytes of the data. False (and an empty piece) otherwise.
bool GetTemplatePiece(const uint8_t* data, int32_t length, int32_t entry, TemplatePiece* piece);
// True when the piece has pixels (both width and height non-zero).
inline bool IsTemplatePiecePresent(const TemplatePiece* piece)
{
    return piece != nullptr && piece->pixels != nullptr && piece->width > 0 && piece->height > 0;
}

// Mode 0 (tinted): piece pixel (grey, alpha), optional shade pixel (grey, alpha), colour word.
void BlendTemplatePixel(uint8_t* pixel, const uint8_t* piecePixel, const uint8_t* shadePixel,
                        uint32_t colour);
// Mode 1 (grey): the pixel becomes (g, g, g, 255), then the colour is blended in by 255 - alpha.
void BlendTemplatePixelGrey(uint8_t* pixel, const uint8_t* piecePixel, uint32_t colour);

// Draws a piece at (x, y), clipped to the buffer (32-bit). Mode 0 tinted, 1 grey, others nothing.
void DrawTemplatePiece(CPixelBuffer* buffer, int32_t x, int32_t y, const TemplatePiece* piece,
                       const TemplatePiece* shade, uint32_t colour, int32_t mode);
// Repeats a piece over columns x .. x + length - 1 on the piece's rows from y; the pattern stays
// anchored at x when the start is clipped.
void TileTemplateHorizontal(CPixelBuffer* buffer, int32_t x, int32_t y, int32_t length,
                            const TemplatePiece* piece, const TemplatePiece* shade, uint32_t colour,
                            int32_t mode);
// The same down rows y .. y + length - 1 on the piece's columns from x.
void TileTemplateVertical(CPixelBuffer* buffer, int32_t x, int32_t y, int32_t length,
                          const TemplatePiece* piece, const TemplatePiece* shade, uint32_t colour,
                          int32_t mode);
// A slider bar from thumb data of `length` bytes: two caps and a tiled middle over the buffer.
void DrawThreePartBar(const uint8_t* thumbData, int32_t length, bool horizontal, CPixelBuffer* buffer,
                      uint32_t colour);

// ---- Decoded images (FreeImage bitmaps) ----

// Pixel x of one scan line as B, G, R, A; 1-, 4- and 8-bit rows must be expanded to 32 bits
// first. False for depths other than 16, 24 and 32 bits.
bool GetBitmapPixel(const uint8_t* scanLine, int32_t x, int32_t bitsPerPixel, bool is565, uint8_t* out);

// The pixel work behind the image slots: unscaled draw at (x, y) onto a 24-bit or 32-bit buffer.
void DrawImage(FIBITMAP* bitmap, CPixelBuffer* buffer, int32_t x, int32_t y);
// Nearest-sample scaled draw onto the buffer's origin; target size -1 = the image's own.
void DrawImageScaled(FIBITMAP* bitmap, CPixelBuffer* buffer, int32_t targetWidth, int32_t targetHeight);
// The three mask passes on a 32-bit buffer. The image's rectangle at (x, y), `width` x `height`
// (-1 = the image's own; never more than the image), is cut to the clip (null = whole buffer).
// Fill tint: the image's red x alpha is the coverage of the premultiplied colour.
void DrawImageFillTint(FIBITMAP* bitmap, CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y,
                       int32_t width, int32_t height, uint32_t colour);
// Cut-out: multiplies the buffer by the image's alpha (the colour's alpha only switches it on).
void DrawImageCutOut(FIBITMAP* bitmap, CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y,
                     int32_t width, int32_t height, uint32_t colour);
// Border tint: the image's green x alpha is the coverage; its transparent parts clear the buffer.
void DrawImageBorderTint(FIBITMAP* bitmap, CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y,
                         int32_t width, int32_t height, uint32_t colour);

#include "render/PixelBuffer.h"

#include "render/BlendTables.h"
#include "render/PixelBufferRows.h"

#include <bit>
#include <climits>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

static_assert(std::endian::native == std::endian::little,
              "colour words are stored as the bytes B, G, R, A of a little-endian word");

namespace
{
// The header is padded to 32 bytes so that the pixels keep the 16-byte alignment of the heap
// block (the vector paths do not need it, but aligned rows are faster to read and write).
constexpr size_t kHeaderBytes = 32;
static_assert(sizeof(CPixelBuffer) <= kHeaderBytes);
// A buffer beyond this is a broken size from a file, not a real item.
constexpr int64_t kMaxPixelBytes = int64_t{1} << 29;
} // namespace

CPixelBuffer* CPixelBuffer::Create(int32_t width, int32_t height)
{
    if (width < 0 || height < 0)
    {
        return nullptr;
    }
    const int64_t bytes = int64_t{width} * 4 * height;
    if (int64_t{width} * 4 > INT32_MAX || bytes > kMaxPixelBytes)
    {
        return nullptr;
    }
    void* block = std::calloc(1, kHeaderBytes + static_cast<size_t>(bytes));
    if (block == nullptr)
    {
        return nullptr;
    }
    CPixelBuffer* buffer = static_cast<CPixelBuffer*>(block);
    buffer->width = width;
    buffer->height = height;
    buffer->stride = width * 4;
    buffer->bitsPerPixel = 32;
    buffer->pixels = static_cast<uint8_t*>(block) + kHeaderBytes;
    return buffer;
}

void CPixelBuffer::Free(CPixelBuffer* buffer)
{
    std::free(buffer);
}

void BlendPixel24(uint8_t* pixel, uint8_t alpha, const uint8_t* colour)
{
    if (alpha == 255)
    {
        pixel[0] = colour[0];
        pixel[1] = colour[1];
        pixel[2] = colour[2];
        return;
    }
    const uint32_t keep = 255u - alpha;
    for (int k = 0; k < 3; ++k)
    {
        pixel[k] = static_cast<uint8_t>(BlendProduct(pixel[k], keep) + BlendProduct(colour[k], alpha));
    }
}

void BlendPixel32(uint8_t* pixel, uint8_t alpha, const uint8_t* colour)
{
    if (alpha == 255)
    {
        std::memcpy(pixel, colour, 4);
        return;
    }
    // Straight-alpha over: the new coverage, then the share of it that the colour brings.
    const uint8_t coverage = BlendUnion(alpha, pixel[3]);
    const uint8_t weight = BlendRatio(coverage, alpha);
    const uint32_t keep = 255u - weight;
    for (int k = 0; k < 3; ++k)
    {
        pixel[k] = static_cast<uint8_t>(BlendProduct(pixel[k], keep) + BlendProduct(colour[k], weight));
    }
    pixel[3] = coverage;
}

void ScalePixel32(uint8_t alpha, const uint8_t* source, uint8_t* out)
{
    for (int k = 0; k < 4; ++k)
    {
        out[k] = BlendProduct(source[k], alpha);
    }
}

namespace
{
#if defined(__SSE2__)
// The widest stores the processor has: the fill is bound by the number of stores, and memset
// itself stores 32 or 64 bytes at a time. Each returns how many pixels it filled.
__attribute__((target("avx512f"))) int32_t FillRow32Avx512(uint8_t* row, int32_t columns, uint32_t colour)
{
    const __m512i sixteen = _mm512_set1_epi32(static_cast<int>(colour));
    int32_t i = 0;
    for (; i + 64 <= columns; i += 64)
    {
        uint8_t* to = row + static_cast<size_t>(i) * 4;
        _mm512_storeu_si512(to, sixteen);
        _mm512_storeu_si512(to + 64, sixteen);
        _mm512_storeu_si512(to + 128, sixteen);
        _mm512_storeu_si512(to + 192, sixteen);
    }
    for (; i + 16 <= columns; i += 16)
    {
        _mm512_storeu_si512(row + static_cast<size_t>(i) * 4, sixteen);
    }
    _mm256_zeroupper();
    return i;
}

__attribute__((target("avx"))) int32_t FillRow32Avx(uint8_t* row, int32_t columns, uint32_t colour)
{
    const __m256i eight = _mm256_set1_epi32(static_cast<int>(colour));
    int32_t i = 0;
    for (; i + 32 <= columns; i += 32)
    {
        __m256i* to = reinterpret_cast<__m256i*>(row + static_cast<size_t>(i) * 4);
        _mm256_storeu_si256(to, eight);
        _mm256_storeu_si256(to + 1, eight);
        _mm256_storeu_si256(to + 2, eight);
        _mm256_storeu_si256(to + 3, eight);
    }
    for (; i + 8 <= columns; i += 8)
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row + static_cast<size_t>(i) * 4), eight);
    }
    _mm256_zeroupper();
    return i;
}
#endif

void FillRow32(uint8_t* row, int32_t columns, uint32_t colour)
{
    const uint8_t low = static_cast<uint8_t>(colour);
    if (colour == low * 0x01010101u)
    {
        // Four equal bytes (black, white, transparent): the C library's own fill.
        std::memset(row, low, static_cast<size_t>(columns) * 4);
        return;
    }
    int32_t i = 0;
#if defined(__SSE2__)
    // Up to the next 64-byte boundary pixel by pixel, so that the wide stores do not straddle lines.
    for (const int32_t head = PixelsBeforeBoundary(row, 64, columns); i < head; ++i)
    {
        std::memcpy(row + static_cast<size_t>(i) * 4, &colour, 4);
    }
    static const bool hasAvx512 = __builtin_cpu_supports("avx512f");
    static const bool hasAvx = __builtin_cpu_supports("avx");
    if (hasAvx512)
    {
        i += FillRow32Avx512(row + static_cast<size_t>(i) * 4, columns - i, colour);
    }
    if (hasAvx)
    {
        i += FillRow32Avx(row + static_cast<size_t>(i) * 4, columns - i, colour);
    }
    const __m128i four = _mm_set1_epi32(static_cast<int>(colour));
    for (; i + 4 <= columns; i += 4)
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + static_cast<size_t>(i) * 4), four);
    }
#endif
    for (; i < columns; ++i)
    {
        std::memcpy(row + static_cast<size_t>(i) * 4, &colour, 4);
    }
}

void FillRow24(uint8_t* row, int32_t columns, uint32_t colour)
{
    const uint8_t b = static_cast<uint8_t>(colour);
    const uint8_t g = static_cast<uint8_t>(colour >> 8);
    const uint8_t r = static_cast<uint8_t>(colour >> 16);
    for (int32_t i = 0; i < columns; ++i)
    {
        uint8_t* pixel = row + static_cast<size_t>(i) * 3;
        pixel[0] = b;
        pixel[1] = g;
        pixel[2] = r;
    }
}
} // namespace

void FillPixelBuffer(CPixelBuffer* buffer, int32_t rows, int32_t columns, uint32_t colour)
{
    if (buffer == nullptr || buffer->pixels == nullptr || buffer->width < 0 || buffer->height < 0 ||
        rows < 0 || columns < 0)
    {
        return;
    }
    if (rows > buffer->height)
    {
        rows = buffer->height;
    }
    if (columns > buffer->width)
    {
        columns = buffer->width;
    }
    if (buffer->bitsPerPixel == 32 && int64_t{columns} * 4 == buffer->stride &&
        int64_t{columns} * rows <= INT32_MAX)
    {
        // Whole rows with nothing between them: one run.
        columns *= rows;
        rows = 1;
    }
    for (int32_t y = 0; y < rows; ++y)
    {
        if (buffer->bitsPerPixel == 32)
        {
            FillRow32(buffer->Row(y), columns, colour);
        }
        else if (buffer->bitsPerPixel == 24)
        {
            FillRow24(buffer->Row(y), columns, colour);
        }
    }
}

void GreyPixelBuffer(CPixelBuffer* buffer)
{
    if (buffer == nullptr || buffer->pixels == nullptr || buffer->bitsPerPixel != 32)
    {
        return;
    }
    for (int32_t y = 0; y < buffer->height; ++y)
    {
        uint8_t* pixel = buffer->Row(y);
        for (int32_t x = 0; x < buffer->width; ++x, pixel += 4)
        {
            // BT.601 luma weights scaled by 1024.
            const uint32_t grey = (306u * pixel[2] + 601u * pixel[1] + 117u * pixel[0]) >> 10;
            pixel[0] = pixel[1] = pixel[2] = static_cast<uint8_t>(grey);
        }
    }
}

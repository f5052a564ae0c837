#include "render/BlendTables.h"
#include "render/PixelBuffer.h"
#include "render/PixelBufferRows.h"

#include <algorithm>
#include <climits>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

// Compositing of item bitmaps onto the screen surface. The per-pixel rule is the table rule of
// BlendPixel32 with the weight source alpha x overall alpha / 255; the vector path below handles
// the groups of pixels whose destinations are all opaque or all transparent (nearly every pixel of
// a screen or of a cleared item buffer) with exact integer arithmetic that gives the same bytes as
// the tables, and leaves every other group to the tables.

namespace
{
inline void BlitPixel32(uint8_t* d, const uint8_t* s, uint32_t alpha)
{
    const uint8_t weight = BlendProduct(s[3], alpha);
    if (weight == 0)
    {
        return;
    }
    if (weight == 255)
    {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = s[3];
        return;
    }
    const uint8_t coverage = BlendUnion(weight, d[3]);
    const uint8_t share = BlendRatio(coverage, weight);
    const uint32_t keep = 255u - share;
    d[0] = static_cast<uint8_t>(BlendProduct(d[0], keep) + BlendProduct(s[0], share));
    d[1] = static_cast<uint8_t>(BlendProduct(d[1], keep) + BlendProduct(s[1], share));
    d[2] = static_cast<uint8_t>(BlendProduct(d[2], keep) + BlendProduct(s[2], share));
    d[3] = coverage;
}

inline void BlitPixel24(uint8_t* d, const uint8_t* s, uint32_t alpha)
{
    const uint8_t weight = BlendProduct(s[3], alpha);
    if (weight == 255)
    {
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        return;
    }
    const uint32_t keep = 255u - weight;
    d[0] = static_cast<uint8_t>(BlendProduct(d[0], keep) + BlendProduct(s[0], weight));
    d[1] = static_cast<uint8_t>(BlendProduct(d[1], keep) + BlendProduct(s[1], weight));
    d[2] = static_cast<uint8_t>(BlendProduct(d[2], keep) + BlendProduct(s[2], weight));
}

void BlitRow24(uint8_t* d, const uint8_t* s, int32_t count, uint32_t alpha)
{
    for (int32_t i = 0; i < count; ++i, d += 3, s += 4)
    {
        BlitPixel24(d, s, alpha);
    }
}

#if defined(__SSE2__)
// The vector paths: SSE2 (four pixels at a time) on every x86 processor, AVX2 (eight) and
// AVX-512 (sixteen) where the processor has them. All use the same steps on the same lanes.
//
// x / 255 for 0 <= x <= 65535 in each 16-bit lane is exactly (x x 0x8081) >> 23: the factor
// exceeds 2^23 / 255 by a relative 1.5e-5, too little to lift any quotient to the next integer.

inline __m128i Divide255(__m128i x)
{
    return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<short>(0x8081))), 7);
}

inline bool AllLanes(__m128i equal)
{
    return _mm_movemask_epi8(equal) == 0xFFFF;
}

// d x (255 - w) / 255 + s x w / 255 per byte for two pixels in 16-bit lanes, w being each pixel's
// weight from its source alpha (lanes 3 and 7) and the overall alpha.
inline __m128i MixHalf(__m128i d16, __m128i s16, __m128i alpha16, bool fullAlpha)
{
    __m128i w16 = _mm_shufflehi_epi16(_mm_shufflelo_epi16(s16, 0xFF), 0xFF);
    if (!fullAlpha)
    {
        w16 = Divide255(_mm_mullo_epi16(w16, alpha16));
    }
    const __m128i keep = _mm_sub_epi16(_mm_set1_epi16(255), w16);
    return _mm_add_epi16(Divide255(_mm_mullo_epi16(d16, keep)), Divide255(_mm_mullo_epi16(s16, w16)));
}

// Blends four pixels; false when their destination alphas are mixed (the tables then decide).
inline bool BlitGroup32(uint8_t* d, const uint8_t* s, uint32_t alpha)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaMask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
    const __m128i sourceAlpha = _mm_and_si128(src, alphaMask);
    if (AllLanes(_mm_cmpeq_epi32(sourceAlpha, zero)))
    {
        return true; // weight 0 everywhere
    }
    if (alpha == 255 && AllLanes(_mm_cmpeq_epi32(sourceAlpha, alphaMask)))
    {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), src); // weight 255: a copy
        return true;
    }
    const __m128i dst = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
    const __m128i destAlpha = _mm_and_si128(dst, alphaMask);
    if (AllLanes(_mm_cmpeq_epi32(destAlpha, alphaMask)))
    {
        // Over an opaque pixel the coverage stays 255 and the colour's share is the weight itself.
        const __m128i alpha16 = _mm_set1_epi16(static_cast<short>(alpha));
        const __m128i low =
            MixHalf(_mm_unpacklo_epi8(dst, zero), _mm_unpacklo_epi8(src, zero), alpha16, alpha == 255);
        const __m128i high =
            MixHalf(_mm_unpackhi_epi8(dst, zero), _mm_unpackhi_epi8(src, zero), alpha16, alpha == 255);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), _mm_or_si128(_mm_packus_epi16(low, high), alphaMask));
        return true;
    }
    if (AllLanes(_mm_cmpeq_epi32(destAlpha, zero)))
    {
        // Over a transparent pixel the coverage is the weight and the colour is the source's;
        // a pixel of weight 0 is left as it was.
        const __m128i weight =
            Divide255(_mm_mullo_epi16(_mm_srli_epi32(src, 24), _mm_set1_epi32(static_cast<int>(alpha))));
        const __m128i blended = _mm_or_si128(_mm_andnot_si128(alphaMask, src), _mm_slli_epi32(weight, 24));
        const __m128i skip = _mm_cmpeq_epi32(weight, zero);
        const __m128i out = _mm_or_si128(_mm_and_si128(skip, dst), _mm_andnot_si128(skip, blended));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), out);
        return true;
    }
    return false;
}

void BlitRow32Sse2(uint8_t* d, const uint8_t* s, int32_t count, uint32_t alpha)
{
    int32_t i = 0;
    for (; i + 4 <= count; i += 4, d += 16, s += 16)
    {
        if (!BlitGroup32(d, s, alpha))
        {
            for (int k = 0; k < 4; ++k)
            {
                BlitPixel32(d + 4 * k, s + 4 * k, alpha);
            }
        }
    }
    for (; i < count; ++i, d += 4, s += 4)
    {
        BlitPixel32(d, s, alpha);
    }
}

#define NERULAN_AVX2 __attribute__((target("avx2")))

NERULAN_AVX2 inline __m256i Divide255Avx2(__m256i x)
{
    return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(static_cast<short>(0x8081))), 7);
}

// x x k / 255, truncated, for every byte x and every k up to 254 is the high half of x x (257 k + 1):
// (257 k + 1) / 65536 exceeds k / 255 by (255 - k) / (255 x 65536), so x times it exceeds x x k / 255
// by less than 255 / 65536, which is below 1 / 255, the least distance from x x k / 255 up to the
// next integer. One multiplication a product instead of a product and a division. k = 255 does not
// fit in 16 bits: a weight of 255 is a copy and a weight of 0 leaves the pixel, both chosen after.
constexpr short kTimes257 = 257;

// The byte shuffle (within each 128-bit lane) that puts each pixel's source alpha (byte 3) in the
// low byte of both of its 16-bit lanes; an index with its top bit set gives a zero byte.
constexpr int kSpreadAlpha[4] = {static_cast<int>(0x80038003u), static_cast<int>(0x80078007u),
                                 static_cast<int>(0x800B800Bu), static_cast<int>(0x800F800Fu)};

// Blends eight source pixels over eight opaque destination pixels: the coverage stays 255 and the
// colour's share is the weight itself. The bytes are split into the even ones (blue, red) and the
// odd ones (green, alpha), each in a 16-bit lane, so that the weight in both halves of its pixel's
// 32 bits serves all four and no byte needs moving back.
NERULAN_AVX2 inline __m256i OverOpaqueAvx2(__m256i dst, __m256i src, uint32_t alpha)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
    const __m256i sourceAlpha = _mm256_shuffle_epi8(
        src, _mm256_setr_epi32(kSpreadAlpha[0], kSpreadAlpha[1], kSpreadAlpha[2], kSpreadAlpha[3],
                               kSpreadAlpha[0], kSpreadAlpha[1], kSpreadAlpha[2], kSpreadAlpha[3]));
    const __m256i weight =
        alpha == 255
            ? sourceAlpha
            : _mm256_mulhi_epu16(sourceAlpha, _mm256_set1_epi16(static_cast<short>(257 * alpha + 1)));
    const __m256i weight257 = _mm256_mullo_epi16(weight, _mm256_set1_epi16(kTimes257));
    const __m256i share = _mm256_add_epi16(weight257, _mm256_set1_epi16(1));
    const __m256i keep = _mm256_sub_epi16(zero, weight257); // 257 (255 - w) + 1, modulo 65536
    const __m256i even = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_and_si256(dst, lowBytes), keep),
                                          _mm256_mulhi_epu16(_mm256_and_si256(src, lowBytes), share));
    const __m256i odd = _mm256_add_epi16(_mm256_mulhi_epu16(_mm256_srli_epi16(dst, 8), keep),
                                         _mm256_mulhi_epu16(_mm256_srli_epi16(src, 8), share));
    // Each sum is at most 255, so the odd one moves into its byte without a carry.
    __m256i out = _mm256_or_si256(_mm256_or_si256(even, _mm256_slli_epi16(odd, 8)),
                                  _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
    out = _mm256_blendv_epi8(out, dst, _mm256_cmpeq_epi16(weight, zero));
    if (alpha == 255)
    {
        out = _mm256_blendv_epi8(out, src, _mm256_cmpeq_epi16(weight, lowBytes));
    }
    return out;
}

// The eight-pixel form of BlitGroup32. The alpha tests are single VPTEST instructions and each
// pixel's weight is worked out once in its 32-bit lane, which keeps the common case (a blend over
// an opaque screen) short.
NERULAN_AVX2 inline bool BlitGroup32Avx2(uint8_t* d, const uint8_t* s, uint32_t alpha)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    const __m256i src = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
    if (_mm256_testz_si256(src, alphaMask))
    {
        return true; // every source alpha 0: weight 0 everywhere
    }
    if (alpha == 255 && _mm256_testc_si256(src, alphaMask))
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), src); // weight 255: a copy
        return true;
    }
    const __m256i dst = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(d));
    if (_mm256_testc_si256(dst, alphaMask))
    {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), OverOpaqueAvx2(dst, src, alpha));
        return true;
    }
    const __m256i weight =
        alpha == 255 ? _mm256_srli_epi32(src, 24)
                     : Divide255Avx2(_mm256_mullo_epi16(_mm256_srli_epi32(src, 24),
                                                        _mm256_set1_epi32(static_cast<int>(alpha))));
    if (_mm256_testz_si256(dst, alphaMask))
    {
        // Over a transparent pixel the coverage is the weight and the colour is the source's;
        // a pixel of weight 0 is left as it was.
        const __m256i blended =
            _mm256_or_si256(_mm256_andnot_si256(alphaMask, src), _mm256_slli_epi32(weight, 24));
        const __m256i skip = _mm256_cmpeq_epi32(weight, zero);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(d), _mm256_blendv_epi8(blended, dst, skip));
        return true;
    }
    return false;
}

NERULAN_AVX2 void BlitRow32Avx2(uint8_t* d, const uint8_t* s, int32_t count, uint32_t alpha)
{
    const int32_t head = PixelsBeforeBoundary(d, 32, count);
    BlitRow32Sse2(d, s, head, alpha);
    d += static_cast<size_t>(head) * 4;
    s += static_cast<size_t>(head) * 4;
    count -= head;
    const __m256i alphaMask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    int32_t i = 0;
    while (i + 8 <= count)
    {
        // A plain copy of the runs of opaque source pixels at full alpha (most of a screen's
        // background), tested 32 pixels at a time.
        if (alpha == 255 && i + 32 <= count)
        {
            const __m256i* from = reinterpret_cast<const __m256i*>(s);
            const __m256i a = _mm256_loadu_si256(from);
            const __m256i b = _mm256_loadu_si256(from + 1);
            const __m256i c = _mm256_loadu_si256(from + 2);
            const __m256i e = _mm256_loadu_si256(from + 3);
            if (_mm256_testc_si256(_mm256_and_si256(_mm256_and_si256(a, b), _mm256_and_si256(c, e)),
                                   alphaMask))
            {
                __m256i* to = reinterpret_cast<__m256i*>(d);
                _mm256_storeu_si256(to, a);
                _mm256_storeu_si256(to + 1, b);
                _mm256_storeu_si256(to + 2, c);
                _mm256_storeu_si256(to + 3, e);
                i += 32;
                d += 128;
                s += 128;
                continue;
            }
        }
        if (!BlitGroup32Avx2(d, s, alpha))
        {
            for (int k = 0; k < 8; ++k)
            {
                BlitPixel32(d + 4 * k, s + 4 * k, alpha);
            }
        }
        i += 8;
        d += 32;
        s += 32;
    }
    // Leaving the upper halves of the vector registers dirty slows down every later SSE
    // instruction of the process (pixman's, the C library's), and the compiler does not always
    // clear them on its own here.
    _mm256_zeroupper();
    // The rest, fewer than eight pixels, through the four-pixel path and the tables.
    BlitRow32Sse2(d, s, count - i, alpha);
}

#define NERULAN_AVX512 __attribute__((target("avx512f,avx512bw")))

// The 32-bit shifts are written in their zero-masked form over all lanes (the same instruction):
// the plain forms of GCC 12's headers draw a false "may be used uninitialized" warning.
constexpr __mmask16 kAllLanes = 0xFFFF;

NERULAN_AVX512 inline __m512i Divide255Avx512(__m512i x)
{
    return _mm512_srli_epi16(_mm512_mulhi_epu16(x, _mm512_set1_epi16(static_cast<short>(0x8081))), 7);
}

// The sixteen-pixel form of OverOpaqueAvx2, with the same steps.
NERULAN_AVX512 inline __m512i OverOpaqueAvx512(__m512i dst, __m512i src, uint32_t alpha)
{
    const __m512i zero = _mm512_setzero_si512();
    const __m512i lowBytes = _mm512_set1_epi16(0x00FF);
    const __m512i sourceAlpha = _mm512_shuffle_epi8(
        src, _mm512_set4_epi32(kSpreadAlpha[3], kSpreadAlpha[2], kSpreadAlpha[1], kSpreadAlpha[0]));
    const __m512i weight =
        alpha == 255
            ? sourceAlpha
            : _mm512_mulhi_epu16(sourceAlpha, _mm512_set1_epi16(static_cast<short>(257 * alpha + 1)));
    const __m512i weight257 = _mm512_mullo_epi16(weight, _mm512_set1_epi16(kTimes257));
    const __m512i share = _mm512_add_epi16(weight257, _mm512_set1_epi16(1));
    const __m512i keep = _mm512_sub_epi16(zero, weight257);
    const __m512i even = _mm512_add_epi16(_mm512_mulhi_epu16(_mm512_and_si512(dst, lowBytes), keep),
                                          _mm512_mulhi_epu16(_mm512_and_si512(src, lowBytes), share));
    const __m512i odd = _mm512_add_epi16(_mm512_mulhi_epu16(_mm512_srli_epi16(dst, 8), keep),
                                         _mm512_mulhi_epu16(_mm512_srli_epi16(src, 8), share));
    // even | odd << 8 | the opaque alpha, in one three-way OR.
    __m512i out = _mm512_ternarylogic_epi32(even, _mm512_slli_epi16(odd, 8),
                                            _mm512_set1_epi32(static_cast<int>(0xFF000000u)), 0xFE);
    out = _mm512_mask_blend_epi16(_mm512_cmpeq_epi16_mask(weight, zero), out, dst);
    if (alpha == 255)
    {
        out = _mm512_mask_blend_epi16(_mm512_cmpeq_epi16_mask(weight, lowBytes), out, src);
    }
    return out;
}

// The sixteen-pixel form of BlitGroup32Avx2, with the same steps; the alpha tests give one mask
// bit per pixel.
NERULAN_AVX512 inline bool BlitGroup32Avx512(uint8_t* d, const uint8_t* s, uint32_t alpha)
{
    const __m512i alphaMask = _mm512_set1_epi32(static_cast<int>(0xFF000000u));
    const __m512i src = _mm512_loadu_si512(s);
    const __mmask16 sourceCovered = _mm512_test_epi32_mask(src, alphaMask);
    if (sourceCovered == 0)
    {
        return true; // every source alpha 0: weight 0 everywhere
    }
    if (alpha == 255 && _mm512_cmpeq_epi32_mask(_mm512_and_si512(src, alphaMask), alphaMask) == 0xFFFF)
    {
        _mm512_storeu_si512(d, src); // weight 255: a copy
        return true;
    }
    const __m512i dst = _mm512_loadu_si512(d);
    if (_mm512_cmpge_epu32_mask(dst, alphaMask) == 0xFFFF)
    {
        _mm512_storeu_si512(d, OverOpaqueAvx512(dst, src, alpha));
        return true;
    }
    const __m512i weight =
        alpha == 255 ? _mm512_maskz_srli_epi32(kAllLanes, src, 24)
                     : Divide255Avx512(_mm512_mullo_epi16(_mm512_maskz_srli_epi32(kAllLanes, src, 24),
                                                          _mm512_set1_epi32(static_cast<int>(alpha))));
    if (_mm512_test_epi32_mask(dst, alphaMask) == 0)
    {
        // Over transparent pixels: the source's colour with the weight as coverage; a pixel of
        // weight 0 is left as it was.
        const __m512i blended = _mm512_or_si512(_mm512_and_si512(src, _mm512_set1_epi32(0x00FFFFFF)),
                                                _mm512_maskz_slli_epi32(kAllLanes, weight, 24));
        const __mmask16 skip = _mm512_cmpeq_epi32_mask(weight, _mm512_setzero_si512());
        _mm512_storeu_si512(d, _mm512_mask_blend_epi32(skip, blended, dst));
        return true;
    }
    return false;
}

NERULAN_AVX512 void BlitRow32Avx512(uint8_t* d, const uint8_t* s, int32_t count, uint32_t alpha)
{
    const int32_t head = PixelsBeforeBoundary(d, 64, count);
    BlitRow32Avx2(d, s, head, alpha);
    d += static_cast<size_t>(head) * 4;
    s += static_cast<size_t>(head) * 4;
    count -= head;
    const __m512i alphaMask = _mm512_set1_epi32(static_cast<int>(0xFF000000u));
    int32_t i = 0;
    while (i + 16 <= count)
    {
        // Runs of opaque source pixels at full alpha, tested 64 pixels at a time, are a copy.
        if (alpha == 255 && i + 64 <= count)
        {
            const __m512i a = _mm512_loadu_si512(s);
            const __m512i b = _mm512_loadu_si512(s + 64);
            const __m512i c = _mm512_loadu_si512(s + 128);
            const __m512i e = _mm512_loadu_si512(s + 192);
            const __m512i all = _mm512_and_si512(_mm512_and_si512(a, b), _mm512_and_si512(c, e));
            if (_mm512_cmpeq_epi32_mask(_mm512_and_si512(all, alphaMask), alphaMask) == 0xFFFF)
            {
                _mm512_storeu_si512(d, a);
                _mm512_storeu_si512(d + 64, b);
                _mm512_storeu_si512(d + 128, c);
                _mm512_storeu_si512(d + 192, e);
                i += 64;
                d += 256;
                s += 256;
                continue;
            }
        }
        if (!BlitGroup32Avx512(d, s, alpha))
        {
            for (int k = 0; k < 16; ++k)
            {
                BlitPixel32(d + 4 * k, s + 4 * k, alpha);
            }
        }
        i += 16;
        d += 64;
        s += 64;
    }
    _mm256_zeroupper();
    // The rest, fewer than sixteen pixels, through the narrower paths and the tables.
    BlitRow32Avx2(d, s, count - i, alpha);
}

#endif

void BlitRow32Tables(uint8_t* d, const uint8_t* s, int32_t count, uint32_t alpha)
{
    for (int32_t i = 0; i < count; ++i, d += 4, s += 4)
    {
        BlitPixel32(d, s, alpha);
    }
}

BlitRow32Function SelectBlitRow32()
{
    const BlitRow32Paths paths = GetBlitRow32Paths();
    if (paths.avx512 != nullptr)
    {
        return paths.avx512;
    }
    if (paths.avx2 != nullptr)
    {
        return paths.avx2;
    }
    return paths.sse2 != nullptr ? paths.sse2 : paths.tables;
}

void BlitRow32(uint8_t* d, const uint8_t* s, int32_t count, uint32_t alpha)
{
    static const BlitRow32Function function = SelectBlitRow32();
    function(d, s, count, alpha);
}
} // namespace

BlitRow32Paths GetBlitRow32Paths()
{
    BlitRow32Paths paths{BlitRow32Tables, nullptr, nullptr, nullptr};
#if defined(__SSE2__)
    paths.sse2 = BlitRow32Sse2;
    if (__builtin_cpu_supports("avx2"))
    {
        paths.avx2 = BlitRow32Avx2;
    }
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw"))
    {
        paths.avx512 = BlitRow32Avx512;
    }
#endif
    return paths;
}

void BlitPixelBuffer(int32_t x, int32_t y, CPixelBuffer* destination, const PixelRect* clip,
                     const CPixelBuffer* source, uint8_t alpha)
{
    if (g_BlendTables == nullptr || destination == nullptr || source == nullptr ||
        destination->pixels == nullptr || source->pixels == nullptr || source->bitsPerPixel != 32)
    {
        return;
    }
    const int32_t depth = destination->bitsPerPixel;
    if (depth != 24 && depth != 32)
    {
        return;
    }
    // 64-bit so that a position far off the surface cannot wrap into it.
    int64_t x0 = std::max<int64_t>(0, x);
    int64_t y0 = std::max<int64_t>(0, y);
    int64_t x1 = std::min<int64_t>(destination->width, int64_t{x} + source->width);
    int64_t y1 = std::min<int64_t>(destination->height, int64_t{y} + source->height);
    if (clip != nullptr)
    {
        x0 = std::max<int64_t>(x0, clip->left);
        y0 = std::max<int64_t>(y0, clip->top);
        x1 = std::min<int64_t>(x1, clip->right);
        y1 = std::min<int64_t>(y1, clip->bottom);
    }
    if (x1 - x0 < 1 || y1 - y0 < 1)
    {
        return;
    }
    int32_t count = static_cast<int32_t>(x1 - x0);
    const int32_t bytesPerPixel = depth / 8;
    if (depth == 32 && int64_t{count} * 4 == destination->stride && destination->stride == source->stride &&
        int64_t{count} * (y1 - y0) <= INT32_MAX)
    {
        // Whole rows of both buffers with nothing between them: one run, so that the kernel's
        // groups go on across the row ends.
        count = static_cast<int32_t>(int64_t{count} * (y1 - y0));
        y1 = y0 + 1;
    }
    for (int64_t row = y0; row < y1; ++row)
    {
        uint8_t* d = destination->Row(static_cast<int32_t>(row)) + x0 * bytesPerPixel;
        const uint8_t* s = source->Row(static_cast<int32_t>(row - y)) + (x0 - x) * 4;
        if (depth == 32)
        {
            BlitRow32(d, s, count, alpha);
        }
        else
        {
            BlitRow24(d, s, count, alpha);
        }
    }
}

#pragma once
#include <algorithm>
#include <cstdint>

// The pixels to handle one at a time before a row position d lies on a boundary of `bytes` (a
// power of two): a wide store that straddles two cache lines costs about two, and the screen's
// rows start 16 bytes past one. None when d is not on a pixel boundary, as no number of whole
// pixels would reach one. At most count.
inline int32_t PixelsBeforeBoundary(const uint8_t* d, uintptr_t bytes, int32_t count)
{
    const uintptr_t past = reinterpret_cast<uintptr_t>(d) & (bytes - 1);
    if (past == 0 || (past & 3) != 0)
        return 0;
    return std::min(count, static_cast<int32_t>((bytes - past) / 4));
}

// The row kernels behind BlitPixelBuffer onto a 32-bit destination: `count` source pixels onto
// `count` destination pixels with the overall alpha. BlitPixelBuffer takes the fastest one the
// processor runs; all of them give the same bytes as the tables, which the tests check for each.
using BlitRow32Function = void (*)(uint8_t* destination, const uint8_t* source, int32_t count,
                                   uint32_t alpha);

struct BlitRow32Paths
{
    BlitRow32Function tables; // pixel by pixel through the blend tables, always present
    BlitRow32Function sse2;   // four pixels at a time; null when not built for x86
    BlitRow32Function avx2;   // eight pixels at a time; null when the processor lacks AVX2
    BlitRow32Function avx512; // sixteen pixels at a time; null without AVX-512 (F and BW)
};

BlitRow32Paths GetBlitRow32Paths();

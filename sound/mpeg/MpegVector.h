#pragma once
#include <cstdint>
#include <cstring>

// The one place where the MPEG decoder meets vector hardware: small vectors of floats and
// integers with element-wise arithmetic (GCC and clang vector extensions: SSE on any x86-64,
// AVX2 or AVX-512 in the wide clones, NEON on ARM, plain code elsewhere), their loads and stores,
// and the shuffles, in the one form both compilers accept.
//
// Every vector routine has a scalar twin that performs the same operations in the same order on
// each element, so both give the same bits; a decoder picks one with its `vectorCode` setting,
// and the tests decode each stream both ways.
namespace mpegvec
{
typedef float Float8 __attribute__((vector_size(32)));
typedef int32_t Int8 __attribute__((vector_size(32)));
typedef int16_t Short8 __attribute__((vector_size(16)));
typedef float Float4 __attribute__((vector_size(16)));

// Loads through an argument rather than a result: a 32-byte result would be passed differently
// by the AVX2 clones and the others.
template <typename V> inline __attribute__((always_inline)) void Load(V& v, const float* p)
{
    std::memcpy(&v, p, sizeof(v));
}

template <typename V> inline __attribute__((always_inline)) void Store(float* p, const V& v)
{
    std::memcpy(p, &v, sizeof(v));
}

// Rows a, b, c, d become columns.
inline __attribute__((always_inline)) void Transpose4(Float4& a, Float4& b, Float4& c, Float4& d)
{
    const Float4 ab0 = __builtin_shufflevector(a, b, 0, 4, 1, 5);
    const Float4 ab1 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
    const Float4 cd0 = __builtin_shufflevector(c, d, 0, 4, 1, 5);
    const Float4 cd1 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
    a = __builtin_shufflevector(ab0, cd0, 0, 1, 4, 5);
    b = __builtin_shufflevector(ab0, cd0, 2, 3, 6, 7);
    c = __builtin_shufflevector(ab1, cd1, 0, 1, 4, 5);
    d = __builtin_shufflevector(ab1, cd1, 2, 3, 6, 7);
}

// Eight samples of a and eight of b interleaved a0 b0 a1 b1 ...: the low and the high half.
inline __attribute__((always_inline)) void Interleave8(const Short8& a, const Short8& b, Short8& low,
                                                       Short8& high)
{
    low = __builtin_shufflevector(a, b, 0, 8, 1, 9, 2, 10, 3, 11);
    high = __builtin_shufflevector(a, b, 4, 12, 5, 13, 6, 14, 7, 15);
}
} // namespace mpegvec

// A function built three times, for AVX-512 (x86-64-v4), for AVX2 and for any x86-64, the best one
// the processor runs chosen when the program loads. The vectors stay eight wide; the AVX-512 build
// gains the extra registers and shorter forms of the same steps. The library is built without
// fused multiply-add, so every build gives the same bits as the scalar twins. Not under the
// sanitizers, whose run-time does not support the choice.
#if defined(__x86_64__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define NERULAN_NO_CLONES 1
#endif
#endif
#ifndef NERULAN_NO_CLONES
#define NERULAN_WIDE_CLONES __attribute__((target_clones("arch=x86-64-v4", "avx2", "default")))
#endif
#endif
#ifndef NERULAN_WIDE_CLONES
#define NERULAN_WIDE_CLONES
#endif

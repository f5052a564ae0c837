#pragma once
#include <cstdint>

namespace platform
{
// Float to integer conversions truncate toward zero. C++ leaves NaN and values outside the
// target's range undefined; these give the "integer indefinite" pattern instead (0x80000000,
// 0x8000000000000000), as the processor's own conversion does.
int32_t FloatToInt32(double value);
int64_t FloatToInt64(double value);
// Truncates to 64 bits, then keeps the low 32 (so -1.0 gives 0xFFFFFFFF).
uint32_t FloatToUInt32Wrap(double value);
// Truncates to a 64-bit unsigned value: negative values go through the signed conversion, values
// of 2^63 and above through the unsigned one, anything else (NaN, >= 2^64) gives 0x8000000000000000.
uint64_t FloatToUInt64(double value);
// Rounds to the nearest integer (halves away from zero) and then converts as FloatToInt32.
int32_t RoundToInt32(double value);
} // namespace platform

#pragma once
#include <cstdint>

// The KNX 2-byte float: sign bit, 4-bit exponent, 11 mantissa bits; the 12-bit two's-complement
// mantissa M (its sign is the top bit) and exponent E give 0.01 x M x 2^E.
//
// Encoding rounds to the nearest step (truncation sent 20.3 as 20.29). Values beyond the format's
// range, infinities included, are clamped to its ends (-671088.64, 670433.28); NaN goes out as
// 0x7FFF, the pattern KNX reserves for "invalid data".
uint16_t KnxEncodeFloat16(float value);
float KnxDecodeFloat16(uint8_t high, uint8_t low);

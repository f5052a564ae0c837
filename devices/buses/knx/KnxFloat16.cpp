#include "devices/buses/knx/KnxFloat16.h"

#include <cmath>

#include "platform/FloatToInt.h"

namespace
{
constexpr int kMaxExponent = 15;
// The ends of the format, in hundredths: mantissa -2048 and 2046 at exponent 15 (2047 there,
// 0x7FFF, is the "invalid data" pattern).
constexpr double kLowest = -2048.0 * 32768.0;
constexpr double kHighest = 2046.0 * 32768.0;
} // namespace

uint16_t KnxEncodeFloat16(float value)
{
    if (std::isnan(value))
        return 0x7FFF;
    double hundredths = static_cast<double>(value) * 100.0;
    if (hundredths < kLowest)
        hundredths = kLowest;
    if (hundredths > kHighest)
        hundredths = kHighest;
    // The smallest exponent whose rounded mantissa fits 12 bits keeps the most precision;
    // rounding can carry a mantissa just over 2047, so the fit is checked after rounding.
    int exponent = 0;
    int32_t mantissa = platform::RoundToInt32(hundredths);
    while ((mantissa < -2048 || mantissa > 2047) && exponent < kMaxExponent)
    {
        ++exponent;
        mantissa = platform::RoundToInt32(std::ldexp(hundredths, -exponent));
    }
    uint16_t sign = mantissa < 0 ? 0x8000 : 0;
    return static_cast<uint16_t>(sign | exponent << 11 | (static_cast<uint32_t>(mantissa) & 0x07FF));
}

float KnxDecodeFloat16(uint8_t high, uint8_t low)
{
    int exponent = (high >> 3) & 0x0F;
    int32_t mantissa = (high & 0x07) << 8 | low;
    if (high & 0x80)
        mantissa -= 2048;
    return static_cast<float>(std::ldexp(static_cast<double>(mantissa), exponent) / 100.0);
}

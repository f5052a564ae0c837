#include "platform/FloatToInt.h"

#include <cmath>

namespace platform
{
int32_t FloatToInt32(double value)
{
    // The comparisons are false for NaN, so NaN falls through to the indefinite pattern.
    if (value > -2147483649.0 && value < 2147483648.0)
        return static_cast<int32_t>(value);
    return INT32_MIN;
}

int64_t FloatToInt64(double value)
{
    if (value >= -9223372036854775808.0 && value < 9223372036854775808.0)
        return static_cast<int64_t>(value);
    return INT64_MIN;
}

uint32_t FloatToUInt32Wrap(double value) { return static_cast<uint32_t>(static_cast<uint64_t>(FloatToInt64(value))); }

uint64_t FloatToUInt64(double value)
{
    if (value >= 9223372036854775808.0 && value < 18446744073709551616.0)
        return static_cast<uint64_t>(value);
    return static_cast<uint64_t>(FloatToInt64(value));
}

int32_t RoundToInt32(double value) { return FloatToInt32(std::round(value)); }
} // namespace platform

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "devices/buses/knx/KnxFloat16.h"

namespace
{
struct Float16Case
{
    float value;
    uint16_t bytes;
};

// Values that encode to exactly these bytes and decode back to the same value.
const Float16Case kExact[] = {
    {21.5f, 0x0C33},   // E = 1, M = 1075
    {-1.0f, 0x879C},   // M = -100
    {0.0f, 0x0000},    //
    {20.47f, 0x07FF},  // the largest mantissa at E = 0
    {-20.48f, 0x8000}, // the smallest mantissa at E = 0
    {0.01f, 0x0001},   //
    {-0.01f, 0x87FF},  //
    {40.96f, 0x1400},  // 4096 hundredths need E = 2
    {-30.0f, 0x8A24},  // E = 1, M = -1500
};

TEST(KnxFloat16, ExactValuesBothWays)
{
    for (const Float16Case& c : kExact)
    {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(KnxEncodeFloat16(c.value), c.bytes);
        EXPECT_FLOAT_EQ(KnxDecodeFloat16(c.bytes >> 8, c.bytes & 0xFF), c.value);
    }
}

TEST(KnxFloat16, RoundsToTheNearestStep)
{
    // Truncation sent 20.3 (2029.9999 hundredths as a float) as 20.29.
    EXPECT_EQ(KnxEncodeFloat16(20.3f), 0x07EE);
    EXPECT_EQ(KnxEncodeFloat16(-20.3f), 0x8012);
    // 21.51 lies between the steps 21.50 and 21.52 of E = 1; 21.516 is nearer 21.52.
    EXPECT_EQ(KnxEncodeFloat16(21.516f), 0x0C34);
}

TEST(KnxFloat16, EveryEncodingIsWithinHalfAStep)
{
    for (double magnitude = 0.001; magnitude < 670000.0; magnitude *= 1.0007)
        for (float v : {static_cast<float>(magnitude), static_cast<float>(-magnitude)})
        {
            uint16_t bytes = KnxEncodeFloat16(v);
            float back = KnxDecodeFloat16(bytes >> 8, bytes & 0xFF);
            int exponent = bytes >> 11 & 0x0F;
            float step = 0.01f * static_cast<float>(1 << exponent);
            ASSERT_LE(std::fabs(back - v), step * 0.5f + std::fabs(v) * 1e-6f) << v;
        }
}

TEST(KnxFloat16, ClampsBeyondTheRangeAndInfinities)
{
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(KnxEncodeFloat16(inf), 0x7FFE);
    EXPECT_EQ(KnxEncodeFloat16(1e30f), 0x7FFE);
    EXPECT_EQ(KnxEncodeFloat16(-inf), 0xF800);
    EXPECT_EQ(KnxEncodeFloat16(-1e30f), 0xF800);
    EXPECT_FLOAT_EQ(KnxDecodeFloat16(0xF8, 0x00), -671088.64f);
    EXPECT_FLOAT_EQ(KnxDecodeFloat16(0x7F, 0xFE), 670433.28f);
    // NaN goes out as the "invalid data" pattern.
    EXPECT_EQ(KnxEncodeFloat16(std::numeric_limits<float>::quiet_NaN()), 0x7FFF);
}
} // namespace

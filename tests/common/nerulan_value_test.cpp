#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>

#include "common/NerulanValue.h"

namespace
{
// What every getter gives for one value.
struct Readings
{
    bool b;
    int8_t c;
    uint8_t by;
    int16_t s;
    uint16_t w;
    int32_t i;
    uint32_t u;
    float f;
    int64_t i64;
    uint64_t u64;
    double d;
};

struct ConversionCase
{
    const char* name;
    std::function<CNerulanValue*()> make;
    int32_t size;
    Readings expect;
};

// Floats are compared by bit pattern, so that NaN equals NaN and -0 differs from 0.
template <class T> bool SameBits(T a, T b)
{
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

class NerulanValueConversion : public ::testing::TestWithParam<ConversionCase>
{
};

TEST_P(NerulanValueConversion, EveryGetterFollowsTheTable)
{
    const ConversionCase& c = GetParam();
    std::unique_ptr<CNerulanValue> v(c.make());
    const Readings& e = c.expect;
    EXPECT_EQ(v->GetSize(), c.size);
    EXPECT_EQ(v->GetBool(), e.b);
    EXPECT_EQ(v->GetChar(), e.c);
    EXPECT_EQ(v->GetByte(), e.by);
    EXPECT_EQ(v->GetShort(), e.s);
    EXPECT_EQ(v->GetWord(), e.w);
    EXPECT_EQ(v->GetInt(), e.i);
    EXPECT_EQ(v->GetUInt(), e.u);
    EXPECT_TRUE(SameBits(v->GetFloat(), e.f)) << v->GetFloat() << " expected " << e.f;
    EXPECT_EQ(v->GetInt64(), e.i64);
    EXPECT_EQ(v->GetUInt64(), e.u64);
    EXPECT_TRUE(SameBits(v->GetDouble(), e.d)) << v->GetDouble() << " expected " << e.d;
}

const float kNaNf = std::numeric_limits<float>::quiet_NaN();
const uint64_t kAllOnes = ~0ull;
const int64_t kIndefinite64 = std::numeric_limits<int64_t>::min();
const int32_t kIndefinite32 = std::numeric_limits<int32_t>::min();

// Columns: bool, char, byte, short, word, int, uint, float, int64, uint64, double.
const ConversionCase kConversions[] = {
    {"Empty", [] { return new CNerulanValue; }, 0, {false, 0, 0, 0, 0, 0, 0, 0.0f, 0, 0, 0.0}},
    {"BoolTrue", [] { return CNerulanValue::NewBool(true); }, 1, {true, 1, 1, 1, 1, 1, 1, 1.0f, 1, 1, 1.0}},
    {"BoolFalse",
     [] { return CNerulanValue::NewBool(false); },
     1,
     {false, 0, 0, 0, 0, 0, 0, 0.0f, 0, 0, 0.0}},
    {"CharMinusOne",
     [] { return CNerulanValue::NewChar(-1); },
     1,
     {false, -1, 255, -1, 65535, -1, 0xFFFFFFFFu, -1.0f, -1, kAllOnes, -1.0}},
    {"Byte200",
     [] { return CNerulanValue::NewByte(200); },
     1,
     {false, -56, 200, 200, 200, 200, 200, 200.0f, 200, 200, 200.0}},
    {"ShortMinusTwo",
     [] { return CNerulanValue::NewShort(-2); },
     2,
     {false, 0, 0, -2, 65534, -2, 0xFFFFFFFEu, -2.0f, -2, kAllOnes - 1, -2.0}},
    {"WordFFFE",
     [] { return CNerulanValue::NewWord(0xFFFE); },
     2,
     {false, 0, 0, -2, 65534, 65534, 65534, 65534.0f, 65534, 65534, 65534.0}},
    {"Int300", // narrower getters give 0, never 44 or 255
     [] { return CNerulanValue::NewInt(300); },
     4,
     {false, 0, 0, 0, 0, 300, 300, 300.0f, 300, 300, 300.0}},
    {"IntMinusFive",
     [] { return CNerulanValue::NewInt(-5); },
     4,
     {false, 0, 0, 0, 0, -5, 0xFFFFFFFBu, -5.0f, -5, kAllOnes - 4, -5.0}},
    {"UIntTopBit",
     [] { return CNerulanValue::NewUInt(0x80000000u); },
     4,
     {false, 0, 0, 0, 0, kIndefinite32, 0x80000000u, 2147483648.0f, 2147483648ll, 2147483648ull,
      2147483648.0}},
    {"Float2_9",
     [] { return CNerulanValue::NewFloat(2.9f); },
     4,
     {false, 0, 0, 0, 0, 2, 2, 2.9f, 2, 2, static_cast<double>(2.9f)}},
    {"FloatMinus2_9",
     [] { return CNerulanValue::NewFloat(-2.9f); },
     4,
     {false, 0, 0, 0, 0, -2, 0xFFFFFFFEu, -2.9f, -2, kAllOnes - 1, static_cast<double>(-2.9f)}},
    {"FloatMinusOne",
     [] { return CNerulanValue::NewFloat(-1.0f); },
     4,
     {false, 0, 0, 0, 0, -1, 0xFFFFFFFFu, -1.0f, -1, kAllOnes, -1.0}},
    {"FloatBelow2Pow32", // GetInt is out of range; GetUInt truncates to 64 bits and keeps the low 32
     [] { return CNerulanValue::NewFloat(4294967040.0f); },
     4,
     {false, 0, 0, 0, 0, kIndefinite32, 0xFFFFFF00u, 4294967040.0f, 4294967040ll, 4294967040ull,
      4294967040.0}},
    {"Float3e9",
     [] { return CNerulanValue::NewFloat(3.0e9f); },
     4,
     {false, 0, 0, 0, 0, kIndefinite32, 3000000000u, 3.0e9f, 3000000000ll, 3000000000ull, 3.0e9}},
    {"Float1e20",
     [] { return CNerulanValue::NewFloat(1.0e20f); },
     4,
     {false, 0, 0, 0, 0, kIndefinite32, 0, 1.0e20f, kIndefinite64, 0x8000000000000000ull,
      static_cast<double>(1.0e20f)}},
    {"FloatNaN",
     [] { return CNerulanValue::NewFloat(kNaNf); },
     4,
     {false, 0, 0, 0, 0, kIndefinite32, 0, kNaNf, kIndefinite64, 0x8000000000000000ull,
      static_cast<double>(kNaNf)}},
    {"Int64MinusOne",
     [] { return CNerulanValue::NewInt64(-1); },
     8,
     {false, 0, 0, 0, 0, 0, 0, 0.0f, -1, kAllOnes, -1.0}},
    {"UInt64Max",
     [] { return CNerulanValue::NewUInt64(kAllOnes); },
     8,
     {false, 0, 0, 0, 0, 0, 0, 0.0f, -1, kAllOnes, 18446744073709551616.0}},
    {"Double1_5",
     [] { return CNerulanValue::NewDouble(1.5); },
     8,
     {false, 0, 0, 0, 0, 0, 0, 0.0f, 1, 1, 1.5}},
    {"DoubleMinus1_5",
     [] { return CNerulanValue::NewDouble(-1.5); },
     8,
     {false, 0, 0, 0, 0, 0, 0, 0.0f, -1, kAllOnes, -1.5}},
    {"Double1e19",
     [] { return CNerulanValue::NewDouble(1.0e19); },
     8,
     {false, 0, 0, 0, 0, 0, 0, 0.0f, kIndefinite64, 10000000000000000000ull, 1.0e19}},
};

INSTANTIATE_TEST_SUITE_P(Table, NerulanValueConversion, ::testing::ValuesIn(kConversions),
                         [](const ::testing::TestParamInfo<ConversionCase>& info)
                         { return std::string(info.param.name); });

TEST(NerulanValueStorage, FactoriesStoreLittleEndianInZeroedStorage)
{
    struct Case
    {
        std::unique_ptr<CNerulanValue> value;
        ValueType type;
        uint8_t bytes[8];
    };
    Case cases[] = {
        {std::unique_ptr<CNerulanValue>(CNerulanValue::NewBool(true)), ValueBool, {1, 0, 0, 0, 0, 0, 0, 0}},
        {std::unique_ptr<CNerulanValue>(CNerulanValue::NewShort(0x1234)),
         ValueInt16,
         {0x34, 0x12, 0, 0, 0, 0, 0, 0}},
        {std::unique_ptr<CNerulanValue>(CNerulanValue::NewChar(-1)), ValueInt8, {0xFF, 0, 0, 0, 0, 0, 0, 0}},
        {std::unique_ptr<CNerulanValue>(CNerulanValue::NewFloat(1.0f)),
         ValueFloat,
         {0, 0, 0x80, 0x3F, 0, 0, 0, 0}},
        {std::unique_ptr<CNerulanValue>(CNerulanValue::NewUInt64(0x0102030405060708ull)),
         ValueUInt64,
         {8, 7, 6, 5, 4, 3, 2, 1}},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.value->GetType(), c.type);
        EXPECT_EQ(std::memcmp(c.value->GetStorage(), c.bytes, 8), 0) << "type " << int(c.type);
    }
}

TEST(NerulanValueStorage, CopiesAreIndependent)
{
    std::unique_ptr<CNerulanValue> v(CNerulanValue::NewInt(7));
    CNerulanValue copy = *v;
    v.reset(CNerulanValue::NewDouble(2.0));
    EXPECT_EQ(copy.GetType(), ValueInt32);
    EXPECT_EQ(copy.GetInt(), 7);
}
} // namespace

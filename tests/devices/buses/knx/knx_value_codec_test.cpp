#include <bit>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "common/BlobReader.h"
#include "devices/buses/knx/KnxValueCodec.h"

namespace
{
using Bytes = std::vector<uint8_t>;
using Value = std::unique_ptr<CNerulanValue>;

Value Int(int32_t v)
{
    return Value(CNerulanValue::NewInt(v));
}
Value Float(float v)
{
    return Value(CNerulanValue::NewFloat(v));
}

struct EncodeCase
{
    const char* name;
    uint8_t type;
    uint8_t subtype;
    float given;     // passed as a float given value, converted as the drivers do
    Bytes telegram;  // cEMI data (data[0] first)
    Bytes datapoint; // object-server value bytes
};

// What a value given by the interface becomes on both links.
const EncodeCase kEncode[] = {
    {"bool 1", ValueBool, 0, 1, {0x01}, {0x01}},
    {"bool 0", ValueBool, 0, 0, {0x00}, {0x00}},
    {"int8 -2", ValueInt8, 0, -2, {0x00, 0xFE}, {0xFE}},
    {"uint8 200", ValueUInt8, 0, 200, {0x00, 0xC8}, {0xC8}},
    {"percent 100", ValueUInt8, 3, 100, {0x00, 0xFF}, {0xFF}},
    {"percent 50", ValueUInt8, 3, 50, {0x00, 0x7F}, {0x7F}},
    {"percent above range", ValueUInt8, 3, 150, {0x00, 0xFF}, {0xFF}},
    {"percent below range", ValueUInt8, 3, -5, {0x00, 0x00}, {0x00}},
    // Cut to 8 bits before scaling, 300 degrees went out as 44 x 255 / 360 = 31.
    {"angle 300", ValueUInt8, 4, 300, {0x00, 0xD4}, {0xD4}},
    {"angle 360", ValueUInt8, 4, 360, {0x00, 0xFF}, {0xFF}},
    {"angle 400", ValueUInt8, 4, 400, {0x00, 0xFF}, {0xFF}},
    {"int16 -300", ValueInt16, 0, -300, {0x00, 0xFE, 0xD4}, {0xFE, 0xD4}},
    {"uint16 258", ValueUInt16, 0, 258, {0x00, 0x01, 0x02}, {0x01, 0x02}},
    {"int32 -2", ValueInt32, 0, -2, {0x00, 0xFF, 0xFF, 0xFF, 0xFE}, {0xFF, 0xFF, 0xFF, 0xFE}},
    {"uint32 70000", ValueUInt32, 0, 70000, {0x00, 0x00, 0x01, 0x11, 0x70}, {0x00, 0x01, 0x11, 0x70}},
    // 4-byte float datapoints are IEEE floats on both links (tunnelling sent a truncated integer).
    {"float 21.5", ValueFloat, 0, 21.5f, {0x00, 0x41, 0xAC, 0x00, 0x00}, {0x41, 0xAC, 0x00, 0x00}},
    {"float -1", ValueFloat, 0, -1.0f, {0x00, 0xBF, 0x80, 0x00, 0x00}, {0xBF, 0x80, 0x00, 0x00}},
    {"float16 21.5", ValueKnxFloat16, 0, 21.5f, {0x00, 0x0C, 0x33}, {0x0C, 0x33}},
    {"float16 20.3", ValueKnxFloat16, 0, 20.3f, {0x00, 0x07, 0xEE}, {0x07, 0xEE}},
    {"float16 -1", ValueKnxFloat16, 0, -1.0f, {0x00, 0x87, 0x9C}, {0x87, 0x9C}},
};

TEST(KnxValueCodec, GivenValuesEncodeForTelegramsAndDatapoints)
{
    for (const EncodeCase& c : kEncode)
    {
        SCOPED_TRACE(c.name);
        Value given = Float(c.given);
        Value value = KnxConvertGivenValue(c.type, c.subtype, *given);
        ASSERT_TRUE(value);
        Bytes data;
        ASSERT_TRUE(KnxEncodeChannelValue(c.type, c.subtype, *value, data));
        EXPECT_EQ(data, c.telegram);
        ASSERT_TRUE(KnxEncodeDatapointValue(c.type, c.subtype, *value, data));
        EXPECT_EQ(data, c.datapoint);
    }
}

TEST(KnxValueCodec, SmallControlTypesUseTheApciBitsAndTakeNoGivenValue)
{
    Value two = Value(CNerulanValue::NewByte(0x07));
    Bytes data;
    ASSERT_TRUE(KnxEncodeChannelValue(ValueKnxControl2Bit, 0, *two, data));
    EXPECT_EQ(data, Bytes{0x03});
    ASSERT_TRUE(KnxEncodeChannelValue(ValueKnx4Bit, 0, *two, data));
    EXPECT_EQ(data, Bytes{0x07});
    EXPECT_FALSE(KnxConvertGivenValue(ValueKnxControl2Bit, 0, *Int(1)));
    EXPECT_FALSE(KnxConvertGivenValue(ValueKnx4Bit, 0, *Int(1)));
    EXPECT_FALSE(KnxConvertGivenValue(9, 0, *Int(1)));
    EXPECT_FALSE(KnxEncodeChannelValue(9, 0, *two, data));
    EXPECT_TRUE(data.empty());
}

TEST(KnxValueCodec, ToggleSendsTheInverseBit)
{
    Value stored = Value(CNerulanValue::NewBool(false));
    Bytes data;
    ASSERT_TRUE(KnxEncodeChannelValue(ValueBool, KnxSubtypeToggle, *stored, data));
    EXPECT_EQ(data, Bytes{0x01});
    stored.reset(CNerulanValue::NewBool(data[0] != 0));
    ASSERT_TRUE(KnxEncodeChannelValue(ValueBool, KnxSubtypeToggle, *stored, data));
    EXPECT_EQ(data, Bytes{0x00});
}

struct DecodeCase
{
    const char* name;
    uint8_t type;
    uint8_t subtype;
    Bytes telegram;
    float posted;
};

const DecodeCase kDecode[] = {
    {"bool", ValueBool, 0, {0x01}, 1.0f},
    {"bool uses bit 0 only", ValueBool, 0, {0x3E}, 0.0f},
    {"int8", ValueInt8, 0, {0x00, 0x80}, -128.0f},
    {"uint8", ValueUInt8, 0, {0x00, 0xC8}, 200.0f},
    {"percent 0x80", ValueUInt8, 3, {0x00, 0x80}, 50.0f},
    {"percent 0xFF", ValueUInt8, 3, {0x00, 0xFF}, 100.0f},
    {"angle 0xFF", ValueUInt8, 4, {0x00, 0xFF}, 360.0f},
    {"int16", ValueInt16, 0, {0x00, 0xFE, 0xD4}, -300.0f},
    {"uint16", ValueUInt16, 0, {0x00, 0x01, 0x02}, 258.0f},
    {"int32", ValueInt32, 0, {0x00, 0xFF, 0xFF, 0xFF, 0xFE}, -2.0f},
    {"uint32", ValueUInt32, 0, {0x00, 0x00, 0x01, 0x11, 0x70}, 70000.0f},
    {"IEEE float", ValueFloat, 0, {0x00, 0x41, 0xAC, 0x00, 0x00}, 21.5f},
    {"2-bit", ValueKnxControl2Bit, 0, {0x07}, 3.0f},
    {"4-bit", ValueKnx4Bit, 0, {0x3F}, 15.0f},
    {"float16", ValueKnxFloat16, 0, {0x00, 0x0C, 0x33}, 21.5f},
    {"float16 negative", ValueKnxFloat16, 0, {0x00, 0x87, 0x9C}, -1.0f},
};

TEST(KnxValueCodec, TelegramsDecodeByChannelType)
{
    for (const DecodeCase& c : kDecode)
    {
        SCOPED_TRACE(c.name);
        KnxDecodedValue out;
        ASSERT_TRUE(KnxDecodeChannelValue(c.type, c.subtype, c.telegram.data(), c.telegram.size(), out));
        EXPECT_FLOAT_EQ(out.posted, c.posted);
        ASSERT_TRUE(out.value);
        // Datapoints carry the same bytes without the APCI byte (except the small types).
        Bytes item = c.telegram.size() > 1 ? Bytes(c.telegram.begin() + 1, c.telegram.end()) : c.telegram;
        KnxDecodedValue fromItem;
        ASSERT_TRUE(KnxDecodeDatapointValue(c.type, c.subtype, item.data(), item.size(), fromItem));
        EXPECT_FLOAT_EQ(fromItem.posted, c.posted);
        EXPECT_TRUE(KnxSameValue(out.value.get(), fromItem.value.get()));
    }
}

TEST(KnxValueCodec, TelegramsOfAnotherLengthDoNotFit)
{
    KnxDecodedValue out;
    const Bytes two{0x00, 0x01};
    EXPECT_FALSE(KnxDecodeChannelValue(ValueKnxControl2Bit, 0, two.data(), two.size(), out));
    EXPECT_FALSE(KnxDecodeChannelValue(ValueBool, 0, two.data(), two.size(), out));
    EXPECT_FALSE(KnxDecodeChannelValue(ValueInt16, 0, two.data(), two.size(), out));
    EXPECT_FALSE(KnxDecodeChannelValue(ValueKnxFloat16, 0, two.data(), 0, out));
    EXPECT_FALSE(KnxDecodeChannelValue(ValueBool, 0, nullptr, 0, out));
    EXPECT_FALSE(KnxDecodeChannelValue(ValueDouble, 0, two.data(), two.size(), out));
    // Object-server items need at least the type's width; more is allowed (the rest is unused).
    EXPECT_FALSE(KnxDecodeDatapointValue(ValueInt32, 0, two.data(), two.size(), out));
    const Bytes five{0x01, 0x02, 0x03, 0x04, 0x05};
    ASSERT_TRUE(KnxDecodeDatapointValue(ValueUInt16, 0, five.data(), five.size(), out));
    EXPECT_FLOAT_EQ(out.posted, 258.0f);
}

TEST(KnxValueCodec, InitialValuesFromTheChannelBlob)
{
    struct Case
    {
        uint8_t type;
        Bytes blob;
        float expected;
    } cases[] = {
        {ValueBool, {0x05}, 1.0f},
        {ValueInt8, {0xFF}, -1.0f},
        {ValueUInt8, {0xFF}, 255.0f},
        {ValueInt16, {0xFE, 0xFF}, -2.0f},
        {ValueUInt16, {0x02, 0x01}, 258.0f},
        {ValueInt32, {0xFE, 0xFF, 0xFF, 0xFF}, -2.0f},
        {ValueUInt32, {0x70, 0x11, 0x01, 0x00}, 70000.0f},
        {ValueFloat, {0x00, 0x00, 0xAC, 0x41}, 21.5f},
        {ValueKnxFloat16, {0x00, 0x00, 0x80, 0xBF}, -1.0f},
        {ValueKnxControl2Bit, {0x02}, 2.0f},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(static_cast<int>(c.type));
        CBlobReader reader(c.blob.data(), c.blob.size());
        Value value = KnxReadInitialValue(c.type, reader);
        ASSERT_TRUE(value);
        EXPECT_FLOAT_EQ(value->GetFloat(), c.expected);
        // One byte short gives no value.
        CBlobReader shortReader(c.blob.data(), c.blob.size() - 1);
        EXPECT_FALSE(KnxReadInitialValue(c.type, shortReader));
    }
    CBlobReader reader(nullptr, 0);
    EXPECT_FALSE(KnxReadInitialValue(ValueDouble, reader));
}

TEST(KnxValueCodec, SameValueComparesTypeAndBytes)
{
    Value a = Value(CNerulanValue::NewByte(5));
    Value b = Value(CNerulanValue::NewByte(5));
    Value c = Value(CNerulanValue::NewChar(5));
    EXPECT_TRUE(KnxSameValue(a.get(), b.get()));
    EXPECT_FALSE(KnxSameValue(a.get(), c.get()));
    EXPECT_FALSE(KnxSameValue(a.get(), nullptr));
}
} // namespace

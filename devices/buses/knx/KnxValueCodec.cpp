#include "devices/buses/knx/KnxValueCodec.h"

#include <bit>
#include <cstring>

#include "common/BlobReader.h"
#include "devices/buses/knx/KnxFloat16.h"
#include "platform/FloatToInt.h"

namespace
{
using Value = std::unique_ptr<CNerulanValue>;

// Wire bytes of a value type: 1 for the byte-wide ones, 2, 4; 0 for a type without a coding.
size_t WireWidth(uint8_t valueType)
{
    switch (valueType)
    {
    case ValueBool:
    case ValueInt8:
    case ValueUInt8:
    case ValueKnxControl2Bit:
    case ValueKnx4Bit:
        return 1;
    case ValueInt16:
    case ValueUInt16:
    case ValueKnxFloat16:
        return 2;
    case ValueInt32:
    case ValueUInt32:
    case ValueFloat:
        return 4;
    default:
        return 0;
    }
}

int32_t ScaleRange(uint8_t subtype)
{
    if (subtype == KnxSubtypePercent)
        return 100;
    if (subtype == KnxSubtypeAngle)
        return 360;
    return 0;
}

// Percent and angle go out as 0..255: the value is clamped to its range, scaled and only then cut
// to a byte (cutting first sent 300 degrees as 44).
uint8_t ScaledByte(uint8_t subtype, const CNerulanValue& value)
{
    int32_t range = ScaleRange(subtype);
    int32_t v = value.GetInt();
    if (!range)
        return static_cast<uint8_t>(v);
    if (v < 0)
        v = 0;
    if (v > range)
        v = range;
    return static_cast<uint8_t>(v * 255 / range);
}

// The number posted for a received byte of a percent, angle or plain byte channel.
float PostedByte(uint8_t subtype, uint8_t byte)
{
    int32_t range = ScaleRange(subtype);
    if (!range)
        return byte;
    return static_cast<float>(platform::FloatToInt32(byte * range / 255.0 + 0.5));
}

uint32_t FloatBits(float value)
{
    return std::bit_cast<uint32_t>(value);
}

// The value of a type in its wire width, big-endian (types 1 to 8, 12, 14; 18 as the 2-byte float).
uint32_t WireWord(uint8_t valueType, uint8_t subtype, const CNerulanValue& value)
{
    switch (valueType)
    {
    case ValueBool:
        return value.GetInt() != 0 ? 1 : 0;
    case ValueUInt8:
        return ScaledByte(subtype, value);
    case ValueUInt32:
        return value.GetUInt();
    case ValueFloat:
        return FloatBits(value.GetFloat());
    case ValueKnxFloat16:
        return KnxEncodeFloat16(value.GetFloat());
    default:
        return static_cast<uint32_t>(value.GetInt());
    }
}

void PutBigEndian(uint32_t word, size_t width, std::vector<uint8_t>& out)
{
    for (size_t i = width; i-- > 0;)
        out.push_back(static_cast<uint8_t>(word >> (8 * i)));
}

uint32_t ReadBigEndian(const uint8_t* bytes, size_t width)
{
    uint32_t word = 0;
    for (size_t i = 0; i < width; ++i)
        word = word << 8 | bytes[i];
    return word;
}

// A value of the type from its wire bytes (width as WireWidth gives it).
bool DecodeWire(uint8_t valueType, uint8_t subtype, const uint8_t* bytes, KnxDecodedValue& out)
{
    switch (valueType)
    {
    case ValueBool:
        out.value.reset(CNerulanValue::NewBool(bytes[0] & 1));
        out.posted = bytes[0] & 1;
        return true;
    case ValueInt8:
        out.value.reset(CNerulanValue::NewChar(static_cast<int8_t>(bytes[0])));
        out.posted = static_cast<int8_t>(bytes[0]);
        return true;
    case ValueUInt8:
        out.value.reset(CNerulanValue::NewByte(bytes[0]));
        out.posted = PostedByte(subtype, bytes[0]);
        return true;
    case ValueInt16:
        out.value.reset(CNerulanValue::NewShort(static_cast<int16_t>(ReadBigEndian(bytes, 2))));
        out.posted = static_cast<int16_t>(ReadBigEndian(bytes, 2));
        return true;
    case ValueUInt16:
        out.value.reset(CNerulanValue::NewWord(static_cast<uint16_t>(ReadBigEndian(bytes, 2))));
        out.posted = static_cast<uint16_t>(ReadBigEndian(bytes, 2));
        return true;
    case ValueInt32:
        out.value.reset(CNerulanValue::NewInt(static_cast<int32_t>(ReadBigEndian(bytes, 4))));
        out.posted = static_cast<float>(static_cast<int32_t>(ReadBigEndian(bytes, 4)));
        return true;
    case ValueUInt32:
        out.value.reset(CNerulanValue::NewUInt(ReadBigEndian(bytes, 4)));
        out.posted = static_cast<float>(ReadBigEndian(bytes, 4));
        return true;
    case ValueFloat:
        // KNX 4-byte float datapoints are IEEE single precision on every link.
        out.posted = std::bit_cast<float>(ReadBigEndian(bytes, 4));
        out.value.reset(CNerulanValue::NewFloat(out.posted));
        return true;
    case ValueKnxControl2Bit:
    case ValueKnx4Bit:
    {
        uint8_t mask = valueType == ValueKnxControl2Bit ? 0x03 : 0x0F;
        out.value.reset(CNerulanValue::NewByte(bytes[0] & mask));
        out.posted = bytes[0] & mask;
        return true;
    }
    case ValueKnxFloat16:
        out.posted = KnxDecodeFloat16(bytes[0], bytes[1]);
        out.value.reset(CNerulanValue::NewFloat(out.posted));
        return true;
    default:
        return false;
    }
}

// Types whose group telegram carries the value in the 6 bits beside the APCI.
bool TravelsInApciByte(uint8_t valueType)
{
    return valueType == ValueBool || valueType == ValueKnxControl2Bit || valueType == ValueKnx4Bit;
}
} // namespace

Value KnxReadInitialValue(uint8_t valueType, CBlobReader& reader)
{
    uint8_t b = 0;
    uint16_t w = 0;
    uint32_t d = 0;
    Value value;
    switch (valueType)
    {
    case ValueBool:
        if (reader.U8(b))
            value.reset(CNerulanValue::NewBool(b != 0));
        break;
    case ValueInt8:
        if (reader.U8(b))
            value.reset(CNerulanValue::NewChar(static_cast<int8_t>(b)));
        break;
    case ValueUInt8:
    case ValueKnxControl2Bit:
    case ValueKnx4Bit:
        if (reader.U8(b))
            value.reset(CNerulanValue::NewByte(b));
        break;
    case ValueInt16:
        if (reader.U16LE(w))
            value.reset(CNerulanValue::NewShort(static_cast<int16_t>(w)));
        break;
    case ValueUInt16:
        if (reader.U16LE(w))
            value.reset(CNerulanValue::NewWord(w));
        break;
    case ValueInt32:
        if (reader.U32LE(d))
            value.reset(CNerulanValue::NewInt(static_cast<int32_t>(d)));
        break;
    case ValueUInt32:
        if (reader.U32LE(d))
            value.reset(CNerulanValue::NewUInt(d));
        break;
    case ValueFloat:
    case ValueKnxFloat16:
        if (reader.U32LE(d))
            value.reset(CNerulanValue::NewFloat(std::bit_cast<float>(d)));
        break;
    default:
        break;
    }
    return value;
}

Value KnxConvertGivenValue(uint8_t valueType, uint8_t subtype, const CNerulanValue& given)
{
    Value value;
    switch (valueType)
    {
    case ValueBool:
        value.reset(CNerulanValue::NewBool(given.GetInt() != 0));
        break;
    case ValueInt8:
        value.reset(CNerulanValue::NewChar(static_cast<int8_t>(given.GetInt())));
        break;
    case ValueUInt8:
        if (ScaleRange(subtype))
            value.reset(CNerulanValue::NewInt(given.GetInt()));
        else
            value.reset(CNerulanValue::NewByte(static_cast<uint8_t>(given.GetInt())));
        break;
    case ValueInt16:
        value.reset(CNerulanValue::NewShort(static_cast<int16_t>(given.GetInt())));
        break;
    case ValueUInt16:
        value.reset(CNerulanValue::NewWord(static_cast<uint16_t>(given.GetInt())));
        break;
    case ValueInt32:
        value.reset(CNerulanValue::NewInt(given.GetInt()));
        break;
    case ValueUInt32:
        value.reset(CNerulanValue::NewUInt(given.GetUInt()));
        break;
    case ValueFloat:
    case ValueKnxFloat16:
        value.reset(CNerulanValue::NewFloat(given.GetFloat()));
        break;
    default:
        break;
    }
    return value;
}

bool KnxEncodeChannelValue(uint8_t valueType, uint8_t subtype, const CNerulanValue& value,
                           std::vector<uint8_t>& data)
{
    data.clear();
    size_t width = WireWidth(valueType);
    if (!width)
        return false;
    uint32_t word = WireWord(valueType, subtype, value);
    if (TravelsInApciByte(valueType))
    {
        if (valueType == ValueBool && subtype == KnxSubtypeToggle)
            word ^= 1;
        uint8_t mask = valueType == ValueBool ? 0x01 : valueType == ValueKnxControl2Bit ? 0x03 : 0x0F;
        data.push_back(static_cast<uint8_t>(word & mask));
        return true;
    }
    data.push_back(0);
    PutBigEndian(word, width, data);
    return true;
}

bool KnxDecodeChannelValue(uint8_t valueType, uint8_t subtype, const uint8_t* data, size_t length,
                           KnxDecodedValue& out)
{
    size_t width = WireWidth(valueType);
    if (!width || !data)
        return false;
    if (TravelsInApciByte(valueType))
        return length == 1 && DecodeWire(valueType, subtype, data, out);
    return length == width + 1 && DecodeWire(valueType, subtype, data + 1, out);
}

bool KnxEncodeDatapointValue(uint8_t valueType, uint8_t subtype, const CNerulanValue& value,
                             std::vector<uint8_t>& bytes)
{
    bytes.clear();
    size_t width = WireWidth(valueType);
    if (!width)
        return false;
    PutBigEndian(WireWord(valueType, subtype, value), width, bytes);
    return true;
}

bool KnxDecodeDatapointValue(uint8_t valueType, uint8_t subtype, const uint8_t* bytes, size_t length,
                             KnxDecodedValue& out)
{
    size_t width = WireWidth(valueType);
    return width && bytes && length >= width && DecodeWire(valueType, subtype, bytes, out);
}

bool KnxSameValue(const CNerulanValue* a, const CNerulanValue* b)
{
    if (!a || !b)
        return a == b;
    if (a->GetType() != b->GetType())
        return false;
    return std::memcmp(a->GetStorage(), b->GetStorage(), static_cast<size_t>(a->GetSize())) == 0;
}

#include "devices/buses/epsnet/EPSNETChannel.h"

#include <algorithm>
#include <cstring>

#include "common/BlobReader.h"
#include "common/NerulanValue.h"

namespace
{
constexpr int32_t kAreas = 4;
constexpr int32_t kAreaSize = 65536;

uint64_t LittleEndian(const uint8_t* bytes, int32_t size)
{
    uint64_t raw = 0;
    for (int32_t i = size - 1; i >= 0; --i)
        raw = raw << 8 | bytes[i];
    return raw;
}

template <class T> uint64_t BitsOf(T value)
{
    uint64_t raw = 0;
    std::memcpy(&raw, &value, sizeof value);
    return raw;
}

template <class T> T FromBits(uint64_t raw)
{
    T value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}
} // namespace

void CEPSNETChannel::Load(const uint8_t* blob, uint32_t length)
{
    CBlobReader reader(blob, length);
    if (length <= 5)
        return;
    uint8_t action = 0;
    reader.U8(action);
    reader.U8(m_area);
    reader.U16LE(m_address);
    reader.U8(m_bit);
    SetAction(action);
    uint8_t value[8] = {0};
    const size_t take = std::min<size_t>(reader.Remaining(), static_cast<size_t>(Size()));
    reader.Bytes(value, take);
    m_raw = m_valueType == ValueBool ? uint64_t{value[0] != 0} : LittleEndian(value, Size());
    m_loaded = reader.Ok();
}

int32_t CEPSNETChannel::SizeOf(uint8_t valueType)
{
    return CNerulanValue::SizeOfType(valueType);
}

bool CEPSNETChannel::IsUsable() const
{
    return m_loaded && Size() > 0 && m_area < kAreas && m_address + Size() <= kAreaSize;
}

uint64_t CEPSNETChannel::Decode(const uint8_t* bytes) const
{
    if (m_valueType == ValueBool)
        return (bytes[0] >> (m_bit & 7)) & 1;
    return LittleEndian(bytes, Size());
}

uint64_t CEPSNETChannel::Encode(const CNerulanValue& value) const
{
    const int32_t i = value.GetInt();
    switch (m_valueType)
    {
    case ValueBool:
        return i != 0 ? 1 : 0;
    case ValueInt8:
    case ValueUInt8:
        return static_cast<uint8_t>(i);
    case ValueInt16:
    case ValueUInt16:
        return static_cast<uint16_t>(i);
    case ValueInt32:
    case ValueUInt32:
        return static_cast<uint32_t>(i);
    case ValueFloat:
        return BitsOf(value.GetFloat());
    case ValueDouble:
        return BitsOf(static_cast<double>(value.GetFloat()));
    case ValueInt64:
    case ValueUInt64:
        // The 32-bit integer widened with its sign.
        return static_cast<uint64_t>(static_cast<int64_t>(i));
    default:
        return 0;
    }
}

double CEPSNETChannel::ToDouble(uint64_t raw) const
{
    switch (m_valueType)
    {
    case ValueBool:
        return raw != 0 ? 1.0 : 0.0;
    case ValueInt8:
        return static_cast<int8_t>(raw);
    case ValueUInt8:
        return static_cast<uint8_t>(raw);
    case ValueInt16:
        return static_cast<int16_t>(raw);
    case ValueUInt16:
        return static_cast<uint16_t>(raw);
    case ValueInt32:
        return static_cast<int32_t>(raw);
    case ValueUInt32:
        return static_cast<uint32_t>(raw);
    case ValueFloat:
        return FromBits<float>(raw);
    case ValueInt64:
        return static_cast<double>(static_cast<int64_t>(raw));
    case ValueUInt64:
        return static_cast<double>(raw);
    case ValueDouble:
        return FromBits<double>(raw);
    default:
        return 0;
    }
}

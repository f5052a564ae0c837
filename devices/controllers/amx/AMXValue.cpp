#include "devices/controllers/amx/AMXValue.h"

#include <cstring>

bool CAMXValue::Read(uint8_t type, const uint8_t* bytes, int32_t available)
{
    m_type = type;
    m_bits = 0;
    const int32_t size = SizeOf(type);
    if (size > kStorage || size > available || (size > 0 && !bytes))
        return false;
    for (int32_t i = 0; i < size; ++i)
        m_bits = m_bits << 8 | bytes[i];
    return true;
}

float CAMXValue::ToFloat() const
{
    switch (m_type)
    {
    case Unsigned8:
        return static_cast<float>(static_cast<uint8_t>(m_bits));
    case Signed8:
        return static_cast<float>(static_cast<int8_t>(m_bits));
    case Unsigned16:
        return static_cast<float>(static_cast<uint16_t>(m_bits));
    case Signed16:
        return static_cast<float>(static_cast<int16_t>(m_bits));
    case Unsigned32:
        return static_cast<float>(static_cast<uint32_t>(m_bits));
    case Signed32:
        return static_cast<float>(static_cast<int32_t>(m_bits));
    case Float32:
    {
        const uint32_t bits = static_cast<uint32_t>(m_bits);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    case Float64:
    {
        double value;
        std::memcpy(&value, &m_bits, sizeof value);
        return static_cast<float>(value);
    }
    default:
        return 0.0f;
    }
}

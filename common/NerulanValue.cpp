#include "common/NerulanValue.h"

#include <cstring>

#include "platform/FloatToInt.h"

template <class T> CNerulanValue* CNerulanValue::Make(ValueType type, T value)
{
    static_assert(sizeof(T) <= sizeof(Storage));
    auto* v = new CNerulanValue;
    v->m_type = type;
    v->m_storage.word = 0;
    std::memcpy(v->m_storage.bytes, &value, sizeof(T));
    return v;
}

template <class T> T CNerulanValue::Stored() const
{
    T value;
    std::memcpy(&value, m_storage.bytes, sizeof(T));
    return value;
}

CNerulanValue* CNerulanValue::NewBool(bool value)
{
    return Make<uint8_t>(ValueBool, value ? 1 : 0);
}
CNerulanValue* CNerulanValue::NewChar(int8_t value)
{
    return Make(ValueInt8, value);
}
CNerulanValue* CNerulanValue::NewByte(uint8_t value)
{
    return Make(ValueUInt8, value);
}
CNerulanValue* CNerulanValue::NewShort(int16_t value)
{
    return Make(ValueInt16, value);
}
CNerulanValue* CNerulanValue::NewWord(uint16_t value)
{
    return Make(ValueUInt16, value);
}
CNerulanValue* CNerulanValue::NewInt(int32_t value)
{
    return Make(ValueInt32, value);
}
CNerulanValue* CNerulanValue::NewUInt(uint32_t value)
{
    return Make(ValueUInt32, value);
}
CNerulanValue* CNerulanValue::NewFloat(float value)
{
    return Make(ValueFloat, value);
}
CNerulanValue* CNerulanValue::NewInt64(int64_t value)
{
    return Make(ValueInt64, value);
}
CNerulanValue* CNerulanValue::NewUInt64(uint64_t value)
{
    return Make(ValueUInt64, value);
}
CNerulanValue* CNerulanValue::NewDouble(double value)
{
    return Make(ValueDouble, value);
}

int32_t CNerulanValue::SizeOfType(uint8_t type)
{
    switch (type)
    {
    case ValueBool:
    case ValueInt8:
    case ValueUInt8:
        return 1;
    case ValueInt16:
    case ValueUInt16:
        return 2;
    case ValueInt32:
    case ValueUInt32:
    case ValueFloat:
        return 4;
    case ValueInt64:
    case ValueUInt64:
    case ValueDouble:
        return 8;
    default:
        return 0;
    }
}

namespace
{
// The value of a bool or a small integer type (1 to 5) widened as the getters read it: bit 0 of a
// bool, signed types sign-extended, unsigned ones zero-extended. `ok` is false for other types.
int64_t SmallInteger(ValueType type, const uint8_t* s, bool& ok)
{
    ok = true;
    switch (type)
    {
    case ValueBool:
        return s[0] & 1;
    case ValueInt8:
        return static_cast<int8_t>(s[0]);
    case ValueUInt8:
        return s[0];
    case ValueInt16:
        return static_cast<int16_t>(s[0] | (s[1] << 8));
    case ValueUInt16:
        return static_cast<uint16_t>(s[0] | (s[1] << 8));
    default:
        ok = false;
        return 0;
    }
}
} // namespace

bool CNerulanValue::GetBool() const
{
    return m_type == ValueBool && (m_storage.bytes[0] & 1);
}

int8_t CNerulanValue::GetChar() const
{
    return static_cast<int8_t>(GetByte());
}

uint8_t CNerulanValue::GetByte() const
{
    switch (m_type)
    {
    case ValueBool:
        return m_storage.bytes[0] & 1;
    case ValueInt8:
    case ValueUInt8:
        return m_storage.bytes[0];
    default:
        return 0;
    }
}

int16_t CNerulanValue::GetShort() const
{
    return static_cast<int16_t>(GetWord());
}

uint16_t CNerulanValue::GetWord() const
{
    bool ok;
    int64_t small = SmallInteger(m_type, m_storage.bytes, ok);
    return ok ? static_cast<uint16_t>(small) : 0;
}

int32_t CNerulanValue::GetInt() const
{
    return m_type == ValueFloat ? platform::FloatToInt32(Stored<float>()) : static_cast<int32_t>(GetUInt());
}

uint32_t CNerulanValue::GetUInt() const
{
    bool ok;
    int64_t small = SmallInteger(m_type, m_storage.bytes, ok);
    if (ok)
        return static_cast<uint32_t>(small);
    switch (m_type)
    {
    case ValueInt32:
    case ValueUInt32:
        return Stored<uint32_t>();
    case ValueFloat:
        return platform::FloatToUInt32Wrap(Stored<float>());
    default:
        return 0;
    }
}

float CNerulanValue::GetFloat() const
{
    switch (m_type)
    {
    case ValueInt32:
        return static_cast<float>(Stored<int32_t>());
    case ValueUInt32:
        return static_cast<float>(Stored<uint32_t>());
    case ValueFloat:
        return Stored<float>();
    default:
    {
        bool ok;
        int64_t small = SmallInteger(m_type, m_storage.bytes, ok);
        return ok ? static_cast<float>(small) : 0.0f;
    }
    }
}

int64_t CNerulanValue::GetInt64() const
{
    switch (m_type)
    {
    case ValueFloat:
        return platform::FloatToInt64(Stored<float>());
    case ValueDouble:
        return platform::FloatToInt64(Stored<double>());
    default:
        return static_cast<int64_t>(GetUInt64());
    }
}

uint64_t CNerulanValue::GetUInt64() const
{
    bool ok;
    int64_t small = SmallInteger(m_type, m_storage.bytes, ok);
    if (ok)
        return static_cast<uint64_t>(small);
    switch (m_type)
    {
    case ValueInt32:
        return static_cast<uint64_t>(static_cast<int64_t>(Stored<int32_t>()));
    case ValueUInt32:
        return Stored<uint32_t>();
    case ValueFloat:
        return platform::FloatToUInt64(Stored<float>());
    case ValueInt64:
    case ValueUInt64:
        return Stored<uint64_t>();
    case ValueDouble:
        return platform::FloatToUInt64(Stored<double>());
    default:
        return 0;
    }
}

double CNerulanValue::GetDouble() const
{
    switch (m_type)
    {
    case ValueInt32:
        return Stored<int32_t>();
    case ValueUInt32:
        return Stored<uint32_t>();
    case ValueFloat:
        return Stored<float>();
    case ValueInt64:
        return static_cast<double>(Stored<int64_t>());
    case ValueUInt64:
        return static_cast<double>(Stored<uint64_t>());
    case ValueDouble:
        return Stored<double>();
    default:
    {
        bool ok;
        int64_t small = SmallInteger(m_type, m_storage.bytes, ok);
        return ok ? static_cast<double>(small) : 0.0;
    }
    }
}

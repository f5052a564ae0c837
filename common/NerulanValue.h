#pragma once
#include <cstdint>

// Codes of the numeric types a value or a device channel holds. The KNX and object-server
// channels use the codes 1 to 8 and three of their own (12, 14, 18), which a CNerulanValue never
// holds.
enum ValueType : uint8_t
{
    ValueEmpty = 0,
    ValueBool = 1,
    ValueInt8 = 2,
    ValueUInt8 = 3,
    ValueInt16 = 4,
    ValueUInt16 = 5,
    ValueInt32 = 6,
    ValueUInt32 = 7,
    ValueFloat = 8,
    ValueInt64 = 9,
    ValueUInt64 = 10,
    ValueDouble = 11,
    ValueKnxControl2Bit = 12,
    ValueKnx4Bit = 14,
    ValueKnxFloat16 = 18,
};

// A small tagged number handed to device drivers. Made by one factory per type, read by getters
// that convert from the held type; a getter returns 0 for a type outside its range instead of
// narrowing the value, and none saturates. Whoever calls a factory owns the value.
class CNerulanValue
{
public:
    CNerulanValue() = default;
    virtual ~CNerulanValue() = default;
    CNerulanValue(const CNerulanValue&) = default;
    CNerulanValue& operator=(const CNerulanValue&) = default;

    // Stored as the byte 0 or 1 and read through bit 0.
    static CNerulanValue* NewBool(bool value);
    static CNerulanValue* NewChar(int8_t value);
    static CNerulanValue* NewByte(uint8_t value);
    static CNerulanValue* NewShort(int16_t value);
    static CNerulanValue* NewWord(uint16_t value);
    static CNerulanValue* NewInt(int32_t value);
    static CNerulanValue* NewUInt(uint32_t value);
    static CNerulanValue* NewFloat(float value);
    static CNerulanValue* NewInt64(int64_t value);
    static CNerulanValue* NewUInt64(uint64_t value);
    static CNerulanValue* NewDouble(double value);

    ValueType GetType() const { return m_type; }
    // Byte size of the held type: 1, 2, 4 or 8; 0 for the empty or an unknown type.
    int32_t GetSize() const { return SizeOfType(m_type); }
    // Bytes a value of this type takes; 0 for an unknown type.
    static int32_t SizeOfType(uint8_t type);
    // The 8 bytes of storage, the value in the low bytes, little-endian.
    const uint8_t* GetStorage() const { return m_storage.bytes; }

    bool GetBool() const;
    int8_t GetChar() const;
    uint8_t GetByte() const;
    int16_t GetShort() const;
    uint16_t GetWord() const;
    int32_t GetInt() const;
    uint32_t GetUInt() const;
    float GetFloat() const;
    int64_t GetInt64() const;
    uint64_t GetUInt64() const;
    double GetDouble() const;

private:
    template <class T> static CNerulanValue* Make(ValueType type, T value);
    template <class T> T Stored() const;

    ValueType m_type = ValueEmpty;
    union alignas(8) Storage
    {
        uint8_t bytes[8];
        uint64_t word;
    } m_storage{};
};

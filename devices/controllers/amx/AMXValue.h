#pragma once
#include <cstdint>

// A level value as the master sends it: a type byte whose high nibble is the size in bytes, then
// the value high byte first.
class CAMXValue
{
public:
    enum Type : uint8_t
    {
        Unsigned8 = 0x10,
        Signed8 = 0x11,
        Unsigned16 = 0x20,
        Signed16 = 0x21,
        Unsigned32 = 0x40,
        Signed32 = 0x41,
        Float32 = 0x4F,
        Float64 = 0x8F,
    };
    static constexpr int32_t kStorage = 8;

    // The value's size in bytes by its type.
    static int32_t SizeOf(uint8_t type) { return type >> 4; }
    // Takes the value from `bytes` (its size by the type). False, with the value 0, when the size is
    // more than the storage holds or than `available`.
    bool Read(uint8_t type, const uint8_t* bytes, int32_t available);
    uint8_t GetType() const { return m_type; }
    // The value as a float by its type; 0 for a type that is not one of the above.
    float ToFloat() const;

private:
    uint8_t m_type = 0;
    uint64_t m_bits = 0; // the value's bytes, right-aligned
};

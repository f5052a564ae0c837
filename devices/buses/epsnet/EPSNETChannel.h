#pragma once
#include <atomic>
#include <cstdint>

#include "devices/AbstractChannel.h"

class CNerulanValue;

// A value in the station's memory: an area (0 to 3), a byte address and, for a bool, a bit. The
// channel keeps its value as the little-endian bytes of its type (bool: 0 or 1), starting with
// the initial value of its blob; feedback overwrites it, and Press and Release without a value
// send it.
class CEPSNETChannel : public CAbstractChannel
{
public:
    using CAbstractChannel::CAbstractChannel;

    // Blob: action, area, address (2, low byte first), bit, then the initial value (as many bytes
    // of it as the blob holds, up to the type's size). A blob of 5 bytes or fewer loads nothing.
    void Load(const uint8_t* blob, uint32_t length) override;

    // The value's size in bytes for the channel's type (1, 2, 4 or 8); 0 for a type without one.
    static int32_t SizeOf(uint8_t valueType);
    int32_t Size() const { return SizeOf(m_valueType); }
    // Loaded, with a value type, in an area, and wholly within it.
    bool IsUsable() const;

    // The value stored at `bytes` (Size() bytes; a bool reads its bit), as the channel keeps it.
    uint64_t Decode(const uint8_t* bytes) const;
    // A value handed in by the interface, converted to the channel's type.
    uint64_t Encode(const CNerulanValue& value) const;
    // The kept form as a number for the interface.
    double ToDouble(uint64_t raw) const;

    bool m_loaded = false;
    uint8_t m_area = 0;
    uint16_t m_address = 0;
    uint8_t m_bit = 0;
    std::atomic<uint64_t> m_raw{0};
};

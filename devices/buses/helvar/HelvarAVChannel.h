#pragma once
#include <atomic>
#include <cstdint>

#include "devices/AbstractChannel.h"

// A DALI command of a Helvar AV channel: its address (short address, group or broadcast), its
// command kind and its value. The value of a scene or level channel comes from the blob; level
// feedback overwrites it, so that a switch channel pressed without a value toggles.
class CHelvarAVChannel : public CAbstractChannel
{
public:
    using CAbstractChannel::CAbstractChannel;

    // Blob: action (1), address type (1), the address (1, absent for broadcast), command kind (1),
    // for kinds 9 and 10 the value (1). A blob of 3 bytes or fewer is not read; fields beyond the
    // end of a longer one stay 0.
    void Load(const uint8_t* blob, uint32_t length) override;

    // Whether level answers of its short address reach it (and so it is polled).
    bool TakesLevel() const;

    uint8_t m_addressType = 0;
    uint8_t m_address = 0;
    uint8_t m_kind = 0;
    std::atomic<uint8_t> m_value{0};
};

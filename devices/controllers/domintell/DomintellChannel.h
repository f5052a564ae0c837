#pragma once
#include <cstdint>

#include "devices/AbstractChannel.h"

// A Domintell module input, output or setting: the module (type and serial number), the I/O
// number within it, the sub-kind that selects the command suffix, and the value sent by a press or
// release that is given none.
class CDomintellChannel : public CAbstractChannel
{
public:
    static constexpr uint32_t kBlobLength = 16;

    using CAbstractChannel::CAbstractChannel;

    // Blob (16 bytes, little-endian): action (1), module type (4), serial number (4), I/O
    // number (1), sub-kind (1), reserved (1), initial value (4, signed). A blob shorter than that
    // leaves the channel unset: its action sends nothing and it matches no module.
    void Load(const uint8_t* blob, uint32_t length) override;

    uint32_t m_moduleType = 0;
    uint32_t m_serial = 0; // low 24 bits
    uint8_t m_io = 0;
    uint8_t m_subKind = 0;
    int32_t m_initialValue = 0;
};

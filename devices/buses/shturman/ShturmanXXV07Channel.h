#pragma once
#include <cstdint>

#include "devices/buses/shturman/ShturmanChannel.h"

// One of the ten values of an XXV07 module, with the extra byte its commands end in.
class CShturmanXXV07Channel : public CShturmanChannel
{
public:
    using CShturmanChannel::CShturmanChannel;

    // Blob: action, module, value index, extra byte, and the channel value when present. A blob
    // shorter than 4 bytes loads nothing (the channel is then refused: m_loaded stays false).
    void Load(const uint8_t* blob, uint32_t length) override;

    bool m_loaded = false;
    uint8_t m_index = 0;
    uint8_t m_extra = 0;
};

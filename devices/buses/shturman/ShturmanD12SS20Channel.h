#pragma once
#include <cstdint>

#include "devices/buses/shturman/ShturmanChannel.h"

// A D12SS20 channel: a command kind (0 to 18) of a module. Kinds 0 (a status value) and 1 (a bit)
// have a sub-index; kind 0 also a second value.
class CShturmanD12SS20Channel : public CShturmanChannel
{
public:
    using CShturmanChannel::CShturmanChannel;

    // Blob: action, module, kind, then kind 0: sub-index, second value, channel value; kind 1:
    // sub-index; kinds 2 to 9 and 18: channel value. Fields past the blob's end stay 0; a blob of
    // fewer than 3 bytes loads nothing (m_loaded stays false).
    void Load(const uint8_t* blob, uint32_t length) override;

    bool m_loaded = false;
    uint8_t m_kind = 0;
    uint8_t m_subIndex = 0;
    uint8_t m_second = 0;
};

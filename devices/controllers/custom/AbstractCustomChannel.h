#pragma once
#include <cstdint>
#include <vector>

#include "devices/AbstractChannel.h"

// A channel that carries a byte string the project author wrote: a command, a pattern, or an
// HTTP path or format. The channel owns its copy of the bytes.
class CAbstractCustomChannel : public CAbstractChannel
{
public:
    using CAbstractChannel::CAbstractChannel;

    // Replaces the bytes with a copy of n bytes; nothing for null bytes or n = 0.
    void SetBytes(const uint8_t* bytes, uint32_t n);
    const uint8_t* GetBytes() const { return m_bytes.empty() ? nullptr : m_bytes.data(); }
    uint32_t GetByteLength() const { return static_cast<uint32_t>(m_bytes.size()); }

protected:
    std::vector<uint8_t> m_bytes;
};

#pragma once
#include <atomic>
#include <cstdint>

#include "devices/AbstractChannel.h"

// A Lutron DEVICE channel: a button (its component code), a light level (code 14) or an indicator
// (code 141) of the device with the serial. The value-type byte is the command prefix: 1 "#"
// (execute), 2 "?" (query); another value sends nothing.
class CLutronChannel : public CAbstractChannel
{
public:
    using CAbstractChannel::CAbstractChannel;

    // Blob: command kind (1), serial (4, low byte first), code (1), number (1), value (2, low byte
    // first, signed). Fields are read as far as the blob goes.
    void Load(const uint8_t* blob, uint32_t length) override;

    uint8_t m_commandKind = 0;
    uint32_t m_serial = 0;
    uint8_t m_code = 0;
    uint8_t m_number = 0;
    // Level or indicator value; -1 is none. Written by reports on the transport thread.
    std::atomic<int16_t> m_value{-1};
};

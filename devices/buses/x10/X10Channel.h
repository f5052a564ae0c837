#pragma once
#include <atomic>
#include <cstdint>

#include "devices/AbstractChannel.h"

// An X10 channel: a module (house and unit code) and the function a press or release sends.
//
// Blob: action (1); for action 16 the period (4, low byte first); house code, unit code,
// function; for function 7 the extended command and the data, else the data. A blob that does
// not hold the whole record is not read (the channel then sends nothing).
class CX10Channel : public CAbstractChannel
{
public:
    using CAbstractChannel::CAbstractChannel;

    void Load(const uint8_t* blob, uint32_t length) override;

    // Loaded fields, read-only afterwards.
    uint8_t m_house = 0;
    uint8_t m_unit = 0;
    uint8_t m_function = 0;
    uint8_t m_extended = 0;
    // The dim count or extended data; SetValue changes it (tick thread).
    std::atomic<uint8_t> m_data{0};
    // The periodic pass's bookkeeping (tick thread only).
    bool m_sentPeriodically = false;
    uint32_t m_lastPeriodicSend = 0;
};

#pragma once
#include <atomic>
#include <cstdint>

#include "devices/AbstractChannel.h"

class CBlobReader;

// A SmartBus channel: the target module, the operation code and the channel number, with the
// kind that the operation code gives.
//
// Blob: action (1); for action 16 the period (4, low byte first); subnet (1), device (1),
// operation code (2, low byte first); for the audio kind the channel number, the initial value,
// the zone and the source; for the other known kinds the channel number, the initial value and
// the extra word (2, low byte first); then, when present, the repeat count (1). Fields are read
// as far as the blob goes; a missing one keeps its default.
class CSmartBusChannel : public CAbstractChannel
{
public:
    using CAbstractChannel::CAbstractChannel;

    void Load(const uint8_t* blob, uint32_t length) override;

    // Loaded fields, read-only afterwards.
    uint8_t m_subnet = 0;
    uint8_t m_device = 0;
    uint16_t m_opCode = 0;
    uint8_t m_kind = 0;
    uint8_t m_number = 0;
    uint16_t m_extra = 0;
    uint8_t m_repeat = 1;
    uint8_t m_zone = 0;
    uint8_t m_source = 0;
    // The initial value, later the last one reported (written by the transport thread).
    std::atomic<float> m_value{0};
    // The periodic pass's bookkeeping (tick thread only).
    bool m_sentPeriodically = false;
    uint32_t m_lastPeriodicSend = 0;

private:
    void ReadRepeat(CBlobReader& reader);
};

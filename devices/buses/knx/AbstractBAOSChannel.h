#pragma once
#include <cstdint>

#include "devices/AbstractChannel.h"
#include "devices/buses/knx/KnxStoredValue.h"

// A channel on an object-server datapoint. The version classes read their blob: ChannelAction,
// subtype, datapoint id (one byte in 1.x, 16-bit in 2.x), the command byte sent with every write,
// then the initial value by value type (little-endian).
class CAbstractBAOSChannel : public CAbstractChannel
{
public:
    using CAbstractChannel::CAbstractChannel;

    uint16_t m_datapoint = 0;
    uint8_t m_command = 0;
    uint8_t m_subtype = 0;
    CKnxStoredValue m_value;

protected:
    // Reads the blob from the datapoint id on (wideId: 16-bit).
    void LoadFields(const uint8_t* blob, uint32_t length, bool wideId);
};

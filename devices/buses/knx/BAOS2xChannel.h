#pragma once
#include "devices/buses/knx/AbstractBAOSChannel.h"

// A datapoint channel of the 2.x protocol: 16-bit datapoint id.
class CBAOS2xChannel : public CAbstractBAOSChannel
{
public:
    using CAbstractBAOSChannel::CAbstractBAOSChannel;
    void Load(const uint8_t* blob, uint32_t length) override { LoadFields(blob, length, true); }
};

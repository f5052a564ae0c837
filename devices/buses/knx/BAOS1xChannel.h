#pragma once
#include "devices/buses/knx/AbstractBAOSChannel.h"

// A datapoint channel of the 1.x protocol: one-byte datapoint id.
class CBAOS1xChannel : public CAbstractBAOSChannel
{
public:
    using CAbstractBAOSChannel::CAbstractBAOSChannel;
    void Load(const uint8_t* blob, uint32_t length) override { LoadFields(blob, length, false); }
};

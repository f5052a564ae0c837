#pragma once
#include "devices/buses/shturman/AbstractShturmanD12SS20Device.h"

// The Shturman D12SS20 module bus over a serial line (device type 0x83).
class CShturmanD12SS20SerialDevice : public CAbstractShturmanD12SS20Device
{
public:
    ~CShturmanD12SS20SerialDevice() override;
    // The poll period (value; 0 turns polling off) and the link.
    bool Configure(DeviceParams* params) override;
};

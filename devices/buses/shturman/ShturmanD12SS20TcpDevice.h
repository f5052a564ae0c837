#pragma once
#include "devices/buses/shturman/AbstractShturmanD12SS20Device.h"

// The Shturman D12SS20 module bus over TCP (device type 0x84).
class CShturmanD12SS20TcpDevice : public CAbstractShturmanD12SS20Device
{
public:
    ~CShturmanD12SS20TcpDevice() override;
    // The poll period (value; 0 turns polling off) and the link.
    bool Configure(DeviceParams* params) override;
};

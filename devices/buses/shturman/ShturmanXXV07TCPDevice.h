#pragma once
#include "devices/buses/shturman/AbstractShturmanXXV07Device.h"

// The Shturman XXV07 module bus over TCP (device type 0x74).
class CShturmanXXV07TCPDevice : public CAbstractShturmanXXV07Device
{
public:
    ~CShturmanXXV07TCPDevice() override;
    bool Configure(DeviceParams* params) override;
};

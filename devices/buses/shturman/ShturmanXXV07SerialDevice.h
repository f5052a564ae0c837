#pragma once
#include "devices/buses/shturman/AbstractShturmanXXV07Device.h"

// The Shturman XXV07 module bus over a serial line (device type 0x73).
class CShturmanXXV07SerialDevice : public CAbstractShturmanXXV07Device
{
public:
    ~CShturmanXXV07SerialDevice() override;
    bool Configure(DeviceParams* params) override;
};

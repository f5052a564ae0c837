#pragma once
#include "devices/buses/x10/AbstractX10Device.h"

// An X10 interface on a serial line.
class CX10SerialDevice : public CAbstractX10Device
{
public:
    ~CX10SerialDevice() override;
    bool Configure(DeviceParams* params) override;
};

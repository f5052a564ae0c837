#pragma once
#include "devices/buses/x10/AbstractX10Device.h"

// An X10 interface on a TCP serial gateway.
class CX10TCPDevice : public CAbstractX10Device
{
public:
    ~CX10TCPDevice() override;
    bool Configure(DeviceParams* params) override;
};

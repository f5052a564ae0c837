#pragma once
#include "devices/buses/smartbus/AbstractSmartBusDevice.h"

// SmartBus through a serial line: the frames alone, without a prefix.
class CSmartBusSerialDevice : public CAbstractSmartBusDevice
{
public:
    ~CSmartBusSerialDevice() override;
    bool Configure(DeviceParams* params) override;
};

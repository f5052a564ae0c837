#pragma once
#include "devices/buses/smartbus/AbstractSmartBusDevice.h"

// SmartBus through a TCP serial gateway: the frames alone, without a prefix.
class CSmartBusTcpGateDevice : public CAbstractSmartBusDevice
{
public:
    ~CSmartBusTcpGateDevice() override;
    bool Configure(DeviceParams* params) override;
};

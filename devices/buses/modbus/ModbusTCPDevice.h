#pragma once
#include "devices/buses/modbus/AbstractModbusDevice.h"

// Modbus TCP (MBAP header) over a TCP connection; device type 0x21.
class CModbusTCPDevice : public CAbstractModbusDevice
{
public:
    CModbusTCPDevice();
    ~CModbusTCPDevice() override;
    bool Configure(DeviceParams* params) override;
};

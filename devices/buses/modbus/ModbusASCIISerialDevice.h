#pragma once
#include "devices/buses/modbus/ModbusASCIIDevice.h"

// Modbus ASCII over a serial line; device type 0x33.
class CModbusASCIISerialDevice : public CModbusASCIIDevice
{
public:
    ~CModbusASCIISerialDevice() override;
    bool Configure(DeviceParams* params) override;
};

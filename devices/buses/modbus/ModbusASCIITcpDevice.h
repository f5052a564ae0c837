#pragma once
#include "devices/buses/modbus/ModbusASCIIDevice.h"

// Modbus ASCII over a TCP connection (a serial gateway); device type 0x34.
class CModbusASCIITcpDevice : public CModbusASCIIDevice
{
public:
    ~CModbusASCIITcpDevice() override;
    bool Configure(DeviceParams* params) override;
};

#pragma once
#include "devices/buses/modbus/ModbusRTUDevice.h"

// Modbus RTU over a TCP connection (a serial gateway); device type 0x44.
class CModbusRTUTcpDevice : public CModbusRTUDevice
{
public:
    ~CModbusRTUTcpDevice() override;
    bool Configure(DeviceParams* params) override;
};

#pragma once
#include "devices/buses/modbus/ModbusRTUDevice.h"

// Modbus RTU over a serial line; device type 0x43.
class CModbusRTUSerialDevice : public CModbusRTUDevice
{
public:
    ~CModbusRTUSerialDevice() override;
    bool Configure(DeviceParams* params) override;
};

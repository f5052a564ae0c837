#pragma once
#include "devices/buses/modbus/AbstractModbusDevice.h"

// Modbus RTU framing; its links are CModbusRTUSerialDevice and
// CModbusRTUTcpDevice.
class CModbusRTUDevice : public CAbstractModbusDevice
{
public:
    CModbusRTUDevice();
};

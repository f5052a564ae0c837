#pragma once
#include "devices/buses/modbus/AbstractModbusDevice.h"

// Modbus ASCII framing; its links are CModbusASCIISerialDevice and
// CModbusASCIITcpDevice.
class CModbusASCIIDevice : public CAbstractModbusDevice
{
public:
    CModbusASCIIDevice();
};

#include "devices/buses/modbus/ModbusASCIIDevice.h"

#include "devices/buses/modbus/ModbusASCIICodec.h"

namespace
{
const CModbusASCIICodec kCodec;
}

CModbusASCIIDevice::CModbusASCIIDevice() : CAbstractModbusDevice(kCodec) {}

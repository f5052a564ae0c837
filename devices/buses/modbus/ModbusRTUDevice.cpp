#include "devices/buses/modbus/ModbusRTUDevice.h"

#include "devices/buses/modbus/ModbusRTUCodec.h"

namespace
{
const CModbusRTUCodec kCodec;
}

CModbusRTUDevice::CModbusRTUDevice() : CAbstractModbusDevice(kCodec) {}

#include "devices/buses/modbus/ModbusASCIISerialDevice.h"

#include "devices/DeviceParams.h"

CModbusASCIISerialDevice::~CModbusASCIISerialDevice()
{
    DeleteTransport();
}

bool CModbusASCIISerialDevice::Configure(DeviceParams* params)
{
    if (!params)
        return false;
    m_pollPeriod = params->value;
    return OpenSerialTransport(params);
}

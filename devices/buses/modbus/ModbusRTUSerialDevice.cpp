#include "devices/buses/modbus/ModbusRTUSerialDevice.h"

#include "devices/DeviceParams.h"

CModbusRTUSerialDevice::~CModbusRTUSerialDevice()
{
    DeleteTransport();
}

bool CModbusRTUSerialDevice::Configure(DeviceParams* params)
{
    if (!params)
        return false;
    m_pollPeriod = params->value;
    return OpenSerialTransport(params);
}

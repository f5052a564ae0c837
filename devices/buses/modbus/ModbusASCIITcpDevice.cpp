#include "devices/buses/modbus/ModbusASCIITcpDevice.h"

#include "devices/DeviceParams.h"

CModbusASCIITcpDevice::~CModbusASCIITcpDevice()
{
    DeleteTransport();
}

bool CModbusASCIITcpDevice::Configure(DeviceParams* params)
{
    if (!params)
        return false;
    m_pollPeriod = params->value;
    return OpenTcpTransport(params);
}

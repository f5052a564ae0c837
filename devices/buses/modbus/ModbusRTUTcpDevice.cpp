#include "devices/buses/modbus/ModbusRTUTcpDevice.h"

#include "devices/DeviceParams.h"

CModbusRTUTcpDevice::~CModbusRTUTcpDevice()
{
    DeleteTransport();
}

bool CModbusRTUTcpDevice::Configure(DeviceParams* params)
{
    if (!params)
        return false;
    m_pollPeriod = params->value;
    return OpenTcpTransport(params);
}

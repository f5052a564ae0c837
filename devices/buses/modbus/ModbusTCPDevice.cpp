#include "devices/buses/modbus/ModbusTCPDevice.h"

#include "devices/DeviceParams.h"
#include "devices/buses/modbus/ModbusTcpCodec.h"

namespace
{
const CModbusTcpCodec kCodec;
}

CModbusTCPDevice::CModbusTCPDevice() : CAbstractModbusDevice(kCodec) {}

CModbusTCPDevice::~CModbusTCPDevice()
{
    DeleteTransport();
}

bool CModbusTCPDevice::Configure(DeviceParams* params)
{
    if (!params)
        return false;
    m_pollPeriod = params->value;
    return OpenTcpTransport(params);
}

#include "devices/buses/helvar/HelvarAVTcpGateDevice.h"

#include "devices/DeviceParams.h"

CHelvarAVTcpGateDevice::~CHelvarAVTcpGateDevice()
{
    DeleteTransport();
}

bool CHelvarAVTcpGateDevice::Configure(DeviceParams* params)
{
    if (!params)
        return false;
    m_pollPeriod = params->value;
    return OpenTcpTransport(params);
}

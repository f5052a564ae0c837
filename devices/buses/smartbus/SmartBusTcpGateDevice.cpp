#include "devices/buses/smartbus/SmartBusTcpGateDevice.h"

#include "devices/DeviceParams.h"

CSmartBusTcpGateDevice::~CSmartBusTcpGateDevice()
{
    DeleteTransport();
}

bool CSmartBusTcpGateDevice::Configure(DeviceParams* params)
{
    return OpenTcpTransport(params);
}

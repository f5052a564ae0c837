#include "devices/controllers/custom/CustomTCPDevice.h"

CCustomTCPDevice::~CCustomTCPDevice()
{
    // The transport's thread stops while the whole device is still there for OnReceive.
    DeleteTransport();
}

bool CCustomTCPDevice::Configure(DeviceParams* params)
{
    return params && OpenTcpTransport(params);
}

void CCustomTCPDevice::Disconnect()
{
    CloseTransport();
}

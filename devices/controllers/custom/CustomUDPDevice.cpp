#include "devices/controllers/custom/CustomUDPDevice.h"

CCustomUDPDevice::~CCustomUDPDevice()
{
    // The transport's thread stops while the whole device is still there for OnReceive.
    DeleteTransport();
}

bool CCustomUDPDevice::Configure(DeviceParams* params)
{
    return params && OpenUdpTransport(params);
}

// The socket is closed as on the other links, so a Disconnect really lets go of the port; the
// next Connect opens it again.
void CCustomUDPDevice::Disconnect()
{
    CloseTransport();
}

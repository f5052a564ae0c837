#include "devices/buses/helvar/HelvarNetUdpDevice.h"

#include "devices/DeviceParams.h"

CHelvarNetUdpDevice::~CHelvarNetUdpDevice()
{
    DeleteTransport();
}

bool CHelvarNetUdpDevice::Configure(DeviceParams* params)
{
    return OpenUdpTransport(params, 0);
}

#include "devices/buses/helvar/HelvarNetTcpDevice.h"

#include "devices/DeviceParams.h"

CHelvarNetTcpDevice::~CHelvarNetTcpDevice()
{
    DeleteTransport();
}

bool CHelvarNetTcpDevice::Configure(DeviceParams* params)
{
    return OpenTcpTransport(params);
}

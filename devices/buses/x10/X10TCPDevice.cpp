#include "devices/buses/x10/X10TCPDevice.h"

#include "devices/DeviceParams.h"

CX10TCPDevice::~CX10TCPDevice()
{
    DeleteTransport();
}

bool CX10TCPDevice::Configure(DeviceParams* params)
{
    return OpenTcpTransport(params);
}

#include "devices/buses/shturman/ShturmanXXV07TCPDevice.h"

CShturmanXXV07TCPDevice::~CShturmanXXV07TCPDevice()
{
    DeleteTransport();
}

bool CShturmanXXV07TCPDevice::Configure(DeviceParams* params)
{
    return OpenTcpTransport(params);
}

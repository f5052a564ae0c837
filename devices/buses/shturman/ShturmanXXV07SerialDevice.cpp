#include "devices/buses/shturman/ShturmanXXV07SerialDevice.h"

CShturmanXXV07SerialDevice::~CShturmanXXV07SerialDevice()
{
    DeleteTransport();
}

bool CShturmanXXV07SerialDevice::Configure(DeviceParams* params)
{
    return OpenSerialTransport(params);
}

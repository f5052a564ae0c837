#include "devices/buses/x10/X10SerialDevice.h"

#include "devices/DeviceParams.h"

CX10SerialDevice::~CX10SerialDevice()
{
    DeleteTransport();
}

bool CX10SerialDevice::Configure(DeviceParams* params)
{
    return OpenSerialTransport(params);
}

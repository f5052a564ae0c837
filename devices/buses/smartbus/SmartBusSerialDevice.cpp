#include "devices/buses/smartbus/SmartBusSerialDevice.h"

#include "devices/DeviceParams.h"

CSmartBusSerialDevice::~CSmartBusSerialDevice()
{
    DeleteTransport();
}

bool CSmartBusSerialDevice::Configure(DeviceParams* params)
{
    return OpenSerialTransport(params);
}

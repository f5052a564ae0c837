#include "devices/controllers/custom/CustomSerialDevice.h"

CCustomSerialDevice::~CCustomSerialDevice()
{
    // The transport's thread stops while the whole device is still there for OnReceive.
    DeleteTransport();
}

bool CCustomSerialDevice::Configure(DeviceParams* params)
{
    return params && OpenSerialTransport(params);
}

void CCustomSerialDevice::Disconnect()
{
    CloseTransport();
}

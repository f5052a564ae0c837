#include "devices/buses/helvar/HelvarAVSerialDevice.h"

#include "devices/DeviceParams.h"

CHelvarAVSerialDevice::~CHelvarAVSerialDevice()
{
    DeleteTransport();
}

bool CHelvarAVSerialDevice::Configure(DeviceParams* params)
{
    if (!params)
        return false;
    m_pollPeriod = params->value;
    return OpenSerialTransport(params);
}

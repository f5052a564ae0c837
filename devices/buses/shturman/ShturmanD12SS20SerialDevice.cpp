#include "devices/buses/shturman/ShturmanD12SS20SerialDevice.h"

#include "devices/DeviceParams.h"

CShturmanD12SS20SerialDevice::~CShturmanD12SS20SerialDevice()
{
    DeleteTransport();
}

bool CShturmanD12SS20SerialDevice::Configure(DeviceParams* params)
{
    m_pollPeriod = params->value;
    return OpenSerialTransport(params);
}

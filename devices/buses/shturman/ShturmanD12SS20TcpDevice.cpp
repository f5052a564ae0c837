#include "devices/buses/shturman/ShturmanD12SS20TcpDevice.h"

#include "devices/DeviceParams.h"

CShturmanD12SS20TcpDevice::~CShturmanD12SS20TcpDevice()
{
    DeleteTransport();
}

bool CShturmanD12SS20TcpDevice::Configure(DeviceParams* params)
{
    m_pollPeriod = params->value;
    return OpenTcpTransport(params);
}

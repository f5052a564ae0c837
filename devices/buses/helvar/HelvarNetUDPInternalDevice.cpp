#include "devices/buses/helvar/HelvarNetUDPInternalDevice.h"

#include "devices/DeviceParams.h"
#include "devices/UDPTransport.h"

CHelvarNetUDPInternalDevice::~CHelvarNetUDPInternalDevice()
{
    DeleteTransport();
}

bool CHelvarNetUDPInternalDevice::Configure(DeviceParams* params)
{
    if (!params)
        return false;
    const bool opened = OpenUdpTransport(params, params->port);
    // Set before the first Connect: the port is shared with whatever else listens on it here.
    if (auto* udp = dynamic_cast<CUDPTransport*>(m_transport))
        udp->SetReuseAddress(true);
    return opened;
}

bool CHelvarNetUDPInternalDevice::IsOwnDatagram() const
{
    auto* udp = dynamic_cast<CUDPTransport*>(m_transport);
    if (!udp)
        return false;
    return udp->GetSenderPort() == udp->GetLocalPort() && udp->GetSenderAddress() == udp->GetLocalAddress();
}

#include "devices/buses/smartbus/SmartBusUdpDevice.h"

#include "devices/DeviceParams.h"
#include "devices/UDPTransport.h"
#include "platform/Socket.h"

CSmartBusUdpDevice::~CSmartBusUdpDevice()
{
    DeleteTransport();
}

bool CSmartBusUdpDevice::Configure(DeviceParams* params)
{
    if (!params)
        return false;
    m_port = params->port;
    // No host: the transport sends to 255.255.255.255, whatever the record held.
    DeviceParams broadcast;
    broadcast.port = params->port;
    const bool opened = OpenUdpTransport(&broadcast, params->port);
    // Other bus software on this machine may listen on the same port.
    if (auto* udp = dynamic_cast<CUDPTransport*>(m_transport))
        udp->SetReuseAddress(true);
    return opened;
}

bool CSmartBusUdpDevice::WritePrefix(std::vector<uint8_t>& out)
{
    // The address the kernel sends the broadcast from: the transport knows it once its socket is
    // up; before that (a command given while offline) the route is asked directly.
    uint32_t local = m_transport ? m_transport->GetLocalAddress() : 0;
    if (local == 0)
        local = platform::LocalAddressToward(platform::kBroadcastAddress, m_port);
    if (local == 0)
        return false; // no route for a broadcast: the frame could never leave
    SmartBusWritePrefix(out, local);
    return true;
}

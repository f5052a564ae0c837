// The shared Configure forms of the devices: each creates its transport, keeps it (also when Open
// fails, so that the connection cycle and Disconnect find it) and opens it with the endpoint.
#include "devices/AbstractDevice.h"
#include "devices/DeviceParams.h"
#include "devices/SerialTransport.h"
#include "devices/TCPTransport.h"
#include "devices/UDPTransport.h"

namespace
{
// Where a UDP device without a host sends: the same broadcast address that a host name which is
// no dotted address reads as.
constexpr const char* kBroadcastHost = "255.255.255.255";
} // namespace

bool CAbstractDevice::OpenTcpTransport(const DeviceParams* params)
{
    if (!params)
        return false;
    DeleteTransport();
    m_transport = new CTCPTransport(this);
    return m_transport->Open(params->host, params->port, 0, 0, 0, 0);
}

bool CAbstractDevice::OpenUdpTransport(const DeviceParams* params, uint16_t localPort)
{
    if (!params)
        return false;
    DeleteTransport();
    m_transport = new CUDPTransport(this);
    // A device given a port and no host broadcasts; a missing host is never read.
    const char* host = params->host && *params->host ? params->host : kBroadcastHost;
    return m_transport->Open(host, params->port, localPort, 0, 0, 0);
}

bool CAbstractDevice::OpenSerialTransport(const DeviceParams* params)
{
    if (!params)
        return false;
    DeleteTransport();
    m_transport = new CSerialTransport(this);
    if (!m_transport->Open(nullptr, params->port, 0, params->baud, params->dataBits, params->parity))
        return false;
    m_transport->SetReadInterval(params->readInterval);
    return true;
}

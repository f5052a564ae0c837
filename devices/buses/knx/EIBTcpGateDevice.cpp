#include "devices/buses/knx/EIBTcpGateDevice.h"

#include "devices/AbstractTransport.h"

bool CEIBTcpGateDevice::Configure(DeviceParams* params)
{
    ConfigureLink(params);
    return OpenTcpTransport(params);
}

void CEIBTcpGateDevice::Disconnect()
{
    DisconnectTunnel();
    CloseTransport();
}

bool CEIBTcpGateDevice::Update()
{
    if (m_state != StateIdle)
        return CAbstractEIBDevice::Update();
    if (!m_transport)
        return false;
    uint8_t link = m_transport->GetLinkState();
    if (link == CAbstractTransport::LinkConnectRequested || link == CAbstractTransport::LinkConnected)
    {
        Disconnect();
        return false;
    }
    m_lastAttempt = Now();
    Connect();
    return true;
}

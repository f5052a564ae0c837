#include "devices/AbstractTransport.h"

CAbstractTransport::CAbstractTransport(CAbstractDevice* device) : m_device(device) {}

CAbstractTransport::~CAbstractTransport() = default;

void CAbstractTransport::RequestState(uint8_t state)
{
    CCriticalSectionGuard guard(&m_stateLock);
    if (state == LinkConnectRequested)
    {
        if (m_linkState == LinkClosed)
            m_linkState = LinkConnectRequested;
        return;
    }
    if (state == LinkConnected || state == LinkClosed)
        m_linkState = state;
}

uint8_t CAbstractTransport::GetLinkState()
{
    CCriticalSectionGuard guard(&m_stateLock);
    return m_linkState;
}

void CAbstractTransport::SetConnected(bool connected)
{
    CCriticalSectionGuard guard(&m_connectedLock);
    m_connected = connected ? 1 : 0;
}

bool CAbstractTransport::IsConnected()
{
    CCriticalSectionGuard guard(&m_connectedLock);
    return m_connected != 0;
}

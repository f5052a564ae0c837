#include "devices/AbstractDevice.h"

#include "common/RingGrowth.h"
#include "common/Vector.h"
#include "devices/AbstractTransport.h"
#include "platform/Clock.h"

CVector* g_pDeviceList = nullptr;

CAbstractDevice* FindDevice(uint32_t address)
{
    if (!g_pDeviceList)
        return nullptr;
    uint16_t id = static_cast<uint16_t>(address >> 16);
    for (int32_t i = 0; i < g_pDeviceList->GetCount(); ++i)
    {
        CAbstractDevice* device = g_pDeviceList->Get<CAbstractDevice>(i);
        if (device && device->GetId() == id)
            return device;
    }
    return nullptr;
}

CAbstractDevice::CAbstractDevice() : m_created(platform::ClockMs()), m_records(new CDeviceEvent[kRingStep]) {}

CAbstractDevice::~CAbstractDevice()
{
    // Pending records still reach the interface, and their payloads are freed on the way.
    while (DispatchEvents())
    {
    }
    delete[] m_records;
}

uint32_t CAbstractDevice::Now() const
{
    return platform::ElapsedMs(platform::ClockMs(), m_created);
}

bool CAbstractDevice::AddChannel(uint32_t, uint8_t, uint8_t, uint8_t, uint32_t, const uint8_t*)
{
    return false;
}
bool CAbstractDevice::Press(uint16_t, CNerulanValue*)
{
    return false;
}
bool CAbstractDevice::Release(uint16_t, CNerulanValue*)
{
    return false;
}
bool CAbstractDevice::Hold(uint16_t, uint32_t)
{
    return false;
}
bool CAbstractDevice::SetValue(uint16_t, CNerulanValue*)
{
    return false;
}
bool CAbstractDevice::SendBytes(const uint8_t*, uint32_t)
{
    return false;
}
void CAbstractDevice::OnReceive(const uint8_t*, uint32_t) {}

void CAbstractDevice::StartTimer()
{
    m_timerStart = Now();
    m_timerArmed = 1;
}

void CAbstractDevice::CheckTimer()
{
    // Strictly later than start + period, measured as a difference so that it survives the wrap.
    if (!m_timerArmed || platform::ElapsedMs(Now(), m_timerStart) <= m_timerPeriod)
        return;
    m_timerArmed = 0;
    OnTimer();
}

void CAbstractDevice::PostEvent(const CDeviceEvent& event)
{
    CCriticalSectionGuard guard(&m_ringLock);
    if (m_count == m_capacity)
        GrowFullRing(m_records, m_capacity, kRingStep, m_count, m_readIndex, m_writeIndex);
    if (m_writeIndex >= m_capacity)
        m_writeIndex = 0;
    m_records[m_writeIndex++] = event;
    ++m_count;
}

bool CAbstractDevice::DispatchEvents()
{
    bool took = false;
    for (;;)
    {
        CDeviceEvent event;
        {
            CCriticalSectionGuard guard(&m_ringLock);
            if (m_count == 0)
                return took;
            if (m_readIndex >= m_capacity)
                m_readIndex = 0;
            event = m_records[m_readIndex];
            m_records[m_readIndex] = CDeviceEvent();
            ++m_readIndex;
            --m_count;
        }
        took = true;
        // No lock of the device is held here: an operation may post further events to it, and
        // they are taken in this same drain.
        // Only the low half of the channel word is the channel: high bits would otherwise land
        // the record on the items of another device id.
        uint32_t address = (static_cast<uint32_t>(m_id) << 16) | (event.channel & 0xFFFF);
        if (event.kind != EventNone && event.kind <= EventKindLast && m_dialogSystem)
            DispatchEvent(event, address);
        event.FreePayloads();
    }
}

bool CAbstractDevice::AcceptsReportKind(uint8_t kind) const
{
    if (!ReadsReportKind() || !DeviceEventKindNeedsPayload(kind))
        return true;
    return (m_payloadKinds[kind >> 6] >> (kind & 63)) & 1;
}

int32_t CAbstractDevice::GetRingCapacity()
{
    CCriticalSectionGuard guard(&m_ringLock);
    return m_capacity;
}

int32_t CAbstractDevice::GetRingCount()
{
    CCriticalSectionGuard guard(&m_ringLock);
    return m_count;
}

bool CAbstractDevice::StandardUpdate()
{
    switch (m_state.load())
    {
    case StateOnline:
        DispatchEvents();
        return false;
    case StateIdle:
    {
        if (!m_transport)
            return false;
        uint8_t link = m_transport->GetLinkState();
        if (link == CAbstractTransport::LinkConnectRequested || link == CAbstractTransport::LinkConnected)
        {
            m_transport->Close();
            return false;
        }
        m_lastAttempt = Now();
        Connect();
        return true;
    }
    case StateConnecting:
        if (platform::ElapsedMs(Now(), m_lastAttempt) > m_reconnectWait)
            m_state = StateIdle;
        return false;
    default:
        return false;
    }
}

bool CAbstractDevice::StandardConnect()
{
    if (!m_transport)
        return false;
    m_state = StateConnecting;
    m_lastAttempt = Now();
    m_transport->RequestState(CAbstractTransport::LinkConnectRequested);
    return true;
}

bool CAbstractDevice::ConnectWithoutTimeStamp()
{
    if (!m_transport)
        return false;
    m_state = StateConnecting;
    m_transport->RequestState(CAbstractTransport::LinkConnectRequested);
    return true;
}

bool CAbstractDevice::DirectConnect()
{
    if (!m_transport)
        return false;
    m_lastAttempt = Now();
    m_state = StateConnecting;
    // A transport's Connect only starts the attempt, which its worker carries out: nothing here
    // waits for the peer, so a slow or silent host never stalls the tick.
    return m_transport->Connect();
}

bool CAbstractDevice::SendToTransport(const uint8_t* bytes, uint32_t length)
{
    CCriticalSectionGuard guard(&m_sendLock);
    return m_transport && m_transport->Send(bytes, length);
}

uint8_t CAbstractDevice::OfferToTransport(const uint8_t* bytes, uint32_t length)
{
    CCriticalSectionGuard guard(&m_sendLock);
    return m_transport ? m_transport->Offer(bytes, length) : CAbstractTransport::SendRefused;
}

void CAbstractDevice::CloseTransport()
{
    if (m_transport)
        m_transport->Close();
}

void CAbstractDevice::DeleteTransport()
{
    CAbstractTransport* transport = m_transport;
    delete transport;
    m_transport = nullptr;
}

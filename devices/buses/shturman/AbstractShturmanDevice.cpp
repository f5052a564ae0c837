#include "devices/buses/shturman/AbstractShturmanDevice.h"

#include "devices/AbstractChannel.h"

CAbstractShturmanDevice::CAbstractShturmanDevice(const CAbstractFrameCodec& codec, const SendPumpRules& rules)
    : m_scanner(codec), m_pump(*this, m_queue, rules)
{
}

CAbstractShturmanDevice::~CAbstractShturmanDevice()
{
    DeleteTransport();
}

bool CAbstractShturmanDevice::Connect()
{
    return StandardConnect();
}

void CAbstractShturmanDevice::Disconnect()
{
    CloseTransport();
}

bool CAbstractShturmanDevice::Press(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    return PressOrRelease(channel, ActionPress);
}

bool CAbstractShturmanDevice::Release(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    return PressOrRelease(channel, ActionRelease);
}

bool CAbstractShturmanDevice::Update()
{
    if (GetState() != StateOnline)
        return StandardUpdate();
    DispatchEvents();
    Poll();
    m_pump.Pump();
    return false;
}

void CAbstractShturmanDevice::OnConnected()
{
    // Bytes of the old link are no start of a frame on the new one.
    m_in.Reset();
    m_state = StateOnline;
    OnLinkUp();
}

void CAbstractShturmanDevice::OnDisconnected()
{
    m_pump.OnLinkLost();
    m_state = StateIdle;
}

void CAbstractShturmanDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    m_in.Append(bytes, static_cast<int32_t>(length));
    const uint8_t* frame = nullptr;
    int32_t size = 0;
    while (m_scanner.Next(m_in, frame, size))
        OnFrame(frame, size);
}

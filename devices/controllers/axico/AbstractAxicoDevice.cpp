#include "devices/controllers/axico/AbstractAxicoDevice.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "common/NerulanValue.h"
#include "platform/Clock.h"

CAbstractAxicoDevice::CAbstractAxicoDevice() = default;

CAbstractAxicoDevice::~CAbstractAxicoDevice()
{
    DeleteTransport();
}

void CAbstractAxicoDevice::CloseLink()
{
    if (!m_transport)
        return;
    if (SendText(CAxicoCodec::kClose))
        std::this_thread::sleep_for(std::chrono::milliseconds(kCloseWait));
    CloseTransport();
    DeleteTransport();
}

void CAbstractAxicoDevice::BeginClose()
{
    // Behind any command still queued, and kept like them while the port is busy.
    const char* text = CAxicoCodec::kClose;
    if (!m_pump.Queue(0, reinterpret_cast<const uint8_t*>(text), static_cast<uint32_t>(std::strlen(text))) ||
        m_pump.Pump().kind == PumpStep::SendFailed)
    {
        m_queue.Clear();
        CloseTransport();
        return;
    }
    m_closing = true;
    m_closeStart = Now();
    m_state = StateIdle;
}

bool CAbstractAxicoDevice::UpdateClosing()
{
    if (m_queue.GetCount() > 0)
    {
        if (m_pump.Pump().kind != PumpStep::SendFailed)
        {
            // The wait counts from the last hand-over.
            m_closeStart = Now();
            return true;
        }
        m_queue.Clear();
    }
    else if (platform::ElapsedMs(Now(), m_closeStart) < kCloseWait)
        return true;
    m_closing = false;
    CloseTransport();
    return false;
}

bool CAbstractAxicoDevice::Connect()
{
    return StandardConnect();
}

bool CAbstractAxicoDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                                      uint32_t blobLength, const uint8_t* blob)
{
    m_channels.AddLoaded(id, valueType, reportKind, direction, blobLength, blob);
    return true;
}

bool CAbstractAxicoDevice::SendText(const char* text)
{
    return SendToTransport(reinterpret_cast<const uint8_t*>(text), static_cast<uint32_t>(std::strlen(text)));
}

bool CAbstractAxicoDevice::SendCommand(const CAxicoChannel& channel, uint8_t command)
{
    const std::string line = CAxicoCodec::WriteCommand(channel.m_address, command);
    if (!m_pump.Queue(0, reinterpret_cast<const uint8_t*>(line.data()), static_cast<uint32_t>(line.size())))
        return false;
    // Refused for good only without a link, where nothing queued can go (Flush drops it all); a
    // busy port keeps the line for the next Update.
    return m_pump.Flush();
}

bool CAbstractAxicoDevice::Press(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    const CAxicoChannel* c = m_channels.Find(channel);
    return c && c->GetDirection() != DirectionNeverSent;
}

bool CAbstractAxicoDevice::Release(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    CAxicoChannel* c = m_channels.Find(channel);
    if (!c || c->GetDirection() == DirectionNeverSent)
        return false;
    switch (c->m_kind)
    {
    case CAxicoChannel::KindSwitch:
    {
        const int32_t state = c->m_state;
        // The state follows the command only once it is on its way.
        if (state == CAxicoChannel::kOff)
        {
            if (!SendCommand(*c, CAxicoCodec::kOn))
                return false;
            c->m_state = CAxicoChannel::kOn;
            return true;
        }
        if (state == CAxicoChannel::kOn)
        {
            if (!SendCommand(*c, CAxicoCodec::kOff))
                return false;
            m_poster.Post(c->GetId(), EventSetItemValue, 0.0);
            c->m_state = CAxicoChannel::kOff;
            return true;
        }
        // Not yet known: a status frame must tell first.
        return false;
    }
    case CAxicoChannel::KindPulse:
        return SendCommand(*c, CAxicoCodec::kOn);
    default:
        return true;
    }
}

bool CAbstractAxicoDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    CAxicoChannel* c = m_channels.Find(channel);
    if (!c || !value || c->GetDirection() == DirectionNeverSent)
        return false;
    if (c->m_kind != CAxicoChannel::KindDimmer)
        return true;
    const int32_t level = value->GetInt();
    if (!SendCommand(*c, static_cast<uint8_t>(level)))
        return false;
    c->m_state = level;
    m_poster.Post(c->GetId(), EventSetItemValue, level);
    return true;
}

bool CAbstractAxicoDevice::Update()
{
    if (m_closing && UpdateClosing())
        return false;
    if (GetState() == StateOnline)
        m_pump.Pump();
    return StandardUpdate();
}

void CAbstractAxicoDevice::OnConnected()
{
    m_in.Reset();
    // Placeholders until a status frame tells the real states.
    for (const auto& c : m_channels)
    {
        if (c->m_kind == CAxicoChannel::KindSwitch)
            m_poster.Post(c->GetId(), EventSetItemValue, 2.0);
        else if (c->m_kind == CAxicoChannel::KindDimmer)
            m_poster.Post(c->GetId(), EventSetItemValue, 18.0);
    }
    OnLinkUp();
}

void CAbstractAxicoDevice::OnDisconnected()
{
    m_pump.OnLinkLost();
    m_state = StateIdle;
}

void CAbstractAxicoDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    m_in.Append(bytes, static_cast<int32_t>(length));
    const uint8_t* frame = nullptr;
    int32_t size = 0;
    // Bytes that start no message are consumed with the message after them.
    while (m_scanner.Next(m_in, frame, size))
    {
        const AxicoMessage message = CAxicoCodec::Classify(frame, size);
        if (message.kind != AxicoMessage::None)
            OnMessage(message);
    }
}

void CAbstractAxicoDevice::ApplyStatus(const AxicoMessage& message)
{
    CAxicoChannel* found = nullptr;
    for (const auto& c : m_channels)
    {
        if (std::memcmp(c->m_address, message.address, 3) == 0)
        {
            found = c.get();
            break;
        }
    }
    if (!found || !found->TakesFeedback())
        return;
    CAxicoChannel& c = *found;
    const uint8_t command = message.command;
    switch (c.m_kind)
    {
    case CAxicoChannel::KindSwitch:
        if (command == CAxicoCodec::kOff)
            c.m_state = CAxicoChannel::kOff;
        else if (command == CAxicoCodec::kOn)
            c.m_state = CAxicoChannel::kOn;
        return;
    case CAxicoChannel::KindQuietSwitch:
        c.m_state = command == CAxicoCodec::kOn ? CAxicoChannel::kOn : CAxicoChannel::kOff;
        return;
    case CAxicoChannel::KindDimmer:
        break;
    default:
        return;
    }
    const int32_t state = c.m_state;
    int32_t next = -1;
    switch (command)
    {
    case CAxicoCodec::kOff:
        next = CAxicoChannel::kOff;
        break;
    case CAxicoCodec::kOn:
        if (state == CAxicoChannel::kOff || state == CAxicoChannel::kUnknown)
            next = CAxicoChannel::kOn;
        break;
    case CAxicoCodec::kUp:
        if (state >= 0 && state <= 16)
            next = state + 1;
        break;
    case CAxicoCodec::kDown:
        if (state == 0)
            next = 16;
        else if (state >= 2 && state <= 18)
            next = state - 1;
        break;
    default:
        break;
    }
    if (next < 0)
        return;
    c.m_state = next;
    m_poster.Post(c.GetId(), EventSetItemValue, next);
}

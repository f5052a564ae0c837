#include "devices/buses/helvar/AbstractHelvarAVDevice.h"

#include <algorithm>

#include "common/NerulanValue.h"
#include "platform/Clock.h"

namespace
{
SendPumpRules HelvarAVRules()
{
    SendPumpRules rules;
    rules.pop = PopRule::OnAnswer;
    rules.answerTimeout = CAbstractHelvarAVDevice::kAnswerTimeout;
    rules.resends = 0;
    rules.clearOnLinkLoss = false; // the queue keeps its messages across a reconnect
    return rules;
}
} // namespace

CAbstractHelvarAVDevice::CAbstractHelvarAVDevice() : m_pump(*this, m_queue, HelvarAVRules()) {}

CAbstractHelvarAVDevice::~CAbstractHelvarAVDevice()
{
    // The transport's thread stops before the streams, queue and channels it uses go.
    DeleteTransport();
}

bool CAbstractHelvarAVDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind,
                                         uint8_t direction, uint32_t blobLength, const uint8_t* blob)
{
    const CHelvarAVChannel* channel =
        m_channels.AddLoaded(id, valueType, reportKind, direction, blobLength, blob);
    if (channel->TakesLevel() && channel->m_address < kShortAddresses)
        m_pollFlags[channel->m_address] = true;
    return true;
}

int32_t CAbstractHelvarAVDevice::GetQueueCount()
{
    return m_queue.GetCount();
}

bool CAbstractHelvarAVDevice::Press(uint16_t channel, CNerulanValue* value)
{
    PressOrRelease(channel, ActionPress, value);
    return false;
}

bool CAbstractHelvarAVDevice::Release(uint16_t channel, CNerulanValue* value)
{
    PressOrRelease(channel, ActionRelease, value);
    return false;
}

void CAbstractHelvarAVDevice::PressOrRelease(uint16_t channel, uint8_t action, CNerulanValue* value)
{
    const CHelvarAVChannel* c = m_channels.Find(channel);
    if (!c || !c->IsSentBy(action))
        return;
    QueueCommand(*c, value ? value->GetInt() : c->m_value.load());
}

bool CAbstractHelvarAVDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    const CHelvarAVChannel* c = m_channels.Find(channel);
    if (!c || !value || !c->IsSentBy(ActionSetValue))
        return false;
    QueueCommand(*c, value->GetInt());
    return false;
}

void CAbstractHelvarAVDevice::QueueCommand(const CHelvarAVChannel& channel, int32_t value)
{
    const CHelvarAVCodec::Message message =
        CHelvarAVCodec::Command(channel.m_addressType, channel.m_address, channel.m_kind, value);
    m_pump.Queue(0, message.data(), static_cast<uint32_t>(message.size()));
}

bool CAbstractHelvarAVDevice::Update()
{
    if (GetState() != StateOnline)
        return StandardUpdate();
    DispatchEvents();
    Poll();
    const PumpStep step = m_pump.Pump();
    if (step.kind == PumpStep::Dropped)
        m_dropReceived = true;
    return true;
}

void CAbstractHelvarAVDevice::Poll()
{
    const uint32_t now = Now();
    if (m_pollPeriod == 0 || platform::ElapsedMs(now, m_lastPoll) <= m_pollPeriod)
        return;
    for (uint32_t a = 0; a < kShortAddresses; ++a)
    {
        if (!m_pollFlags[a])
            continue;
        // A query still waiting in the queue is not queued again.
        const CHelvarAVCodec::Message query = CHelvarAVCodec::LevelQuery(static_cast<uint8_t>(a));
        m_pump.QueueOnce(kQueryTag + static_cast<int32_t>(a), query.data(),
                         static_cast<uint32_t>(query.size()));
    }
    m_lastPoll = now;
}

void CAbstractHelvarAVDevice::OnConnected()
{
    m_in.Reset();
    m_dropReceived = false;
    // The probe goes straight out, ahead of the queue; its answer brings the device online.
    const CHelvarAVCodec::Message probe = CHelvarAVCodec::Probe();
    CCriticalSectionGuard guard(SendLock());
    m_out.Reset();
    m_out.PutBytes(probe.data(), static_cast<uint32_t>(probe.size()));
    SendToTransport(m_out.Data(), m_out.Length());
}

void CAbstractHelvarAVDevice::OnDisconnected()
{
    m_state = StateIdle;
    // A message sent on the lost link gets no answer on the next one: it goes again.
    m_pump.OnLinkLost();
}

void CAbstractHelvarAVDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    if (!bytes)
        return;
    if (m_dropReceived.exchange(false))
        m_in.Reset();
    const auto pieceSize = static_cast<uint32_t>(kStreamSize / 2);
    while (length > 0)
    {
        const uint32_t piece = std::min(length, pieceSize);
        m_in.Append(bytes, static_cast<int32_t>(piece));
        bytes += piece;
        length -= piece;
        const uint8_t* frame = nullptr;
        int32_t frameLength = 0;
        while (m_scanner.Next(m_in, frame, frameLength))
            OnAnswer(CHelvarAVCodec::Decode(frame, frameLength));
    }
}

void CAbstractHelvarAVDevice::OnAnswer(const HelvarAVAnswer& answer)
{
    switch (answer.code)
    {
    case CHelvarAVCodec::kProbeCode:
        if (GetState() == StateConnecting)
            m_state = StateOnline;
        break;
    case CHelvarAVCodec::kAnswerLevel:
    {
        // Only the answer to a level query at the head carries that address's level.
        const int32_t tag = m_queue.PeekTag();
        if (!answer.hasLevel || tag < kQueryTag)
            break;
        if (m_pump.Accept(tag))
            ApplyLevel(static_cast<uint8_t>(tag - kQueryTag), answer.level);
        break;
    }
    case CHelvarAVCodec::kAnswerData:
    case CHelvarAVCodec::kAnswerDone:
        m_pump.AcceptHead();
        break;
    default:
        break;
    }
}

void CAbstractHelvarAVDevice::ApplyLevel(uint8_t shortAddress, uint8_t level)
{
    for (const auto& c : m_channels)
    {
        if (!c->TakesLevel() || c->m_address != shortAddress)
            continue;
        if (c->GetValueType() == ValueBool)
            m_poster.PostIfChanged(*c, c->m_value, static_cast<uint8_t>(level != 0 ? 1 : 0));
        else if (c->GetValueType() == ValueInt32)
            m_poster.PostIfChanged(*c, c->m_value, level);
    }
}

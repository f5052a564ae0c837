#include "devices/buses/shturman/AbstractShturmanXXV07Device.h"

#include "common/NerulanValue.h"
#include "platform/Clock.h"

namespace
{
const CShturmanXXV07Codec kCodec;

// Nothing answers a request: the head leaves the queue when its 200 ms are over.
SendPumpRules XXV07Rules()
{
    SendPumpRules rules;
    rules.pop = PopRule::OnAnswer;
    rules.answerTimeout = CAbstractShturmanXXV07Device::kFrameGap;
    rules.resends = 0;
    // A lost link empties the queue and forgets the frame in flight, so the first frame after
    // the new link is sent before its 200 ms run.
    rules.clearOnLinkLoss = true;
    return rules;
}

// Status requests carry their module in the tag so that one module is never queued twice;
// commands are tagged 0.
int32_t PollTag(uint8_t module)
{
    return 0x100 + module;
}
} // namespace

CAbstractShturmanXXV07Device::CAbstractShturmanXXV07Device() : CAbstractShturmanDevice(kCodec, XXV07Rules())
{
}

CAbstractShturmanXXV07Device::~CAbstractShturmanXXV07Device()
{
    // The transport's thread may still call in: it stops before the channels and modules go.
    DeleteTransport();
}

bool CAbstractShturmanXXV07Device::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind,
                                              uint8_t direction, uint32_t blobLength, const uint8_t* blob)
{
    auto channel = std::make_unique<CShturmanXXV07Channel>(id, valueType, reportKind, direction);
    channel->Load(blob, blobLength);
    if (!channel->m_loaded || channel->m_module >= CShturmanChannel::kModules ||
        channel->m_index >= CShturmanXXV07Codec::kValues)
        return false;
    Module& module = m_modules[channel->m_module];
    module.used = true;
    if (channel->TakesFeedback())
        module.hasFeedback = true;
    m_channels.Add(std::move(channel));
    return true;
}

bool CAbstractShturmanXXV07Device::QueueCommand(const CShturmanXXV07Channel& channel, uint8_t value)
{
    const auto bytes =
        CShturmanXXV07Codec::Command(channel.m_module, channel.m_index, value, channel.m_extra);
    return m_pump.Queue(0, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

bool CAbstractShturmanXXV07Device::PressOrRelease(uint16_t channel, uint8_t action)
{
    for (const auto& c : m_channels)
    {
        if (c->GetAddressChannel() != channel || c->GetAction() != action)
            continue;
        if (c->GetDirection() == DirectionNeverSent)
            return false;
        return QueueCommand(*c, c->m_value);
    }
    return false;
}

bool CAbstractShturmanXXV07Device::SetValue(uint16_t channel, CNerulanValue* value)
{
    for (const auto& c : m_channels)
    {
        if (c->GetAddressChannel() != channel || c->GetValueType() != ValueInt32)
            continue;
        if (!value || c->GetDirection() == DirectionNeverSent)
            return false;
        const auto byte = static_cast<uint8_t>(value->GetUInt());
        if (c->GetAction() == ActionSetValue)
            return QueueCommand(*c, byte);
        // Sent by the next Press or Release.
        c->m_value = byte;
        return true;
    }
    return false;
}

void CAbstractShturmanXXV07Device::Poll()
{
    if (m_pollPeriod == 0)
        return;
    const uint32_t now = Now();
    if (platform::ElapsedMs(now, m_lastStatus) <= m_pollPeriod)
        return;
    for (uint8_t m = 0; m < CShturmanChannel::kModules; ++m)
    {
        if (!m_modules[m].used || !m_modules[m].hasFeedback)
            continue;
        // A module whose request still waits is not queued again: polls never outgrow the pump.
        const auto bytes = CShturmanXXV07Codec::StatusRequest(m);
        m_pump.QueueOnce(PollTag(m), bytes.data(), static_cast<uint32_t>(bytes.size()));
    }
    m_lastStatus = now;
}

void CAbstractShturmanXXV07Device::OnLinkUp()
{
    Poll();
}

void CAbstractShturmanXXV07Device::OnFrame(const uint8_t* frame, int32_t size)
{
    // The codec passes whole status frames only; a shorter one would be read past its end.
    if (size < CShturmanXXV07Codec::kStatusLength)
        return;
    m_lastStatus = Now();
    const uint8_t module = frame[2];
    if (module >= CShturmanChannel::kModules || !m_modules[module].used)
        return;
    for (uint8_t i = 0; i < CShturmanXXV07Codec::kValues; ++i)
    {
        const uint8_t value = frame[3 + i];
        if (m_modules[module].values[i].exchange(value) != value)
            ApplyValue(module, i, value);
    }
}

void CAbstractShturmanXXV07Device::ApplyValue(uint8_t module, uint8_t index, uint8_t value)
{
    for (const auto& c : m_channels)
    {
        if (c->m_module == module && c->m_index == index)
            c->TakeFeedback(m_poster, value);
    }
}

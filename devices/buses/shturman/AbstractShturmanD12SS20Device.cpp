#include "devices/buses/shturman/AbstractShturmanD12SS20Device.h"

#include "common/NerulanValue.h"
#include "common/StringFunctions.h"
#include "platform/Clock.h"

namespace
{
using Codec = CShturmanD12SS20Codec;

const Codec kCodec;

SendPumpRules D12SS20Rules()
{
    SendPumpRules rules;
    rules.pop = PopRule::OnSendTagZero;
    rules.answerTimeout = CAbstractShturmanD12SS20Device::kAnswerTimeout;
    rules.resends = 0;
    return rules;
}
} // namespace

CAbstractShturmanD12SS20Device::CAbstractShturmanD12SS20Device()
    : CAbstractShturmanDevice(kCodec, D12SS20Rules())
{
}

CAbstractShturmanD12SS20Device::~CAbstractShturmanD12SS20Device()
{
    // The transport's thread may still call in: it stops before the channels and modules go.
    DeleteTransport();
}

bool CAbstractShturmanD12SS20Device::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind,
                                                uint8_t direction, uint32_t blobLength, const uint8_t* blob)
{
    auto channel = std::make_unique<CShturmanD12SS20Channel>(id, valueType, reportKind, direction);
    channel->Load(blob, blobLength);
    if (!channel->m_loaded || channel->m_module >= CShturmanChannel::kModules)
        return false;
    Module& module = m_modules[channel->m_module];
    module.configured = true;
    if (channel->TakesFeedback())
    {
        switch (channel->m_kind)
        {
        case 0:
            module.pollStatus = true;
            break;
        case 1:
            module.pollBits = true;
            break;
        case 18:
            module.pollValue = true;
            break;
        case 16:
        case 17:
            module.pollPair = true;
            break;
        case 15:
            module.pollTime = true;
            break;
        default:
            break;
        }
    }
    m_channels.Add(std::move(channel));
    return true;
}

bool CAbstractShturmanD12SS20Device::Enqueue(int32_t tag, const std::vector<uint8_t>& frame)
{
    // Silent modules must not let the queue grow without bound.
    if (m_queue.GetCount() >= kQueueCapacity)
        return false;
    const auto length = static_cast<uint32_t>(frame.size());
    return tag == 0 ? m_pump.Queue(0, frame.data(), length) : m_pump.QueueOnce(tag, frame.data(), length);
}

bool CAbstractShturmanD12SS20Device::QueueRequest(uint8_t module, uint8_t request)
{
    return Enqueue(TagOf(module, request), Codec::Frame(module, Codec::RequestCommand(request)));
}

bool CAbstractShturmanD12SS20Device::QueueCommand(const CShturmanD12SS20Channel& channel, uint8_t kind,
                                                  uint8_t v)
{
    uint8_t command = 0;
    std::vector<uint8_t> arguments;
    if (!Codec::Command(kind, channel.m_subIndex, v, channel.m_second, m_modules[channel.m_module].type,
                        command, arguments))
        return false;
    return Enqueue(0, Codec::Frame(channel.m_module, command, arguments));
}

bool CAbstractShturmanD12SS20Device::PressOrRelease(uint16_t channel, uint8_t action)
{
    for (const auto& c : m_channels)
    {
        if (c->GetAddressChannel() != channel || c->GetAction() != action)
            continue;
        if (c->GetDirection() == DirectionNeverSent || !m_modules[c->m_module].used)
            return false;
        return QueueCommand(*c, c->m_kind, c->m_value);
    }
    return false;
}

bool CAbstractShturmanD12SS20Device::SetValue(uint16_t channel, CNerulanValue* value)
{
    for (const auto& c : m_channels)
    {
        if (c->GetAddressChannel() != channel || c->GetValueType() != ValueInt32)
            continue;
        if (!value || c->GetDirection() == DirectionNeverSent || !m_modules[c->m_module].used)
            return false;
        const auto a = static_cast<uint8_t>(value->GetUInt());
        if (c->GetAction() != ActionSetValue)
        {
            // Sent by the next Press or Release.
            c->m_value = a;
            return true;
        }
        if (c->m_kind != 0 && c->m_kind != 18)
            return false;
        return QueueCommand(*c, c->m_kind, a);
    }
    return false;
}

void CAbstractShturmanD12SS20Device::Poll()
{
    const uint32_t now = Now();
    if (m_pollPeriod == 0 || platform::ElapsedMs(now, m_lastPoll) <= m_pollPeriod)
        return;
    for (uint8_t m = 0; m < CShturmanChannel::kModules; ++m)
    {
        const Module& module = m_modules[m];
        if (!module.used)
            continue;
        // The old modules have no bits and value requests.
        const bool isNew = module.type == Codec::kTypeNew;
        if (module.pollStatus)
            QueueRequest(m, Codec::TagStatus);
        if (module.pollValue && isNew)
            QueueRequest(m, Codec::TagValue);
        if (module.pollPair)
            QueueRequest(m, Codec::TagPair);
        if (module.pollTime)
            QueueRequest(m, Codec::TagTime);
        if (module.pollBits && isNew)
            QueueRequest(m, Codec::TagBits);
    }
    m_lastPoll = now;
}

void CAbstractShturmanD12SS20Device::OnLinkUp()
{
    for (uint8_t m = 0; m < CShturmanChannel::kModules; ++m)
    {
        if (!m_modules[m].configured)
            continue;
        m_modules[m].used = false;
        QueueRequest(m, Codec::TagDiscovery);
    }
}

void CAbstractShturmanD12SS20Device::OnFrame(const uint8_t* frame, int32_t size)
{
    // A frame: the module's byte, the length, the reply, the checksum.
    OnReply(frame[0] & 0x7F, frame + 2, size - 3);
}

void CAbstractShturmanD12SS20Device::OnReply(uint8_t module, const uint8_t* reply, int32_t count)
{
    // Only the answer of the head's module, while it waits, and long enough for its request,
    // releases the head; anything else is not an answer.
    if (m_pump.GetState() != CSendPump::Waiting)
        return;
    const int32_t head = m_queue.PeekTag();
    if (head == 0 || (head >> 8) != module)
        return;
    const auto request = static_cast<uint8_t>(head & 0xFF);
    if (count < Codec::MinimumReply(request) || !m_pump.Accept(head))
        return;
    OnAnswer(request, module, reply, count);
}

void CAbstractShturmanD12SS20Device::OnAnswer(uint8_t request, uint8_t module, const uint8_t* reply,
                                              int32_t count)
{
    Module& record = m_modules[module];
    if (request == Codec::TagDiscovery)
    {
        if (reply[0] == 1)
            QueueRequest(module, Codec::TagVersion);
        return;
    }
    if (request == Codec::TagVersion)
    {
        record.type = Codec::TypeOfVersion(Codec::Version(reply));
        record.used = true;
        return;
    }
    if (!record.used)
        return;
    switch (request)
    {
    case Codec::TagStatus:
        for (int32_t i = 0; i < count; ++i)
            ApplyStatus(module, static_cast<uint8_t>(i), reply[i]);
        break;
    case Codec::TagValue:
        if (CShturmanD12SS20Channel* c = FirstOfKind(module, 18))
        {
            c->m_value = reply[0];
            m_poster.Post(c->GetId(), c->GetReportKind(), reply[0]);
        }
        break;
    case Codec::TagPair:
        if (CShturmanD12SS20Channel* c = FirstOfKind(module, 16))
            m_poster.PostIfChanged(*c, c->m_value, reply[1]);
        if (CShturmanD12SS20Channel* c = FirstOfKind(module, 17))
            m_poster.PostIfChanged(*c, c->m_value, reply[4]);
        break;
    case Codec::TagTime:
        PostTime(module, reply);
        break;
    case Codec::TagBits:
    {
        static const int kOrder[] = {1, 0, 3, 2, 5, 4};
        int k = 0;
        for (int byte : kOrder)
        {
            for (int bit = 0; bit < 4; ++bit, ++k)
                ApplyStatus(module, static_cast<uint8_t>(k + 1), (reply[byte] >> bit) & 1);
        }
        break;
    }
    default:
        break;
    }
}

CShturmanD12SS20Channel* CAbstractShturmanD12SS20Device::FirstOfKind(uint8_t module, uint8_t kind) const
{
    for (const auto& c : m_channels)
    {
        if (c->m_module == module && c->m_kind == kind && c->TakesFeedback())
            return c.get();
    }
    return nullptr;
}

void CAbstractShturmanD12SS20Device::PostTime(uint8_t module, const uint8_t* reply)
{
    CShturmanD12SS20Channel* c = FirstOfKind(module, 15);
    if (!c)
        return;
    const std::string text = Codec::TimeText(reply[0], reply[1], reply[2]);
    CDeviceEvent event = CDeviceEvent::Make(c->GetId(), EventSetItemText);
    event.SetValueText(AnsiToWideN(text.data(), static_cast<int32_t>(text.size())));
    PostEvent(event);
}

void CAbstractShturmanD12SS20Device::ApplyStatus(uint8_t module, uint8_t subIndex, uint8_t value)
{
    for (const auto& c : m_channels)
    {
        if (c->m_module == module && c->m_subIndex == subIndex && (c->m_kind == 0 || c->m_kind == 1))
            c->TakeFeedback(m_poster, value);
    }
}

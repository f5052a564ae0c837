#include "devices/buses/helvar/AbstractHelvarNetDevice.h"

#include <algorithm>
#include <cstring>

#include "common/NerulanValue.h"
#include "platform/Clock.h"

namespace
{
constexpr uint8_t kDeviceStates = 110;
constexpr uint8_t kLoadLevel = 152;
constexpr uint32_t kBitsInResult = 32;

bool SameAddress(const uint8_t* a, const uint8_t* b)
{
    return std::memcmp(a, b, 4) == 0;
}
} // namespace

CAbstractHelvarNetDevice::CAbstractHelvarNetDevice(bool internal) : m_internal(internal), m_replies(internal)
{
}

CAbstractHelvarNetDevice::~CAbstractHelvarNetDevice()
{
    // The transport's thread stops before the streams and channels it uses go.
    DeleteTransport();
}

bool CAbstractHelvarNetDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind,
                                          uint8_t direction, uint32_t blobLength, const uint8_t* blob)
{
    CHelvarNetChannel* channel = m_channels.AddLoaded(id, valueType, reportKind, direction, blobLength, blob);
    const uint8_t command = channel->m_target.command;
    if (!channel->IsPeriodic() || !channel->TakesFeedback() ||
        (command != kDeviceStates && command != kLoadLevel))
        return true;
    // One entry per command and device: polled at the longest period asked for.
    bool found = false;
    for (PollEntry& entry : m_polls)
    {
        if (entry.command == command && SameAddress(entry.address, channel->m_target.address))
        {
            entry.period = std::max(entry.period, channel->GetPeriod());
            found = true;
        }
    }
    if (!found)
    {
        PollEntry entry;
        entry.command = command;
        std::memcpy(entry.address, channel->m_target.address, 4);
        entry.period = channel->GetPeriod();
        m_polls.push_back(entry);
    }
    return true;
}

void CAbstractHelvarNetDevice::PressOrRelease(uint16_t channel, uint8_t action, CNerulanValue* value)
{
    CHelvarNetChannel* c = m_channels.Find(channel);
    if (!c || !c->IsSentBy(action))
        return;
    if (value)
        c->StoreValue(value->GetInt());
    Send(c->Target(), false);
}

bool CAbstractHelvarNetDevice::Press(uint16_t channel, CNerulanValue* value)
{
    PressOrRelease(channel, ActionPress, value);
    return false;
}

bool CAbstractHelvarNetDevice::Release(uint16_t channel, CNerulanValue* value)
{
    PressOrRelease(channel, ActionRelease, value);
    return false;
}

bool CAbstractHelvarNetDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    CHelvarNetChannel* c = m_channels.Find(channel);
    if (!c || !value || c->GetDirection() == DirectionNeverSent)
        return false;
    c->StoreValue(value->GetInt());
    if (c->IsSentBy(ActionSetValue))
        Send(c->Target(), false);
    return false;
}

void CAbstractHelvarNetDevice::Send(const HelvarNetTarget& target, bool query)
{
    CCriticalSectionGuard guard(SendLock());
    std::string message = CHelvarNetCodec::Begin(m_internal, m_sequence++);
    CHelvarNetCodec::WriteMessage(message, target, query);
    if (GetState() != StateOnline || !m_transport)
        return;
    m_out.Reset();
    m_out.PutBytes(message.data(), static_cast<uint32_t>(message.size()));
    SendToTransport(m_out.Data(), m_out.Length());
}

bool CAbstractHelvarNetDevice::Update()
{
    if (GetState() != StateOnline)
        return StandardUpdate();
    DispatchEvents();
    SendQueries();
    return true;
}

void CAbstractHelvarNetDevice::SendQueries()
{
    const uint32_t now = Now();
    for (PollEntry& entry : m_polls)
    {
        const bool due =
            entry.period != 0 ? platform::ElapsedMs(now, entry.lastSent) > entry.period : !entry.sent;
        if (!due)
            continue;
        HelvarNetTarget target;
        target.command = entry.command;
        std::memcpy(target.address, entry.address, 4);
        Send(target, true);
        entry.lastSent = Now();
        entry.sent = true;
    }
}

void CAbstractHelvarNetDevice::OnConnected()
{
    // A new link starts with nothing of the old one's bytes.
    m_in.Reset();
    m_state = StateOnline;
}

void CAbstractHelvarNetDevice::OnDisconnected()
{
    m_state = StateIdle;
}

void CAbstractHelvarNetDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    if (!bytes || IsOwnDatagram())
        return;
    // In pieces that always fit: the reader leaves at most the longest reply in the stream.
    const auto pieceSize = static_cast<uint32_t>(CHelvarNetCodec::kMaxReply);
    std::string text;
    while (length > 0)
    {
        const uint32_t piece = std::min(length, pieceSize);
        m_in.Append(bytes, static_cast<int32_t>(piece));
        bytes += piece;
        length -= piece;
        while (m_replies.Next(m_in, text))
        {
            HelvarNetReply reply;
            if (CHelvarNetCodec::ParseReply(text.data(), text.size(), reply) && !reply.error)
                ApplyReply(reply);
        }
    }
}

void CAbstractHelvarNetDevice::ApplyReply(const HelvarNetReply& reply)
{
    for (const auto& c : m_channels)
    {
        if (!c->TakesFeedback())
            continue;
        const HelvarNetTarget& t = c->m_target;
        switch (reply.command)
        {
        case 11:
        case 12:
        {
            const bool same = reply.command == 11 ? static_cast<uint32_t>(reply.group) == t.group
                                                  : SameAddress(reply.address, t.address);
            if (t.command == reply.command && same && c->Block() == static_cast<uint8_t>(reply.block))
                Apply(*c, (c->m_value.load() & ~0xFF00) | ((reply.scene & 0xFF) << 8));
            break;
        }
        case 13:
            if (t.command == 13 && static_cast<uint32_t>(reply.group) == t.group)
                Apply(*c, reply.level);
            break;
        case 14:
        case kLoadLevel:
            if ((t.command == 14 || t.command == kLoadLevel) && SameAddress(reply.address, t.address))
                Apply(*c, reply.command == 14 ? reply.level : reply.result);
            break;
        case kDeviceStates:
            if (t.command == kDeviceStates && SameAddress(reply.address, t.address))
            {
                // Bit numbers past the result's 32 bits read as 0.
                const int32_t bit =
                    c->m_bit < kBitsInResult ? (static_cast<uint32_t>(reply.result) >> c->m_bit) & 1 : 0;
                Apply(*c, bit);
            }
            break;
        default:
            break;
        }
    }
}

void CAbstractHelvarNetDevice::Apply(CHelvarNetChannel& channel, int32_t value)
{
    m_poster.PostIfChanged(channel, channel.m_value, value);
}

#include "devices/buses/epsnet/AbstractEPSNETDevice.h"

#include <vector>

#include "common/NerulanValue.h"
#include "devices/AbstractTransport.h"
#include "devices/buses/epsnet/EpsnetCodec.h"
#include "platform/Clock.h"

namespace
{
SendPumpRules EpsnetRules()
{
    SendPumpRules rules;
    rules.pop = PopRule::OnSend;
    rules.minGap = CAbstractEPSNETDevice::kSendGap;
    return rules;
}
} // namespace

CAbstractEPSNETDevice::CAbstractEPSNETDevice() : m_pump(*this, m_queue, EpsnetRules()) {}

CAbstractEPSNETDevice::~CAbstractEPSNETDevice()
{
    DeleteTransport();
}

uint16_t CAbstractEPSNETDevice::TakeSequence()
{
    CCriticalSectionGuard guard(SendLock());
    m_sequence = CEpsnetCodec::NextSequence(m_sequence);
    return CEpsnetCodec::WireSequence(m_sequence);
}

bool CAbstractEPSNETDevice::Connect()
{
    if (!m_transport)
        return false;
    m_lastAttempt = Now();
    m_state = StateConnecting;
    // The socket stays open while the station is silent: then the connect frame goes again.
    const uint8_t link = m_transport->GetLinkState();
    if (link == CAbstractTransport::LinkConnected)
        SendConnect();
    else if (link == CAbstractTransport::LinkClosed)
        m_transport->Connect();
    return false;
}

void CAbstractEPSNETDevice::SendConnect()
{
    CCriticalSectionGuard guard(SendLock());
    std::vector<uint8_t> message;
    CEpsnetCodec::WriteConnect(message, TakeSequence(), m_station);
    SendToTransport(message.data(), static_cast<uint32_t>(message.size()));
}

bool CAbstractEPSNETDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                                       uint32_t blobLength, const uint8_t* blob)
{
    auto channel = std::make_unique<CEPSNETChannel>(id, valueType, reportKind, direction);
    channel->Load(blob, blobLength);
    if (channel->IsUsable())
        m_channels.Add(std::move(channel));
    return true;
}

void CAbstractEPSNETDevice::EndChannels()
{
    std::vector<EpsnetValueSpan> spans;
    for (const auto& c : m_channels)
    {
        if (c->TakesFeedback())
            spans.push_back({c->m_area, c->m_address, static_cast<uint8_t>(c->Size())});
    }
    m_blocks.clear();
    for (const EpsnetBlockRange& range : CEpsnetReadPlan::Build(spans))
    {
        auto block = std::make_unique<ReadBlock>();
        block->range = range;
        m_blocks.push_back(std::move(block));
    }
}

bool CAbstractEPSNETDevice::Write(CEPSNETChannel* channel, uint8_t action, CNerulanValue* value)
{
    if (!channel || !channel->IsSentBy(action))
        return false;
    if (!value && action == ActionSetValue)
        return false;
    const uint64_t raw = value ? channel->Encode(*value) : channel->m_raw.load();
    return WriteChannel(*channel, raw);
}

bool CAbstractEPSNETDevice::Press(uint16_t channel, CNerulanValue* value)
{
    Write(m_channels.Find(channel), ActionPress, value);
    return false;
}

bool CAbstractEPSNETDevice::Release(uint16_t channel, CNerulanValue* value)
{
    return Write(m_channels.Find(channel), ActionRelease, value);
}

bool CAbstractEPSNETDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    return Write(m_channels.Find(channel), ActionSetValue, value);
}

bool CAbstractEPSNETDevice::WriteChannel(const CEPSNETChannel& channel, uint64_t raw)
{
    CCriticalSectionGuard guard(SendLock());
    const uint16_t wire = TakeSequence();
    std::vector<uint8_t> message;
    if (channel.GetValueType() == ValueBool)
    {
        CEpsnetCodec::WriteBit(message, wire, m_station, channel.m_area, channel.m_address, channel.m_bit,
                               raw != 0);
    }
    else
    {
        uint8_t bytes[8];
        const int32_t size = channel.Size();
        for (int32_t i = 0; i < size; ++i)
            bytes[i] = static_cast<uint8_t>(raw >> (8 * i));
        CEpsnetCodec::WriteBytes(message, wire, m_station, channel.m_area, channel.m_address, bytes,
                                 static_cast<uint8_t>(size));
    }
    return m_pump.Queue(wire, message.data(), static_cast<uint32_t>(message.size()));
}

void CAbstractEPSNETDevice::Poll()
{
    if (m_pollPeriod == 0)
        return;
    const uint32_t now = Now();
    for (const auto& block : m_blocks)
    {
        const uint32_t waited = platform::ElapsedMs(now, block->queuedAt);
        if (waited <= m_pollPeriod)
            continue;
        const uint16_t pending = block->pending;
        if (pending == 0)
        {
            CCriticalSectionGuard guard(SendLock());
            const uint16_t wire = TakeSequence();
            std::vector<uint8_t> message;
            CEpsnetCodec::WriteRead(message, wire, m_station, block->range.area, block->range.start,
                                    static_cast<uint8_t>(block->range.length));
            block->pending = wire;
            if (!m_pump.Queue(wire, message.data(), static_cast<uint32_t>(message.size())))
                block->pending = 0;
            block->queuedAt = now;
        }
        else if (waited > kReadTimeout && !m_queue.ContainsTag(pending))
        {
            // Sent and never answered: asked again on a later pass. A request still waiting in
            // the queue keeps its mark, so no block is queued twice.
            uint16_t expected = pending;
            block->pending.compare_exchange_strong(expected, 0);
        }
    }
}

void CAbstractEPSNETDevice::OnDataReply(uint16_t sequence, const uint8_t* data, size_t count)
{
    for (const auto& block : m_blocks)
    {
        uint16_t expected = sequence;
        if (!block->pending.compare_exchange_strong(expected, 0))
            continue;
        const EpsnetBlockRange& range = block->range;
        if (count != range.length)
            return;
        for (const auto& c : m_channels)
        {
            if (c->m_area != range.area || !c->TakesFeedback() || c->m_address < range.start)
                continue;
            const size_t offset = c->m_address - range.start;
            if (offset + static_cast<size_t>(c->Size()) > count)
                continue;
            const uint64_t raw = c->Decode(data + offset);
            if (c->m_raw.exchange(raw) != raw)
                m_poster.Post(c->GetId(), EventSetItemValue, c->ToDouble(raw));
        }
        return;
    }
}

void CAbstractEPSNETDevice::OnDatagram(const uint8_t* bytes, uint32_t length)
{
    std::vector<EpsnetFrame> frames;
    CEpsnetCodec::ParseDatagram(bytes, length, frames);
    for (const EpsnetFrame& frame : frames)
    {
        if (frame.kind == EpsnetFrame::Fixed && frame.fixed[2] == 0)
            m_state = StateOnline;
        else if (frame.kind == EpsnetFrame::Variable && !frame.data.empty() &&
                 frame.data[0] == CEpsnetCodec::kReplyRead)
            OnDataReply(frame.sequence, frame.data.data() + 1, frame.data.size() - 1);
    }
}

bool CAbstractEPSNETDevice::Update()
{
    switch (GetState())
    {
    case StateOnline:
        DispatchEvents();
        Poll();
        PumpQueue();
        break;
    case StateConnecting:
        if (platform::ElapsedMs(Now(), m_lastAttempt) > m_reconnectWait)
            m_state = StateIdle;
        break;
    default:
        // Idle: what was queued for the old session goes, and the station is connected again
        // (the connect frame goes at once when the socket is still open).
        Disconnect();
        Connect();
        break;
    }
    return true;
}

void CAbstractEPSNETDevice::OnConnected()
{
    SendConnect();
}

void CAbstractEPSNETDevice::OnDisconnected()
{
    m_state = StateIdle;
    m_pump.OnLinkLost();
}

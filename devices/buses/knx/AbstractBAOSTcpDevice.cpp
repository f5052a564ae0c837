#include "devices/buses/knx/AbstractBAOSTcpDevice.h"

#include <algorithm>

#include "devices/DeviceParams.h"
#include "devices/buses/knx/KnxValueCodec.h"

namespace
{
SendPumpRules ObjectServerRules()
{
    SendPumpRules rules;
    rules.pop = PopRule::OnAnswer;
    rules.answerTimeout = CAbstractBAOSTcpDevice::kReplyTimeout;
    // A request is never sent twice: at its time-out it is dropped.
    rules.resends = 0;
    return rules;
}
} // namespace

CAbstractBAOSTcpDevice::CAbstractBAOSTcpDevice(std::unique_ptr<CAbstractBAOSInStream> in)
    : m_in(std::move(in)), m_pump(*this, m_queue, ObjectServerRules())
{
}

CAbstractBAOSTcpDevice::~CAbstractBAOSTcpDevice()
{
    // The transport's thread feeds the stream below: it ends first.
    DeleteTransport();
}

bool CAbstractBAOSTcpDevice::Configure(DeviceParams* params)
{
    if (!params)
        return false;
    SetPollPeriod(params->value);
    return OpenTcpTransport(params);
}

bool CAbstractBAOSTcpDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                                        uint32_t blobLength, const uint8_t* blob)
{
    std::unique_ptr<CAbstractBAOSChannel> channel = MakeChannel(id, valueType, reportKind, direction);
    channel->Load(blob, blobLength);
    if (channel->m_datapoint != 0 && channel->m_value.Has())
        m_channels.Add(std::move(channel));
    return true;
}

void CAbstractBAOSTcpDevice::EndChannels()
{
    CBaosRangeBuilder builder;
    for (const auto& channel : m_channels)
    {
        if (channel->TakesFeedback())
            builder.Flag(channel->m_datapoint);
    }
    m_ranges = builder.Build();
}

bool CAbstractBAOSTcpDevice::Update()
{
    if (m_state != StateOnline)
        return StandardUpdate();
    DispatchEvents();
    if (m_poll.Due(Now()))
        RequestValues(Baos::kFilterChanged);
    PumpQueue();
    return false;
}

void CAbstractBAOSTcpDevice::OnConnected()
{
    m_pump.OnLinkLost();
    m_queue.Clear();
    m_state = StateOnline;
    RequestValues(Baos::kFilterAll);
    m_poll.Restart(Now());
}

void CAbstractBAOSTcpDevice::PumpQueue()
{
    PumpStep step = m_pump.Pump();
    if (step.kind != PumpStep::Dropped)
        return;
    // What arrived of the lost reply must not be read as the start of the next one. The stream is
    // the transport thread's: it is emptied under the lock that thread parses under.
    CCriticalSectionGuard guard(&m_inLock);
    m_in->Reset();
}

void CAbstractBAOSTcpDevice::RequestValues(uint8_t filter)
{
    std::vector<uint8_t> request;
    for (const BaosDatapointRange& range : m_ranges)
    {
        request.clear();
        BuildRequest(Baos::GetDatapointValue, range.firstId, range.count, filter, nullptr, {}, request);
        m_pump.Queue(kReadTag, request.data(), static_cast<uint32_t>(request.size()));
    }
}

bool CAbstractBAOSTcpDevice::Press(uint16_t channel, CNerulanValue* value)
{
    return WriteDatapoint(channel, ActionPress, value);
}

bool CAbstractBAOSTcpDevice::Release(uint16_t channel, CNerulanValue* value)
{
    return WriteDatapoint(channel, ActionRelease, value);
}

bool CAbstractBAOSTcpDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    return value && WriteDatapoint(channel, ActionSetValue, value);
}

bool CAbstractBAOSTcpDevice::WriteDatapoint(uint16_t channelNumber, uint8_t action,
                                            const CNerulanValue* given)
{
    CAbstractBAOSChannel* channel = m_channels.Find(channelNumber);
    if (!channel || !channel->IsSentBy(action))
        return false;
    uint8_t type = channel->GetValueType();
    std::unique_ptr<CNerulanValue> value =
        given ? KnxConvertGivenValue(type, channel->m_subtype, *given) : channel->m_value.Copy();
    if (!value)
        return false;
    if (type == ValueBool && channel->m_subtype == KnxSubtypeToggle)
    {
        // The stored bit flips on every write; it is sent unless a value was given.
        std::unique_ptr<CNerulanValue> stored = channel->m_value.Copy();
        std::unique_ptr<CNerulanValue> flipped(CNerulanValue::NewBool(!(stored && stored->GetInt() != 0)));
        channel->m_value.Set(*flipped);
        if (!given)
            value = std::move(flipped);
    }
    std::vector<uint8_t> bytes, request;
    if (!KnxEncodeDatapointValue(type, channel->m_subtype, *value, bytes))
        return true;
    BuildRequest(Baos::SetDatapointValue, channel->m_datapoint, 1, 0, channel, bytes, request);
    m_pump.Queue(channel->m_command, request.data(), static_cast<uint32_t>(request.size()));
    return true;
}

void CAbstractBAOSTcpDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    CCriticalSectionGuard guard(&m_inLock);
    if (!m_in->Append(bytes, static_cast<int32_t>(length)))
    {
        // A peer that never completes a frame: start over with what has just arrived.
        m_in->Reset();
        m_in->Append(
            bytes, static_cast<int32_t>(std::min<uint32_t>(length, CAbstractBAOSInStream::kInitialCapacity)));
    }
    Baos::Frame frame;
    while (m_in->ReadFrame(frame))
    {
        if (Baos::CarriesValues(frame.service))
        {
            for (const Baos::Item& item : frame.items)
                UpdateDatapoint(item.id, item.value, item.length);
        }
        // Only a request in flight is released: a late reply after the drop time pops nothing.
        if (Baos::IsReply(frame.service))
            m_pump.AcceptHead();
    }
}

void CAbstractBAOSTcpDevice::UpdateDatapoint(uint16_t id, const uint8_t* value, size_t length)
{
    for (const auto& channel : m_channels)
    {
        if (channel->m_datapoint != id || !channel->TakesFeedback())
            continue;
        KnxDecodedValue decoded;
        if (!KnxDecodeDatapointValue(channel->GetValueType(), channel->m_subtype, value, length, decoded))
            continue;
        if (channel->m_value.Exchange(*decoded.value))
            m_poster.Post(channel->GetId(), 1, decoded.posted);
    }
}

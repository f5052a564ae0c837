#include "devices/buses/knx/AbstractEIBDevice.h"

#include <algorithm>
#include <arpa/inet.h>

#include "devices/AbstractTransport.h"
#include "devices/DeviceParams.h"
#include "devices/buses/knx/KnxValueCodec.h"
#include "platform/Clock.h"

namespace
{
SendPumpRules TunnellingRules(uint32_t pauseAfterAck)
{
    SendPumpRules rules;
    rules.pop = PopRule::OnAnswer;
    rules.answerTimeout = CAbstractEIBDevice::kAckTimeout;
    // One repeat, then the link is connected anew: a head that the server never acknowledges
    // (a channel id it no longer knows) is not resent without end.
    rules.resends = 1;
    rules.pauseAfterAnswer = pauseAfterAck;
    rules.clearOnLinkLoss = true;
    return rules;
}

// What all Disconnects of the run have waited so far (see kDisconnectWaitTotal).
std::atomic<uint32_t> g_disconnectWaited{0};
} // namespace

CAbstractEIBDevice::CAbstractEIBDevice()
    : m_pump(std::make_unique<CSendPump>(*this, m_queue, TunnellingRules(0)))
{
}

CAbstractEIBDevice::~CAbstractEIBDevice()
{
    // The transport's thread calls into the streams and channels below: it ends first.
    DeleteTransport();
}

void CAbstractEIBDevice::ConfigureLink(const DeviceParams* params)
{
    if (!params)
        return;
    if (params->value)
        m_knxReconnectWait = params->value;
    m_pump = std::make_unique<CSendPump>(*this, m_queue, TunnellingRules(params->second));
}

bool CAbstractEIBDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                                    uint32_t blobLength, const uint8_t* blob)
{
    if (blobLength < CEIBChannel::kMinBlobLength || !blob)
        return false;
    auto channel = std::make_unique<CEIBChannel>(id, valueType, reportKind, direction);
    channel->Load(blob, blobLength);
    // A channel without a value can neither be sent nor compared: it is dropped.
    if (!channel->m_value.Has())
        return true;
    if (channel->TakesFeedback())
    {
        KnxGroupAddress group{channel->m_main, channel->m_middle, channel->m_sub};
        if (std::find(m_feedbackGroups.begin(), m_feedbackGroups.end(), group) == m_feedbackGroups.end())
            m_feedbackGroups.push_back(group);
    }
    m_channels.Add(std::move(channel));
    return true;
}

bool CAbstractEIBDevice::Connect()
{
    if (!m_transport)
        return false;
    m_state = StateConnecting;
    m_lastAttempt = Now();
    if (m_transport->IsConnected())
        SendConnectRequest();
    else
        m_transport->RequestState(CAbstractTransport::LinkConnectRequested);
    return true;
}

void CAbstractEIBDevice::OnConnected()
{
    SendConnectRequest();
}

bool CAbstractEIBDevice::Update()
{
    switch (m_state.load())
    {
    case StateIdle:
        // A socket that is up gets the connect request at once; one that its transport closed is
        // opened again (its OnConnected sends the request), so a closed socket is no dead end.
        if (m_transport &&
            (m_transport->IsConnected() || m_transport->GetLinkState() == CAbstractTransport::LinkClosed))
            Connect();
        return false;
    case StateConnecting:
        if (platform::ElapsedMs(Now(), m_lastAttempt) > m_reconnectWait)
            m_state = StateIdle;
        return false;
    case StateOnline:
        DispatchEvents();
        PumpQueue();
        if (m_state == StateOnline)
            CheckConnectionState();
        return false;
    case StateWaitingToReconnect:
        CheckTimer();
        return false;
    default:
        return false;
    }
}

void CAbstractEIBDevice::OnTimer()
{
    if (m_state == StateWaitingToReconnect)
        m_state = StateIdle;
}

void CAbstractEIBDevice::WaitToReconnect()
{
    m_state = StateWaitingToReconnect;
    SetTimerPeriod(m_knxReconnectWait);
    StartTimer();
}

void CAbstractEIBDevice::PumpQueue()
{
    PumpStep step = m_pump->Pump();
    // The head went twice without an acknowledgement: the tunnel is taken for lost.
    if (step.kind == PumpStep::Dropped)
        m_state = StateIdle;
}

void CAbstractEIBDevice::CheckConnectionState()
{
    // The times are read before the clock: the transport thread may note one at any moment, and
    // a time noted after `now` would count as almost 2^32 ms ago.
    uint32_t pending = m_pendingRequest;
    uint32_t heartbeat = m_heartbeatTime;
    uint32_t now = Now();
    if (pending)
    {
        if (platform::ElapsedMs(now, pending) > kRequestTimeout)
        {
            m_pendingRequest = 0;
            m_state = StateIdle;
        }
        return;
    }
    if (platform::ElapsedMs(now, heartbeat) > kHeartbeatPeriod)
    {
        m_heartbeatTime = now;
        SendChannelRequest(KnxNetIp::ConnectionStateRequest);
    }
}

void CAbstractEIBDevice::DisconnectTunnel()
{
    bool online = m_state == StateOnline;
    bool answered = false;
    if (online)
    {
        SendChannelRequest(KnxNetIp::DisconnectRequest);
        uint32_t start = platform::ClockMs();
        uint32_t waited = g_disconnectWaited.load();
        uint32_t budget = waited < kDisconnectWaitTotal ? kDisconnectWaitTotal - waited : 0;
        uint32_t limit = std::min(kDisconnectWait, budget);
        while (m_state == StateOnline && platform::ElapsedMs(platform::ClockMs(), start) <= limit)
            platform::SleepMs(5);
        g_disconnectWaited += platform::ElapsedMs(platform::ClockMs(), start);
        answered = m_state != StateOnline;
        m_state = StateIdle;
    }
    m_pendingRequest = 0;
    m_pump->OnLinkLost();
    m_queue.Clear();
    if (!online || !answered)
        WaitToReconnect();
}

bool CAbstractEIBDevice::Press(uint16_t channel, CNerulanValue* value)
{
    return WriteGroupValue(channel, ActionPress, value);
}

bool CAbstractEIBDevice::Release(uint16_t channel, CNerulanValue* value)
{
    return WriteGroupValue(channel, ActionRelease, value);
}

bool CAbstractEIBDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    return value && WriteGroupValue(channel, ActionSetValue, value);
}

bool CAbstractEIBDevice::WriteGroupValue(uint16_t channelNumber, uint8_t action, const CNerulanValue* given)
{
    CEIBChannel* channel = m_channels.Find(channelNumber);
    if (!channel || !channel->IsSentBy(action))
        return false;
    std::unique_ptr<CNerulanValue> value =
        given ? KnxConvertGivenValue(channel->GetValueType(), channel->m_subtype, *given)
              : channel->m_value.Copy();
    if (!value)
        return false;
    CemiFrame frame =
        GroupFrame({channel->m_main, channel->m_middle, channel->m_sub}, CemiFrame::kGroupValueWrite);
    if (!KnxEncodeChannelValue(channel->GetValueType(), channel->m_subtype, *value, frame.data))
        return true;
    if (channel->GetValueType() == ValueBool && channel->m_subtype == KnxSubtypeToggle)
    {
        std::unique_ptr<CNerulanValue> bit(CNerulanValue::NewBool(frame.data[0] != 0));
        channel->m_value.Set(*bit);
    }
    QueueTunnellingRequest(frame);
    return true;
}

CemiFrame CAbstractEIBDevice::GroupFrame(const KnxGroupAddress& group, uint16_t apci) const
{
    CemiFrame frame;
    uint16_t own = m_ownAddress;
    frame.priority = 3;
    frame.hopCount = 6;
    frame.groupFlag = 1;
    frame.sourceArea = static_cast<uint8_t>(own >> 12);
    frame.sourceLine = static_cast<uint8_t>(own >> 8 & 0x0F);
    frame.sourceDevice = static_cast<uint8_t>(own);
    frame.destMain = group.main;
    frame.destMiddle = group.middle;
    frame.destSub = group.sub;
    frame.apci = apci;
    return frame;
}

bool CAbstractEIBDevice::QueueTunnellingRequest(const CemiFrame& frame)
{
    if (m_state != StateOnline)
        return false;
    std::vector<uint8_t> cemi, request;
    WriteCemiFrame(CemiFrame::kDataRequest, frame, cemi);
    CCriticalSectionGuard guard(SendLock());
    uint8_t sequence = m_sequence++;
    KnxNetIp::BuildTunnellingRequest(m_channelId, sequence, cemi, request);
    return m_pump->Queue(sequence, request.data(), static_cast<uint32_t>(request.size()));
}

void CAbstractEIBDevice::ReadFeedbackGroups()
{
    for (const KnxGroupAddress& group : m_feedbackGroups)
    {
        CemiFrame frame = GroupFrame(group, CemiFrame::kGroupValueRead);
        frame.data.assign(1, 0);
        QueueTunnellingRequest(frame);
    }
}

KnxNetIp::Hpai CAbstractEIBDevice::LocalHpai() const
{
    // The transport reports the address the kernel uses toward the server (never 127.0.1.1), in
    // network byte order as sockets keep it.
    KnxNetIp::Hpai hpai;
    if (m_transport)
    {
        hpai.address = ntohl(m_transport->GetLocalAddress());
        hpai.port = m_transport->GetLocalPort();
    }
    return hpai;
}

uint32_t CAbstractEIBDevice::PendingStamp() const
{
    uint32_t now = Now();
    return now ? now : 1;
}

void CAbstractEIBDevice::SendConnectRequest()
{
    std::vector<uint8_t> request;
    KnxNetIp::Hpai local = LocalHpai();
    KnxNetIp::BuildConnectRequest(local, local, request);
    m_pendingRequest = PendingStamp();
    m_lastAttempt = Now();
    SendFrame(request);
}

void CAbstractEIBDevice::SendChannelRequest(uint16_t service)
{
    std::vector<uint8_t> request;
    if (service == KnxNetIp::ConnectionStateRequest)
        KnxNetIp::BuildConnectionStateRequest(m_channelId, LocalHpai(), request);
    else
        KnxNetIp::BuildDisconnectRequest(m_channelId, LocalHpai(), request);
    m_pendingRequest = PendingStamp();
    SendFrame(request);
}

void CAbstractEIBDevice::SendFrame(const std::vector<uint8_t>& frame)
{
    SendToTransport(frame.data(), static_cast<uint32_t>(frame.size()));
}

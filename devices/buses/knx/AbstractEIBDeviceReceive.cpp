// The transport thread's side of the tunnelling link: frames from the server.
#include "devices/buses/knx/AbstractEIBDevice.h"
#include <algorithm>

#include "devices/buses/knx/KnxValueCodec.h"

void CAbstractEIBDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    // On UDP a frame never spans datagrams: what one datagram leaves unfinished is dropped.
    if (m_datagrams)
        m_in.Reset();
    if (!m_in.Append(bytes, static_cast<int32_t>(length)))
    {
        // Nothing that large is a frame of this link: start over with what has just arrived.
        m_in.Reset();
        m_in.Append(bytes, static_cast<int32_t>(std::min<uint32_t>(length, CEIBInStream::kInitialCapacity)));
    }
    KnxNetIp::FrameSpan span;
    const uint8_t* body = nullptr;
    size_t bodyLength = 0;
    while (m_in.ReadFrame(span, body, bodyLength))
        HandleFrame(span.service, body, bodyLength);
    if (m_datagrams)
        m_in.Reset();
}

void CAbstractEIBDevice::HandleFrame(uint16_t service, const uint8_t* body, size_t length)
{
    uint8_t channel = 0, status = 0;
    switch (service)
    {
    case KnxNetIp::ConnectResponse:
        OnConnectResponse(body, length);
        break;
    case KnxNetIp::ConnectionStateResponse:
        OnConnectionStateResponse(body, length);
        break;
    case KnxNetIp::DisconnectRequest:
        OnDisconnectRequest(body, length);
        break;
    case KnxNetIp::DisconnectResponse:
        if (KnxNetIp::ParseChannelStatus(body, length, channel, status))
        {
            m_pendingRequest = 0;
            m_state = StateIdle;
        }
        break;
    case KnxNetIp::TunnellingRequest:
        OnTunnellingRequest(body, length);
        break;
    case KnxNetIp::TunnellingAck:
        OnTunnellingAck(body, length);
        break;
    default:
        break;
    }
}

void CAbstractEIBDevice::OnConnectResponse(const uint8_t* body, size_t length)
{
    KnxNetIp::ConnectResult result;
    if (!KnxNetIp::ParseConnectResponse(body, length, result))
        return;
    m_pendingRequest = 0;
    if (result.status != 0)
    {
        WaitToReconnect();
        return;
    }
    m_channelId = result.channel;
    m_ownAddress = static_cast<uint16_t>(result.area << 12 | result.line << 8 | result.device);
    m_heartbeatTime = Now();
    {
        CCriticalSectionGuard guard(SendLock());
        m_sequence = 0;
        // What was queued for an earlier tunnel carries its channel id and sequence: never sent.
        m_pump->OnLinkLost();
        m_queue.Clear();
        m_state = StateOnline;
    }
    ReadFeedbackGroups();
}

void CAbstractEIBDevice::OnConnectionStateResponse(const uint8_t* body, size_t length)
{
    uint8_t channel = 0, status = 0;
    if (!KnxNetIp::ParseChannelStatus(body, length, channel, status))
        return;
    m_pendingRequest = 0;
    // The server no longer knows the tunnel (it was restarted, or dropped it): connect anew
    // rather than stay online on a channel that carries nothing.
    if (status != 0 && m_state == StateOnline)
        m_state = StateIdle;
}

void CAbstractEIBDevice::OnDisconnectRequest(const uint8_t* body, size_t length)
{
    uint8_t channel = 0, status = 0;
    if (!KnxNetIp::ParseChannelStatus(body, length, channel, status) || channel != m_channelId)
        return;
    // The server ends the tunnel: confirm, and connect anew at the next tick.
    std::vector<uint8_t> response{
        KnxNetIp::kHeaderByte0, KnxNetIp::kHeaderByte1, 0x02, 0x0A, 0x00, 0x08, channel, 0};
    SendToTransport(response.data(), static_cast<uint32_t>(response.size()));
    m_state = StateIdle;
}

void CAbstractEIBDevice::OnTunnellingRequest(const uint8_t* body, size_t length)
{
    KnxNetIp::ConnectionHeader header;
    if (!KnxNetIp::ParseConnectionHeader(body, length, header))
        return;
    uint8_t code = 0;
    CemiFrame frame;
    if (ParseCemiFrame(body + header.cemiOffset, length - header.cemiOffset, code, frame))
        UpdateChannels(frame);
    // Acknowledged whatever the telegram held, so that the server does not repeat it.
    std::vector<uint8_t> ack;
    KnxNetIp::BuildTunnellingAck(m_channelId, header.sequence, 0, ack);
    SendToTransport(ack.data(), static_cast<uint32_t>(ack.size()));
}

void CAbstractEIBDevice::UpdateChannels(const CemiFrame& frame)
{
    uint16_t source =
        static_cast<uint16_t>(frame.sourceArea << 12 | frame.sourceLine << 8 | frame.sourceDevice);
    if (source == m_ownAddress || !frame.groupFlag || frame.apci == CemiFrame::kGroupValueRead)
        return;
    for (const auto& channel : m_channels)
    {
        if (!channel->IsGroup(1, frame.destMain, frame.destMiddle, frame.destSub) ||
            !channel->TakesFeedback())
            continue;
        KnxDecodedValue decoded;
        if (!KnxDecodeChannelValue(channel->GetValueType(), channel->m_subtype, frame.data.data(),
                                   frame.data.size(), decoded))
            continue;
        if (channel->m_value.Exchange(*decoded.value))
            m_poster.Post(channel->GetId(), 1, decoded.posted);
    }
}

void CAbstractEIBDevice::OnTunnellingAck(const uint8_t* body, size_t length)
{
    KnxNetIp::ConnectionHeader header;
    if (KnxNetIp::ParseConnectionHeader(body, length, header))
        m_pump->Accept(header.sequence);
}

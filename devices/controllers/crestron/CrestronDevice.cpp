#include "devices/controllers/crestron/CrestronDevice.h"

#include "common/NerulanValue.h"
#include "common/StringFunctions.h"
#include "devices/AbstractTransport.h"
#include "devices/DeviceParams.h"
#include "platform/Clock.h"

CCrestronDevice::CCrestronDevice() = default;

CCrestronDevice::~CCrestronDevice()
{
    Disconnect();
    // The transport's thread ends before anything it calls into goes.
    DeleteTransport();
}

bool CCrestronDevice::Connect()
{
    return StandardConnect();
}

void CCrestronDevice::Disconnect()
{
    if (!m_transport)
        return;
    if (GetState() == StateOnline)
        SendPacket(CCrestronCodec::MakeDisconnect(m_handle.load()));
    CloseTransport();
}

bool CCrestronDevice::Configure(DeviceParams* params)
{
    m_ipId = static_cast<uint16_t>(params->value);
    return OpenTcpTransport(params);
}

bool CCrestronDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                                 uint32_t blobLength, const uint8_t* blob)
{
    m_channels.AddLoaded(id, valueType, reportKind, direction, blobLength, blob);
    return true;
}

bool CCrestronDevice::Press(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    CCrestronChannel* c = m_channels.Find(channel);
    if (!c)
        return false;
    const uint16_t handle = m_handle.load();
    switch (c->GetValueType())
    {
    case CCrestronCodec::JoinDigital:
        SendPacket(CCrestronCodec::MakeDigitalJoin(handle, c->m_objectId, c->m_join, false));
        return true;
    case CCrestronCodec::JoinAnalog:
        SendPacket(CCrestronCodec::MakeAnalogJoin(handle, c->m_objectId, c->m_join, c->m_value.load()));
        return true;
    default:
        return false;
    }
}

bool CCrestronDevice::Release(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    CCrestronChannel* c = m_channels.Find(channel);
    if (!c || c->GetValueType() != CCrestronCodec::JoinDigital)
        return false;
    SendPacket(CCrestronCodec::MakeDigitalJoin(m_handle.load(), c->m_objectId, c->m_join, true));
    return true;
}

bool CCrestronDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    CCrestronChannel* c = m_channels.Find(channel);
    if (!c || !value || c->GetValueType() != CCrestronCodec::JoinAnalog)
        return false;
    const uint16_t number = static_cast<uint16_t>(value->GetInt());
    SendPacket(CCrestronCodec::MakeAnalogJoin(m_handle.load(), c->m_objectId, c->m_join, number));
    return true;
}

bool CCrestronDevice::Update()
{
    if (GetState() == StateOnline)
    {
        DispatchEvents();
        SendHeartbeat();
        return true;
    }
    StandardUpdate();
    return true;
}

void CCrestronDevice::OnDisconnected()
{
    m_state = StateIdle;
}

void CCrestronDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    m_in.Append(bytes, static_cast<int32_t>(length));
    const uint8_t* packet = nullptr;
    int32_t n = 0;
    while (m_scanner.Next(m_in, packet, n))
        OnPacket(packet[0], packet + CCrestronCodec::kHeaderLength, n - CCrestronCodec::kHeaderLength);
}

void CCrestronDevice::OnPacket(uint8_t type, const uint8_t* payload, int32_t length)
{
    uint16_t handle = 0;
    switch (type)
    {
    case CCrestronCodec::ConnectResponse:
        // A response too short for its handle is taken as a refusal.
        if (!CCrestronCodec::ReadHandle(payload, length, handle) || handle == CCrestronCodec::kRefusedHandle)
        {
            Disconnect();
            return;
        }
        m_handle = handle;
        m_lastHeartbeat = Now();
        m_state = StateOnline;
        SendPacket(CCrestronCodec::MakeUpdateRequest(handle));
        return;
    case CCrestronCodec::DisconnectPacket:
    case CCrestronCodec::DisconnectPacket2:
        Disconnect();
        return;
    case CCrestronCodec::JoinData:
        OnJoinData(payload, length);
        return;
    case CCrestronCodec::HeartbeatAnswer:
        if (CCrestronCodec::ReadHandle(payload, length, handle) && handle != m_handle.load())
            Disconnect();
        return;
    case CCrestronCodec::RequestPacket:
        if (length >= 1 && payload[0] == 2)
        {
            const uint32_t local = m_transport ? m_transport->GetLocalAddress() : 0;
            SendPacket(CCrestronCodec::MakeConnectRequest(local, m_ipId));
        }
        return;
    default:
        return;
    }
}

void CCrestronDevice::OnJoinData(const uint8_t* payload, int32_t length)
{
    uint16_t handle = 0;
    std::vector<CrestronJoin> joins;
    if (!CCrestronCodec::DecodeJoinData(payload, length, handle, joins) || handle != m_handle.load())
        return;
    for (const CrestronJoin& join : joins)
        PostJoinChange(join);
}

void CCrestronDevice::PostJoinChange(const CrestronJoin& join)
{
    for (const auto& c : m_channels)
    {
        if (!c->TakesFeedback() || c->GetValueType() != join.kind || c->m_objectId != join.objectId ||
            c->m_join != join.join)
            continue;
        if (join.kind == CCrestronCodec::JoinSerial)
        {
            CDeviceEvent event = CDeviceEvent::Make(c->GetId(), EventSetItemText);
            event.SetValueText(AnsiToWideN(join.text.data(), static_cast<int32_t>(join.text.size())));
            PostEvent(event);
            continue;
        }
        if (c->m_value.exchange(join.value) == join.value)
            continue;
        if (c->m_mode == CCrestronChannel::ModePopup)
        {
            // The popup changes through the interface's own operations, posted into the ring.
            CDeviceEvent event =
                CDeviceEvent::Make(c->GetId(), join.value != 0 ? EventShowPopup : EventHidePopup);
            event.SetValueText(StrDup(c->m_popupName.c_str()));
            event.SetArgumentText(StrDup(c->m_pageName.c_str()));
            PostEvent(event);
        }
        else
        {
            m_poster.Post(c->GetId(), EventSetItemValue, join.value);
        }
    }
}

void CCrestronDevice::SendHeartbeat()
{
    const uint32_t now = Now();
    if (platform::ElapsedMs(now, m_lastHeartbeat.load()) <= kHeartbeatPeriod)
        return;
    m_lastHeartbeat = now;
    SendPacket(CCrestronCodec::MakeHeartbeat(m_handle.load()));
}

bool CCrestronDevice::SendPacket(const std::vector<uint8_t>& packet)
{
    // The tick thread and the transport thread both send: the stream is theirs only under the lock.
    CCriticalSectionGuard guard(SendLock());
    m_out.Reset();
    m_out.PutBytes(packet.data(), static_cast<uint32_t>(packet.size()));
    return SendToTransport(m_out.Data(), m_out.Length());
}

#include "devices/controllers/custom/AbstractCustomDevice.h"

#include "common/NerulanCriticalSection.h"

CAbstractCustomDevice::CAbstractCustomDevice()
{
    m_channels.reserve(16);
}

CAbstractCustomDevice::~CAbstractCustomDevice()
{
    // The transport's thread may be inside OnReceive: it stops before the buffer and channels go.
    DeleteTransport();
}

CCustomChannel* CAbstractCustomDevice::FindChannel(uint32_t id) const
{
    for (const auto& channel : m_channels)
        if (channel->GetId() == id)
            return channel.get();
    return nullptr;
}

CCustomChannel* CAbstractCustomDevice::FindChannel(uint32_t id, uint8_t kind) const
{
    for (const auto& channel : m_channels)
        if (channel->GetId() == id && channel->GetKind() == kind)
            return channel.get();
    return nullptr;
}

CCustomChannel* CAbstractCustomDevice::GetChannel(int32_t index) const
{
    if (index < 0 || index >= GetChannelCount())
        return nullptr;
    return m_channels[static_cast<size_t>(index)].get();
}

void CAbstractCustomDevice::AppendChannel(std::unique_ptr<CCustomChannel> channel)
{
    if (channel->GetKind() == CustomKindFeedback)
        m_feedback = 1;
    m_channels.push_back(std::move(channel));
}

bool CAbstractCustomDevice::Update()
{
    if (GetState() == StateOnline)
        m_pump.Flush();
    return StandardUpdate();
}

void CAbstractCustomDevice::OnDisconnected()
{
    m_pump.OnLinkLost();
    StandardOnDisconnected();
}

void CAbstractCustomDevice::SendRepeated(const CCustomChannel& channel)
{
    const uint8_t* bytes = channel.GetBytes();
    uint32_t length = channel.GetByteLength();
    if (!bytes || length == 0)
        return;
    for (uint8_t i = 0; i < channel.GetRepeatCount(); ++i)
        m_pump.Queue(0, bytes, length);
    m_pump.Flush();
}

bool CAbstractCustomDevice::Press(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    CCustomChannel* found = FindChannel(channel, CustomKindPress);
    if (!found)
        return false;
    SendRepeated(*found);
    return true;
}

bool CAbstractCustomDevice::Release(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    CCustomChannel* found = FindChannel(channel, CustomKindRelease);
    if (!found)
        return false;
    SendRepeated(*found);
    return true;
}

bool CAbstractCustomDevice::Hold(uint16_t channel, uint32_t elapsedMs)
{
    CCustomChannel* found = FindChannel(channel, CustomKindHold);
    if (!found)
        return false;
    if (found->AddHeldTime(elapsedMs))
        SendRepeated(*found);
    return true;
}

bool CAbstractCustomDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    (void)channel;
    (void)value;
    return false;
}

bool CAbstractCustomDevice::SendBytes(const uint8_t* bytes, uint32_t length)
{
    (void)bytes;
    (void)length;
    return false;
}

#include "devices/controllers/http/CustomHTTPDevice.h"

#include <string>

#include "common/NerulanValue.h"
#include "devices/controllers/http/HttpValueFormat.h"

CCustomHTTPDevice::~CCustomHTTPDevice()
{
    // The transport's thread stops while the whole device is still there for its callbacks.
    DeleteTransport();
}

bool CCustomHTTPDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                                   uint32_t blobLength, const uint8_t* blob)
{
    auto channel = std::make_unique<CCustomChannel>(id, valueType, reportKind, direction);
    channel->Load(blob, blobLength);
    if (channel->GetKind() == CustomKindFeedback)
        SetReadsBodies(true);
    m_channels.push_back(std::move(channel));
    return true;
}

CCustomChannel* CCustomHTTPDevice::FindChannel(uint32_t id, uint8_t kind) const
{
    for (const auto& channel : m_channels)
        if (channel->GetId() == id && channel->GetKind() == kind)
            return channel.get();
    return nullptr;
}

bool CCustomHTTPDevice::QueueRepeated(const char* path, uint32_t length, uint8_t repeat)
{
    CCriticalSectionGuard guard(SendLock());
    CHTTPOutStream& out = OutStream();
    if (!out.BuildHttpGetRequest(path, length, GetHost()))
        return false;
    out.AppendHttpHeaderEnd();
    for (uint8_t i = 0; i < repeat; ++i)
        QueueRequest(0);
    return true;
}

bool CCustomHTTPDevice::Press(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    const CCustomChannel* found = FindChannel(channel, CustomKindPress);
    if (!found || !GetHost())
        return false;
    QueueRepeated(reinterpret_cast<const char*>(found->GetBytes()), found->GetByteLength(),
                  found->GetRepeatCount());
    return true;
}

bool CCustomHTTPDevice::Release(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    if (!GetHost())
        return false;
    if (const CCustomChannel* path = FindChannel(channel, CustomKindRelease))
    {
        QueueRepeated(reinterpret_cast<const char*>(path->GetBytes()), path->GetByteLength(),
                      path->GetRepeatCount());
        return true;
    }
    const CCustomChannel* pattern = FindChannel(channel, CustomKindValue);
    if (!pattern)
        return false;
    std::string filled;
    CHttpValueFormat::Format(reinterpret_cast<const char*>(pattern->GetBytes()), pattern->GetByteLength(),
                             pattern->m_lastValue.load(), filled);
    QueueRepeated(filled.data(), static_cast<uint32_t>(filled.size()), pattern->GetRepeatCount());
    return true;
}

bool CCustomHTTPDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    CCustomChannel* pattern = FindChannel(channel, CustomKindValue);
    if (!value || !pattern || !GetHost())
        return false;
    pattern->m_lastValue = value->GetInt();
    return true;
}

bool CCustomHTTPDevice::Update()
{
    if (!m_updated)
    {
        m_updated = true;
        SetState(StateOnline);
    }
    else
        DispatchEvents();
    return CHTTPDevice::Update();
}

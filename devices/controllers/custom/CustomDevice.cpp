#include "devices/controllers/custom/CustomDevice.h"

#include <algorithm>
#include <memory>

CCustomDevice::~CCustomDevice()
{
    DeleteTransport();
}

bool CCustomDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                               uint32_t blobLength, const uint8_t* blob)
{
    auto channel = std::make_unique<CCustomChannel>(id, valueType, reportKind, direction);
    channel->Load(blob, blobLength);
    if (channel->GetKind() == CustomKindFeedback && channel->GetByteLength() > 0)
    {
        m_patterns.push_back(CustomPattern{channel->GetBytes(), channel->GetByteLength()});
        m_patternChannels.push_back(channel.get());
    }
    AppendChannel(std::move(channel));
    return true;
}

void CCustomDevice::OnReceive(const uint8_t* bytes, uint32_t length)
{
    if (!m_feedback || !bytes)
        return;
    while (length > 0)
    {
        int32_t slice = static_cast<int32_t>(std::min<uint32_t>(length, kReceiveSlice));
        ScanSlice(bytes, slice);
        bytes += slice;
        length -= static_cast<uint32_t>(slice);
    }
}

void CCustomDevice::ScanSlice(const uint8_t* bytes, int32_t length)
{
    if (!m_in.Append(bytes, length))
    {
        // Only a pattern longer than the buffer's cap can get here: what is kept cannot match
        // any more than what arrives now, so start again from the new bytes.
        m_in.Reset();
        if (!m_in.Append(bytes, length))
            return;
    }
    int32_t used = CCustomPatternMatcher::Scan(m_in.ReadPos(), m_in.Pending(), m_patterns,
                                               [this](size_t index)
                                               {
                                                   const CCustomChannel* channel = m_patternChannels[index];
                                                   // A float on the way, as the event value is
                                                   // defined: exact up to 2^24.
                                                   float value = static_cast<float>(channel->GetEventValue());
                                                   m_poster.Post(channel->GetEventChannel(),
                                                                 channel->GetReportKind(), value);
                                               });
    m_in.Skip(used);
    if (m_in.Pending() == 0)
        m_in.Reset();
    NoteBuffer();
}

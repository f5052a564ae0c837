#include "devices/QueueData.h"

#include <cstring>

CQueueData::CQueueData(int32_t tag, const uint8_t* bytes, uint32_t length)
    : m_tag(tag), m_length(bytes ? length : 0)
{
    if (m_length > 0)
    {
        m_bytes.reset(new uint8_t[m_length]);
        std::memcpy(m_bytes.get(), bytes, m_length);
    }
}

CAbstractQueueItem* CQueueData::Clone() const
{
    return new CQueueData(m_tag, m_bytes.get(), m_length);
}

#include "devices/controllers/custom/CustomChannel.h"

#include "common/BlobReader.h"

namespace
{
constexpr uint32_t kFixedFields = 14;
}

void CCustomChannel::Load(const uint8_t* blob, uint32_t length)
{
    if (!blob || length < kFixedFields)
        return;
    CBlobReader r(blob, length);
    uint8_t kind = 0;
    uint32_t eventChannel = 0;
    uint32_t eventValue = 0;
    uint8_t repeat = 0;
    uint32_t byteLength = 0;
    if (!(r.U8(kind) && r.U32LE(eventChannel) && r.U32LE(eventValue) && r.U8(repeat) && r.U32LE(byteLength)))
        return;
    m_kind = kind;
    m_eventChannel = eventChannel;
    m_eventValue = eventValue;
    m_repeatCount = repeat;
    // The length comes from the file: it is compared with what is left, never added to the
    // offset, so a huge value cannot wrap round and pass the check.
    if (byteLength > r.Remaining())
        return;
    SetBytes(r.Here(), byteLength);
    r.Skip(byteLength);
    uint32_t holdPeriod = 0;
    uint32_t sequenceDelay = 0;
    if (r.Remaining() >= 8 && r.U32LE(holdPeriod) && r.U32LE(sequenceDelay))
    {
        m_holdPeriod = holdPeriod;
        m_sequenceDelay = sequenceDelay;
    }
}

bool CCustomChannel::AddHeldTime(uint32_t elapsedMs)
{
    m_heldTime += elapsedMs;
    if (m_heldTime <= m_holdPeriod)
        return false;
    m_heldTime = 0;
    return true;
}

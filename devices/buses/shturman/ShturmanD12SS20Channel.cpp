#include "devices/buses/shturman/ShturmanD12SS20Channel.h"

#include "common/BlobReader.h"

void CShturmanD12SS20Channel::Load(const uint8_t* blob, uint32_t length)
{
    CBlobReader reader(blob, length);
    uint8_t action = 0;
    if (!reader.U8(action) || !reader.U8(m_module) || !reader.U8(m_kind))
        return;
    SetAction(action);
    m_loaded = true;
    uint8_t value = 0;
    if (m_kind == 0)
    {
        reader.U8(m_subIndex);
        reader.U8(m_second);
        reader.U8(value);
    }
    else if (m_kind == 1)
    {
        // Bit replies reach kind-1 channels by sub-index.
        reader.U8(m_subIndex);
    }
    else if (m_kind <= 9 || m_kind == 18)
    {
        reader.U8(value);
    }
    m_value = value;
}

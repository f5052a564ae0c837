#include "devices/buses/shturman/ShturmanXXV07Channel.h"

#include "common/BlobReader.h"

void CShturmanXXV07Channel::Load(const uint8_t* blob, uint32_t length)
{
    CBlobReader reader(blob, length);
    uint8_t action = 0;
    if (!reader.U8(action) || !reader.U8(m_module) || !reader.U8(m_index) || !reader.U8(m_extra))
        return;
    SetAction(action);
    uint8_t value = 0;
    if (reader.Remaining() > 0)
        reader.U8(value);
    m_value = value;
    m_loaded = true;
}

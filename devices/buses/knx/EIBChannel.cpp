#include "devices/buses/knx/EIBChannel.h"

#include "common/BlobReader.h"
#include "devices/buses/knx/KnxValueCodec.h"

void CEIBChannel::Load(const uint8_t* blob, uint32_t length)
{
    CBlobReader reader(blob, length);
    uint8_t action = 0;
    reader.U8(action);
    reader.U8(m_subtype);
    reader.U8(m_main);
    reader.U8(m_middle);
    reader.U8(m_sub);
    if (!reader.Ok())
        return;
    SetAction(action);
    // Every channel of this link is on a group address.
    m_groupFlag = 1;
    if (auto value = KnxReadInitialValue(m_valueType, reader))
        m_value.Set(*value);
}

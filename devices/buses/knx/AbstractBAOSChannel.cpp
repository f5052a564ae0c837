#include "devices/buses/knx/AbstractBAOSChannel.h"

#include "common/BlobReader.h"
#include "devices/buses/knx/KnxValueCodec.h"

void CAbstractBAOSChannel::LoadFields(const uint8_t* blob, uint32_t length, bool wideId)
{
    CBlobReader reader(blob, length);
    uint8_t action = 0, id8 = 0;
    reader.U8(action);
    reader.U8(m_subtype);
    if (wideId)
        reader.U16LE(m_datapoint);
    else if (reader.U8(id8))
        m_datapoint = id8;
    reader.U8(m_command);
    if (!reader.Ok())
    {
        m_datapoint = 0;
        return;
    }
    SetAction(action);
    if (auto value = KnxReadInitialValue(m_valueType, reader))
        m_value.Set(*value);
}

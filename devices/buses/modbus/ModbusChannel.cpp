#include "devices/buses/modbus/ModbusChannel.h"

#include "common/BlobReader.h"
#include "common/NerulanValue.h"

void CModbusChannel::Load(const uint8_t* blob, uint32_t length)
{
    if (!blob || length == 0 || length > kFullBlob)
        return;
    CBlobReader in(blob, length);
    if (length == kFullBlob)
    {
        uint8_t action = 0;
        in.U8(m_unit);
        in.U8(action);
        SetAction(action);
    }
    // Each field is taken only when it is wholly there; a failed read leaves the
    // field at 0.
    uint8_t table = 0;
    uint16_t address = 0;
    uint16_t initial = 0;
    if (in.U8(table))
        m_table = table;
    if (in.U16LE(address))
        m_address = address;
    if (in.Skip(1) && in.U16LE(initial))
        m_value = initial;
}

int32_t CModbusChannel::FromWire(int32_t value) const
{
    if (m_valueType == ValueUInt16)
        return static_cast<int32_t>(static_cast<uint16_t>(value));
    return value;
}

#include "devices/controllers/lutron/LutronChannel.h"

#include "common/BlobReader.h"

void CLutronChannel::Load(const uint8_t* blob, uint32_t length)
{
    CBlobReader reader(blob, blob ? length : 0);
    uint16_t value = 0;
    if (!reader.U8(m_commandKind) || !reader.U32LE(m_serial) || !reader.U8(m_code) || !reader.U8(m_number) ||
        !reader.U16LE(value))
        return;
    m_value = static_cast<int16_t>(value);
}

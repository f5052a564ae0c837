#include "devices/controllers/domintell/DomintellChannel.h"

#include "common/BlobReader.h"

void CDomintellChannel::Load(const uint8_t* blob, uint32_t length)
{
    CBlobReader reader(blob, blob ? length : 0);
    if (reader.Remaining() < kBlobLength)
        return;
    uint8_t action = 0;
    uint32_t type = 0;
    uint32_t serial = 0;
    uint8_t io = 0;
    uint8_t subKind = 0;
    int32_t initial = 0;
    if (!reader.U8(action) || !reader.U32LE(type) || !reader.U32LE(serial) || !reader.U8(io) ||
        !reader.U8(subKind) || !reader.Skip(1) || !reader.I32LE(initial))
        return;
    SetAction(action);
    m_moduleType = type;
    m_serial = serial & 0xFFFFFF;
    m_io = io;
    m_subKind = subKind;
    m_initialValue = initial;
}

#include "devices/controllers/axico/AxicoChannel.h"

#include "common/BlobReader.h"

void CAxicoChannel::Load(const uint8_t* blob, uint32_t length)
{
    CBlobReader reader(blob, length);
    uint8_t kind = 0;
    uint8_t address[3] = {0, 0, 0};
    if (!reader.U8(kind) || !reader.Bytes(address, sizeof address))
        return;
    m_kind = kind;
    m_address[0] = address[0];
    m_address[1] = address[1];
    m_address[2] = address[2];
}

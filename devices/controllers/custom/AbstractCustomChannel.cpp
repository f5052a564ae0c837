#include "devices/controllers/custom/AbstractCustomChannel.h"

void CAbstractCustomChannel::SetBytes(const uint8_t* bytes, uint32_t n)
{
    if (!bytes || n == 0)
        return;
    m_bytes.assign(bytes, bytes + n);
}

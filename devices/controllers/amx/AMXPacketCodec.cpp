#include "devices/controllers/amx/AMXPacketCodec.h"

#include <cstring>
#include <utility>

void CAMXPacketCodec::SetKey(const uint8_t key[kKeyLength])
{
    for (int k = 0; k < 256; ++k)
        m_keyed[k] = static_cast<uint8_t>(k);
    uint8_t j = 0;
    for (int k = 0; k < 256; ++k)
    {
        j = static_cast<uint8_t>(j + m_keyed[k] + key[k % kKeyLength]);
        std::swap(m_keyed[k], m_keyed[j]);
    }
}

void CAMXPacketCodec::Crypt(uint8_t* bytes, int32_t count, const uint8_t field[4]) const
{
    uint8_t s[256];
    std::memcpy(s, m_keyed, sizeof s);
    std::memcpy(s, field, 4);
    uint8_t i = 0;
    uint8_t j = 0;
    for (int32_t n = 0; n < count; ++n)
    {
        i = static_cast<uint8_t>(i + 1);
        j = static_cast<uint8_t>(j + s[i]);
        std::swap(s[i], s[j]);
        bytes[n] ^= s[static_cast<uint8_t>(s[i] + s[j])];
    }
}

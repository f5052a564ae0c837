// CRC-32 of IEEE 802.3 (the one of zlib): reflected polynomial 0xEDB88320.
#include "common/StringFunctions.h"

#include <array>
#include <cstring>

namespace
{
constexpr std::array<uint32_t, 256> MakeTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i)
    {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();
} // namespace

uint32_t Crc32(const void* bytes, size_t length)
{
    uint32_t crc = 0xFFFFFFFFu;
    const auto* p = static_cast<const unsigned char*>(bytes);
    if (p)
        for (size_t i = 0; i < length; ++i)
            crc = kTable[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

uint32_t Crc32(const char* text)
{
    return text ? Crc32(text, std::strlen(text)) : 0;
}

#include "common/BlobReader.h"

#include <cstring>

bool CBlobReader::Take(size_t count)
{
    if (m_failed || count > m_size - m_pos)
    {
        m_failed = true;
        return false;
    }
    return true;
}

bool CBlobReader::U8(uint8_t& value)
{
    value = 0;
    if (!Take(1))
        return false;
    value = m_bytes[m_pos++];
    return true;
}

bool CBlobReader::U16LE(uint16_t& value)
{
    value = 0;
    if (!Take(2))
        return false;
    value = static_cast<uint16_t>(m_bytes[m_pos] | (m_bytes[m_pos + 1] << 8));
    m_pos += 2;
    return true;
}

bool CBlobReader::U16BE(uint16_t& value)
{
    value = 0;
    if (!Take(2))
        return false;
    value = static_cast<uint16_t>((m_bytes[m_pos] << 8) | m_bytes[m_pos + 1]);
    m_pos += 2;
    return true;
}

bool CBlobReader::U32LE(uint32_t& value)
{
    value = 0;
    if (!Take(4))
        return false;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | m_bytes[m_pos + i];
    m_pos += 4;
    return true;
}

bool CBlobReader::U32BE(uint32_t& value)
{
    value = 0;
    if (!Take(4))
        return false;
    for (int i = 0; i < 4; ++i)
        value = (value << 8) | m_bytes[m_pos + i];
    m_pos += 4;
    return true;
}

bool CBlobReader::I32LE(int32_t& value)
{
    uint32_t bits = 0;
    const bool ok = U32LE(bits);
    std::memcpy(&value, &bits, sizeof value);
    return ok;
}

bool CBlobReader::Bytes(void* out, size_t count)
{
    if (!Take(count))
    {
        if (out && count)
            std::memset(out, 0, count);
        return false;
    }
    if (count)
        std::memcpy(out, m_bytes + m_pos, count);
    m_pos += count;
    return true;
}

bool CBlobReader::Skip(size_t count)
{
    if (!Take(count))
        return false;
    m_pos += count;
    return true;
}

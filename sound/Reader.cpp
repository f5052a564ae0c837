#include "sound/Reader.h"

#include <cstring>
#include <new>

CReader::CReader(uint32_t size, const void* bytes, bool& ok)
{
    ok = false;
    if (size == 0 || !bytes)
        return;
    m_data = new (std::nothrow) uint8_t[size];
    if (!m_data)
        return;
    std::memcpy(m_data, bytes, size);
    m_size = size;
    m_mode = 1;
    m_ownsData = true;
    ok = true;
}

CReader::~CReader()
{
    if (m_ownsData)
        delete[] m_data;
}

uint32_t CReader::Available()
{
    if (m_position > m_size)
        m_position = m_size;
    return m_size - m_position;
}

uint32_t CReader::Read(uint32_t n, void* destination)
{
    uint32_t count = Peek(n, destination);
    m_position += count;
    return count;
}

uint32_t CReader::Peek(uint32_t n, void* destination)
{
    if (m_mode != 1 || !m_data || !destination)
        return 0;
    uint32_t count = Available();
    if (n < count)
        count = n;
    if (count)
        std::memcpy(destination, m_data + m_position, count);
    return count;
}

uint32_t CReader::Seek(uint64_t offset)
{
    m_position = offset < m_size ? static_cast<uint32_t>(offset) : m_size;
    return m_position;
}

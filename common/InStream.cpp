#include "common/InStream.h"

#include <cstring>

CInStream::CInStream(uint8_t overflowMode, int32_t capacity) : m_mode(overflowMode)
{
    if (capacity > 0)
    {
        m_buffer = new uint8_t[capacity]();
        m_capacity = capacity;
    }
    m_read = m_write = m_buffer;
}

CInStream::~CInStream()
{
    if (m_ownsBuffer)
        delete[] m_buffer;
}

bool CInStream::Append(const void* bytes, int32_t length)
{
    if (length <= 0)
        return true;
    if (!bytes)
        return false;
    const auto* in = static_cast<const uint8_t*>(bytes);
    int32_t pending = Pending();
    int32_t behind = static_cast<int32_t>(m_buffer + m_capacity - m_write);
    if (behind >= length)
    {
        std::memcpy(m_write, in, length);
        m_write += length;
        return true;
    }
    if (m_capacity - pending >= length)
    {
        std::memmove(m_buffer, m_read, pending);
        m_read = m_buffer;
        m_write = m_buffer + pending;
        std::memcpy(m_write, in, length);
        m_write += length;
        return true;
    }
    if (m_mode == KeepNewest)
    {
        if (m_capacity == 0)
            return true;
        if (length >= m_capacity)
        {
            std::memcpy(m_buffer, in + (length - m_capacity), m_capacity);
        }
        else
        {
            int32_t keep = m_capacity - length;
            std::memmove(m_buffer, m_write - keep, keep);
            std::memcpy(m_buffer + keep, in, length);
        }
        m_read = m_buffer;
        m_write = m_buffer + m_capacity;
        return true;
    }
    if (m_mode == Grow)
    {
        int64_t capacity = static_cast<int64_t>(m_capacity) + length;
        if (capacity > kMaxCapacity)
            return false;
        auto* buffer = new uint8_t[capacity]();
        if (pending > 0)
            std::memcpy(buffer, m_read, pending);
        if (m_ownsBuffer)
            delete[] m_buffer;
        m_buffer = buffer;
        m_ownsBuffer = 1;
        m_capacity = static_cast<int32_t>(capacity);
        m_read = m_buffer;
        m_write = m_buffer + pending;
        std::memcpy(m_write, in, length);
        m_write += length;
        return true;
    }
    return false;
}

void CInStream::Skip(int32_t count)
{
    if (count <= 0)
        return;
    if (count > Pending())
        count = Pending();
    m_read += count;
}

bool CInStream::ReadBytes(void* out, int32_t length)
{
    if (length < 0 || length > Pending())
        return false;
    if (length > 0)
        std::memcpy(out, m_read, length);
    m_read += length;
    return true;
}

bool CInStream::ReadU8(uint8_t& value) { return ReadBytes(&value, 1); }

bool CInStream::ReadU16(uint16_t& value)
{
    uint8_t b[2];
    if (!ReadBytes(b, 2))
        return false;
    value = static_cast<uint16_t>(b[0] | (b[1] << 8));
    return true;
}

bool CInStream::ReadU32(uint32_t& value)
{
    uint8_t b[4];
    if (!ReadBytes(b, 4))
        return false;
    value = static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) | (static_cast<uint32_t>(b[2]) << 16) |
            (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

bool CInStream::ReadI32(int32_t& value)
{
    uint32_t u;
    if (!ReadU32(u))
        return false;
    value = static_cast<int32_t>(u);
    return true;
}

bool CInStream::ReadI16(int32_t& value)
{
    uint16_t raw = 0;
    if (!ReadU16(raw))
        return false;
    value = static_cast<int16_t>(raw);
    return true;
}

bool CInStream::ReadText(char*& text)
{
    text = nullptr;
    uint16_t length = 0;
    if (!ReadU16(length) || Pending() < length)
        return false;
    if (length == 0)
        return true;
    text = new char[length + 1];
    ReadBytes(text, length);
    text[length] = 0;
    return true;
}

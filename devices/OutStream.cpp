#include "devices/OutStream.h"

#include <cstring>

COutStream::COutStream(uint32_t capacity)
    : m_buffer(new uint8_t[capacity > 0 ? capacity : 1]()), m_capacity(capacity > 0 ? capacity : 1)
{
}

void COutStream::Grow(uint32_t by)
{
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[m_capacity + by]());
    if (m_used > 0)
        std::memcpy(buffer.get(), m_buffer.get(), m_used);
    m_buffer = std::move(buffer);
    m_capacity += by;
}

bool COutStream::Reserve(uint32_t n)
{
    uint64_t by = n <= kGrowStep ? kGrowStep : uint64_t{n} + kGrowStep;
    if (m_capacity + by > kMaxCapacity)
        return false;
    Grow(static_cast<uint32_t>(by));
    return true;
}

bool COutStream::Ensure(uint32_t n)
{
    if (uint64_t{m_used} + n <= m_capacity)
        return true;
    // The small builders grow by one step; a block by its own size and a step.
    if (n <= 4)
    {
        if (m_capacity + kGrowStep > kMaxCapacity)
            return false;
        Grow(kGrowStep);
        return true;
    }
    return Reserve(n) && uint64_t{m_used} + n <= m_capacity;
}

void COutStream::PutByte(uint8_t value)
{
    if (Ensure(1))
        m_buffer[m_used++] = value;
}

void COutStream::PutWordBE(uint16_t value)
{
    if (!Ensure(2))
        return;
    m_buffer[m_used++] = static_cast<uint8_t>(value >> 8);
    m_buffer[m_used++] = static_cast<uint8_t>(value);
}

void COutStream::PutWordLE(uint16_t value)
{
    if (!Ensure(2))
        return;
    m_buffer[m_used++] = static_cast<uint8_t>(value);
    m_buffer[m_used++] = static_cast<uint8_t>(value >> 8);
}

void COutStream::PutDWordBE(uint32_t value)
{
    if (!Ensure(4))
        return;
    for (int shift = 24; shift >= 0; shift -= 8)
        m_buffer[m_used++] = static_cast<uint8_t>(value >> shift);
}

void COutStream::PutDWordLE(uint32_t value)
{
    if (!Ensure(4))
        return;
    for (int shift = 0; shift < 32; shift += 8)
        m_buffer[m_used++] = static_cast<uint8_t>(value >> shift);
}

void COutStream::PutString(const char* text)
{
    if (text && *text)
        PutBytes(text, static_cast<uint32_t>(std::strlen(text)));
}

void COutStream::PutStringZ(const char* text)
{
    PutString(text);
    PutByte(0);
}

void COutStream::PutBytes(const void* bytes, uint32_t n)
{
    if (!bytes || n == 0 || !Ensure(n))
        return;
    std::memcpy(m_buffer.get() + m_used, bytes, n);
    m_used += n;
}

bool COutStream::SetByte(uint32_t offset, uint8_t value)
{
    if (offset >= m_used)
        return false;
    m_buffer[offset] = value;
    return true;
}

bool COutStream::SetWordBE(uint32_t offset, uint16_t value)
{
    if (offset >= m_used || m_used - offset < 2)
        return false;
    m_buffer[offset] = static_cast<uint8_t>(value >> 8);
    m_buffer[offset + 1] = static_cast<uint8_t>(value);
    return true;
}

bool COutStream::SetWordLE(uint32_t offset, uint16_t value)
{
    if (offset >= m_used || m_used - offset < 2)
        return false;
    m_buffer[offset] = static_cast<uint8_t>(value);
    m_buffer[offset + 1] = static_cast<uint8_t>(value >> 8);
    return true;
}

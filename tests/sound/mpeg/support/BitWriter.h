#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mpegtest
{
// Packs fields most significant bit first, as MPEG audio frames store them.
class BitWriter
{
public:
    void Put(uint32_t value, int bits)
    {
        for (int i = bits - 1; i >= 0; --i)
        {
            if (m_used % 8 == 0)
                m_bytes.push_back(0);
            if ((value >> i) & 1)
                m_bytes.back() |= static_cast<uint8_t>(0x80 >> (m_used % 8));
            ++m_used;
        }
    }
    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_used = 0;
};
} // namespace mpegtest

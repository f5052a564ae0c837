#pragma once
#include <cstdint>

// MD5 (RFC 1321): the digests of the login challenge. Feed bytes with Update, then Final; a second
// Final changes nothing.
class CAMXKeyGenerator
{
public:
    static constexpr int32_t kDigestLength = 16;

    CAMXKeyGenerator();
    void Update(const void* bytes, uint32_t count);
    void Final();
    const uint8_t* Digest() const { return m_digest; }

private:
    void Transform(const uint8_t block[64]);

    uint8_t m_buffer[64] = {};
    uint64_t m_bitCount = 0;
    uint32_t m_state[4];
    bool m_finished = false;
    uint8_t m_digest[kDigestLength] = {};
};

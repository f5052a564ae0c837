#pragma once
#include <cstdint>

// The stream cipher of the enciphered envelopes (RC4 keyed with the login digest). Every message
// starts from the same keyed state, with its first four bytes replaced by the envelope's field, so
// Crypt works on a copy and leaves the keyed state as it is: both threads may use one codec.
class CAMXPacketCodec
{
public:
    static constexpr int32_t kKeyLength = 16;

    void SetKey(const uint8_t key[kKeyLength]);
    // Enciphers or deciphers `count` bytes in place.
    void Crypt(uint8_t* bytes, int32_t count, const uint8_t field[4]) const;

private:
    uint8_t m_keyed[256] = {};
};

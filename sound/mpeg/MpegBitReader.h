#pragma once
#include <bit>
#include <cstdint>
#include <cstring>

// Reads a byte block most significant bit first. The block has an end: bits past it read as
// zeros, so a frame or reservoir that promises more data than it holds never makes the reader
// leave its block. The position is kept in bits so that the Layer III decoder can tell how far
// a channel's data has been read.
struct MpegBitReader
{
    const uint8_t* data = nullptr;
    uint32_t sizeBytes = 0;
    uint32_t position = 0; // in bits from data

    void Start(const uint8_t* bytes, uint32_t size, uint32_t bitPosition = 0)
    {
        data = bytes;
        sizeBytes = size;
        position = bitPosition;
    }

    // The next 32 bits from the position, left-aligned, without moving; past the end zeros.
    uint32_t Peek32() const
    {
        uint32_t byte = position >> 3;
        uint64_t word = 0;
        if (static_cast<uint64_t>(byte) + 8 <= sizeBytes)
        {
            // Whole 8-byte window inside the block: one load covers any 32 bits at any offset.
            std::memcpy(&word, data + byte, sizeof(word));
            if constexpr (std::endian::native == std::endian::little)
                word = __builtin_bswap64(word);
        }
        else
        {
            for (uint32_t i = 0; i < 8; ++i)
            {
                uint64_t b = (static_cast<uint64_t>(byte) + i < sizeBytes) ? data[byte + i] : 0;
                word = (word << 8) | b;
            }
        }
        return static_cast<uint32_t>((word << (position & 7)) >> 32);
    }

    void Skip(uint32_t bits) { position += bits; }

    // The next n bits (0 to 32) as an unsigned value.
    uint32_t Get(uint32_t n)
    {
        if (n == 0)
            return 0;
        uint32_t value = Peek32() >> (32 - n);
        position += n;
        return value;
    }

    bool Get1() { return Get(1) != 0; }
    // True once the position has passed the end of the block.
    bool Overrun() const { return position > static_cast<uint64_t>(sizeBytes) * 8; }
};

// The reader operation the layers use: the next n bits, most significant first.
inline uint32_t MpegGetBits(MpegBitReader& reader, uint32_t n)
{
    return reader.Get(n);
}

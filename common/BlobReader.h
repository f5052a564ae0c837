#pragma once
#include <cstddef>
#include <cstdint>

// Bounded reader over a block of bytes that came from a file or a peer (channel blobs of the
// device table, payloads of protocol frames). Every read checks the bytes left first; the first
// read that does not fit fails the reader, and from then on every read fails and writes zero to
// its output, so a parser can read a whole record and check Ok() once at the end.
class CBlobReader
{
public:
    CBlobReader(const uint8_t* bytes, size_t size) : m_bytes(bytes), m_size(bytes ? size : 0) {}

    bool U8(uint8_t& value);
    bool U16LE(uint16_t& value);
    bool U16BE(uint16_t& value);
    bool U32LE(uint32_t& value);
    bool U32BE(uint32_t& value);
    bool I32LE(int32_t& value);
    bool Bytes(void* out, size_t count);
    // Moves past count bytes without reading them.
    bool Skip(size_t count);

    bool Ok() const { return !m_failed; }
    size_t Position() const { return m_pos; }
    size_t Remaining() const { return m_failed ? 0 : m_size - m_pos; }
    // The unread bytes (valid while the block lives); null once failed or at the end.
    const uint8_t* Here() const { return Remaining() ? m_bytes + m_pos : nullptr; }

private:
    // True when count more bytes are there; fails the reader otherwise.
    bool Take(size_t count);

    const uint8_t* m_bytes;
    size_t m_size;
    size_t m_pos = 0;
    bool m_failed = false;
};

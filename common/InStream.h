#pragma once
#include <cstddef>
#include <cstdint>

// The receive buffer that the interface-file readers and the drivers' parsers read from the
// front. Invariant: buffer <= read <= write <= buffer + capacity.
class CInStream
{
public:
    enum OverflowMode : uint8_t
    {
        Refuse = 0,
        KeepNewest = 1,
        Grow = 2,
    };

    // No growing stream gets larger than this: a peer that never completes a frame is refused
    // rather than allowed to take the memory of the panel.
    static constexpr int32_t kMaxCapacity = 1 << 20;

    CInStream(uint8_t overflowMode, int32_t capacity);
    virtual ~CInStream();
    CInStream(const CInStream&) = delete;
    CInStream& operator=(const CInStream&) = delete;

    // True when the bytes were appended (see the overflow modes).
    bool Append(const void* bytes, int32_t length);

    // Bytes received and not yet read.
    int32_t Pending() const { return static_cast<int32_t>(m_write - m_read); }
    uint8_t* ReadPos() const { return m_read; }
    uint8_t* WritePos() const { return m_write; }
    uint8_t* Buffer() const { return m_buffer; }
    int32_t Capacity() const { return m_capacity; }
    uint8_t Mode() const { return m_mode; }
    // Moves the read position forward by at most the pending bytes.
    void Skip(int32_t count);
    // Drops every pending byte.
    void Reset() { m_read = m_write = m_buffer; }

    // Little-endian readers for the interface file: each checks the pending bytes first and
    // returns false (the stream unchanged) when the field does not fit.
    bool ReadU8(uint8_t& value);
    bool ReadU16(uint16_t& value);
    bool ReadU32(uint32_t& value);
    bool ReadI32(int32_t& value);
    // A signed 16-bit field widened to 32 bits (positions and offsets of the records).
    bool ReadI16(int32_t& value);
    bool ReadBytes(void* out, int32_t length);
    // A text of the interface file: a 16-bit length that counts the terminating zero, then the
    // bytes. The new[] copy always ends in a zero, also when a damaged file left its own out; null
    // with true for length 0. False when the bytes are not all there.
    bool ReadText(char*& text);

protected:
    uint8_t* m_buffer = nullptr;
    int32_t m_capacity = 0;
    uint8_t* m_write = nullptr;
    uint8_t* m_read = nullptr;
    uint8_t m_mode;
    uint8_t m_ownsBuffer = 1;
};

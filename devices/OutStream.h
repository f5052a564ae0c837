#pragma once
#include <cstdint>
#include <memory>

// The buffer in which a driver builds one message before it sends or queues it. Every builder
// appends at the end and keeps what was written before; the buffer grows in steps of 512 bytes
// (or the size asked for + 512) and never shrinks, so one stream serves every message.
//
// Use in a driver (under the device's send lock, see CAbstractDevice::SendLock):
//
//     CCriticalSectionGuard guard(SendLock());
//     m_out.Reset();
//     m_out.PutByte(0x68);
//     m_out.PutWordBE(0);              // length, filled in below
//     m_out.PutBytes(payload, n);
//     m_out.SetWordBE(1, static_cast<uint16_t>(m_out.Length()));
//     SendToTransport(m_out.Data(), m_out.Length());   // or m_queue.AddData(tag, Data, Length)
//
// Protocol streams derive from it and add their own builders (no virtual operations). No lock:
// the send lock of the device orders the threads that build in one stream.
class COutStream
{
public:
    // No message grows the buffer beyond this: a request this large is refused, not built.
    static constexpr uint32_t kMaxCapacity = 1u << 24;
    static constexpr uint32_t kGrowStep = 512;

    // Starting capacity (512 for the Crestron and Lutron streams, 1024 for the custom devices,
    // 4096 for HTTP requests).
    explicit COutStream(uint32_t capacity);
    virtual ~COutStream() = default;
    COutStream(const COutStream&) = delete;
    COutStream& operator=(const COutStream&) = delete;

    // Back to an empty message; the buffer is kept.
    void Reset() { m_used = 0; }
    const uint8_t* Data() const { return m_buffer.get(); }
    uint32_t Length() const { return m_used; }
    uint32_t Capacity() const { return m_capacity; }

    // Grows the capacity by 512 when n is at most 512, else by n + 512. False (nothing changed)
    // when that would pass kMaxCapacity.
    bool Reserve(uint32_t n);
    void PutByte(uint8_t value);
    void PutWordBE(uint16_t value);
    void PutWordLE(uint16_t value);
    void PutDWordBE(uint32_t value);
    void PutDWordLE(uint32_t value);
    // The text's bytes and a terminating zero (only the zero for a null or empty text).
    void PutStringZ(const char* text);
    // The text's bytes without a zero (nothing for a null or empty text).
    void PutString(const char* text);
    // Nothing for null bytes or n = 0.
    void PutBytes(const void* bytes, uint32_t n);

    // Overwrite bytes already written (length and checksum fields filled in after the body);
    // false, nothing written, when the field does not lie wholly within the message.
    bool SetByte(uint32_t offset, uint8_t value);
    bool SetWordBE(uint32_t offset, uint16_t value);
    bool SetWordLE(uint32_t offset, uint16_t value);

private:
    // Makes room for n more bytes; false when the message would pass kMaxCapacity.
    bool Ensure(uint32_t n);
    void Grow(uint32_t by);

    std::unique_ptr<uint8_t[]> m_buffer;
    uint32_t m_used = 0;
    uint32_t m_capacity;
};

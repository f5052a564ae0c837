#pragma once
#include <cstdint>

// A byte reader over a private copy of a sound's bytes. The copy is what lets the interface
// file's bytes be freed once its sounds are loaded.
class CReader
{
public:
    // Copies `size` bytes. ok is false (and the reader empty) when size is 0, bytes is null or
    // the copy cannot be allocated.
    CReader(uint32_t size, const void* bytes, bool& ok);
    virtual ~CReader();
    CReader(const CReader&) = delete;
    CReader& operator=(const CReader&) = delete;

    // Copies up to n bytes from the position and advances past them; returns the count copied.
    uint32_t Read(uint32_t n, void* destination);
    // The same without moving the position.
    uint32_t Peek(uint32_t n, void* destination);
    // Moves to min(offset, size) and returns the new position.
    uint32_t Seek(uint64_t offset);

    uint32_t GetSize() const { return m_size; }
    uint32_t GetPosition() const { return m_position; }

private:
    uint32_t Available();

    uint8_t* m_data = nullptr;
    uint32_t m_size = 0;
    uint8_t m_mode = 0; // 1 reading from memory, 0 empty
    bool m_ownsData = false;
    uint32_t m_position = 0;
};

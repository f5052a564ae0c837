#pragma once
#include <cstdint>

class CReader;

// A sound container: knows where the sample data lies in the reader and what format it has.
// Decoders read the data only through Seek and ReadData, so nothing outside
// [data start, data end) is ever read.
class CAbstractSoundFile
{
public:
    explicit CAbstractSoundFile(CReader* reader);
    virtual ~CAbstractSoundFile();
    CAbstractSoundFile(const CAbstractSoundFile&) = delete;
    CAbstractSoundFile& operator=(const CAbstractSoundFile&) = delete;

    // The format block (a WaveFormat record followed by the format's extra bytes), or null
    // when the container has none.
    virtual const uint8_t* GetFormat() = 0;
    // Bytes of the format block that came from the file (0 when there is none). Decoders that
    // read extra bytes bound their reads by it.
    virtual uint32_t GetFormatSize() { return 0; }

    // Moves the data position to min(offset, data size); returns the new data position.
    uint32_t Seek(uint32_t offset);
    // Reads up to n bytes of the data from the data position and advances; returns the count.
    uint32_t ReadData(uint32_t n, void* destination);
    // The same without advancing.
    uint32_t PeekData(uint32_t n, void* destination);

    CReader* GetReader() const { return m_reader; }
    uint32_t GetDataStart() const { return m_dataStart; }
    uint32_t GetDataEnd() const { return m_dataEnd; }
    uint32_t GetDataSize() const { return m_dataSize; }
    uint32_t GetPosition() const { return m_position; }

protected:
    // Sets the data range; an end before the start gives an empty range. The data position
    // returns to 0 and the reader to the data start.
    void SetDataRange(uint64_t start, uint64_t end);

    CReader* m_reader;
    uint32_t m_dataStart = 0;
    uint32_t m_dataEnd = 0;
    uint32_t m_position = 0;
    uint32_t m_dataSize = 0;
};

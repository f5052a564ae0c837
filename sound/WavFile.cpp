#include "sound/WavFile.h"

#include <cstring>

#include "sound/Reader.h"
#include "sound/WaveFormat.h"

CWavFile::CWavFile(CReader* reader) : CAbstractSoundFile(reader)
{
    Walk();
}

// Offsets are 64-bit so that a chunk size near 4 GiB cannot wrap the walk back to an earlier
// chunk; every step moves forward by at least the 8-byte header.
void CWavFile::Walk()
{
    std::memset(m_format, 0, kWaveFormatBytes);
    if (!m_reader)
        return;
    uint8_t header[12];
    m_reader->Seek(0);
    if (m_reader->Read(12, header) != 12 || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0)
    {
        SetDataRange(0, 0);
        return;
    }
    const uint64_t fileSize = m_reader->GetSize();
    uint64_t dataStart = 0;
    uint64_t dataEnd = 0;
    while (m_reader->GetPosition() < fileSize)
    {
        const uint64_t offset = m_reader->GetPosition();
        uint8_t chunk[8];
        if (m_reader->Read(8, chunk) != 8)
            break;
        const uint32_t size = LoadU32(chunk + 4);
        const uint64_t bodyEnd = offset + 8 + size;
        if (std::memcmp(chunk, "fmt ", 4) == 0)
        {
            if (size > kFormatBlockSize)
                break;
            m_formatSize = m_reader->Read(size, m_format);
        }
        else if (std::memcmp(chunk, "data", 4) == 0)
        {
            // A cut or streamed file (size 0xFFFFFFFF) must not promise more than the block holds.
            dataStart = offset + 8;
            dataEnd = bodyEnd < fileSize ? bodyEnd : fileSize;
        }
        if (bodyEnd > fileSize)
            break;
        // An odd-sized chunk is followed by a pad byte that its size does not count.
        m_reader->Seek(bodyEnd + (size & 1));
    }
    SetDataRange(dataStart, dataEnd);
}

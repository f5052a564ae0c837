#include "sound/MpegFile.h"

#include <cstring>

#include "sound/Reader.h"

CMpegFile::CMpegFile(CReader* reader) : CAbstractSoundFile(reader)
{
    if (!m_reader)
        return;
    uint8_t window[kWindow];
    m_reader->Seek(0);
    if (m_reader->Read(kWindow, window) < kWindow)
    {
        SetDataRange(0, 0);
        return;
    }
    uint64_t skip = 0;
    if (std::memcmp(window, "ID3", 3) == 0)
    {
        // The ID3v2 size is a synchsafe integer: 7 bits per byte, most significant first.
        skip = 10 + ((static_cast<uint64_t>(window[6] & 0x7F) << 21) | ((window[7] & 0x7F) << 14) |
                     ((window[8] & 0x7F) << 7) | (window[9] & 0x7F));
    }
    const uint64_t start = FindFrameSync(skip);
    if (start == UINT64_MAX)
    {
        SetDataRange(0, 0);
        return;
    }
    const uint64_t size = m_reader->GetSize();
    uint64_t end = size;
    uint8_t tag[3];
    if (size >= 128)
    {
        m_reader->Seek(size - 128);
        if (m_reader->Read(3, tag) == 3 && std::memcmp(tag, "TAG", 3) == 0)
            end = size - 128;
    }
    SetDataRange(start, end);
}

// Returns the offset of the first frame sync at or after skip, the offset where the search ran
// out of whole windows, or UINT64_MAX when not even the first window can be read.
uint64_t CMpegFile::FindFrameSync(uint64_t skip)
{
    // One byte more than the window, so that a sync at the window's last byte is seen whole.
    uint8_t window[kWindow + 1];
    bool first = true;
    for (;;)
    {
        m_reader->Seek(skip);
        if (m_reader->GetPosition() != skip)
            return first ? UINT64_MAX : skip;
        const uint32_t got = m_reader->Read(kWindow + 1, window);
        if (got < kWindow)
            return first ? UINT64_MAX : skip;
        for (uint32_t o = 0; o + 1 < got; ++o)
        {
            if (window[o] == 0xFF && (window[o + 1] & 0xE0) == 0xE0)
                return skip + o;
        }
        first = false;
        skip += kWindow - 1;
    }
}

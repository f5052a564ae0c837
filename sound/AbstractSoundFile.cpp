#include "sound/AbstractSoundFile.h"

#include "sound/Reader.h"

CAbstractSoundFile::CAbstractSoundFile(CReader* reader) : m_reader(reader) {}

CAbstractSoundFile::~CAbstractSoundFile() = default;

void CAbstractSoundFile::SetDataRange(uint64_t start, uint64_t end)
{
    // The reader's size bounds both ends: a header may promise more than the block holds.
    uint64_t limit = m_reader ? m_reader->GetSize() : 0;
    if (start > limit)
        start = limit;
    if (end > limit)
        end = limit;
    if (end < start)
        end = start;
    m_dataStart = static_cast<uint32_t>(start);
    m_dataEnd = static_cast<uint32_t>(end);
    m_dataSize = m_dataEnd - m_dataStart;
    m_position = 0;
    if (m_reader)
        m_reader->Seek(m_dataStart);
}

uint32_t CAbstractSoundFile::Seek(uint32_t offset)
{
    m_position = offset < m_dataSize ? offset : m_dataSize;
    if (m_reader)
        m_reader->Seek(static_cast<uint64_t>(m_dataStart) + m_position);
    return m_position;
}

uint32_t CAbstractSoundFile::PeekData(uint32_t n, void* destination)
{
    if (!m_reader)
        return 0;
    // The reader is shared with the container's other users: place it on every read.
    Seek(m_position);
    uint32_t left = m_dataSize - m_position;
    return m_reader->Peek(n < left ? n : left, destination);
}

uint32_t CAbstractSoundFile::ReadData(uint32_t n, void* destination)
{
    uint32_t count = PeekData(n, destination);
    if (count)
        Seek(m_position + count);
    return count;
}

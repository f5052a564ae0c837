#include "devices/controllers/http/HTTPDynamicImageInStream.h"

namespace
{
// The offset of the first FF D8 in [from, length), -1 when there is none.
int32_t FindStart(const uint8_t* bytes, int32_t from, int32_t length)
{
    for (int32_t i = from; i + 1 < length; ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xD8)
            return i;
    return -1;
}
} // namespace

void CHTTPDynamicImageInStream::Clear()
{
    Reset();
    m_startFound = 0;
    m_overflowed = 0;
    m_searched = 1;
}

void CHTTPDynamicImageInStream::Add(const uint8_t* bytes, int32_t length)
{
    if (!bytes || length <= 0)
        return;
    if (Capacity() - Pending() < length)
    {
        m_startFound = 0;
        m_overflowed = 1;
    }
    Append(bytes, length);
}

bool CHTTPDynamicImageInStream::NextFrame(const uint8_t*& frame, int32_t& length)
{
    frame = nullptr;
    length = 0;
    if (!m_startFound)
    {
        const int32_t start = FindStart(ReadPos(), 0, Pending());
        if (start < 0)
        {
            // Nothing before a picture's start is ever needed; a last FF may begin one.
            const int32_t pending = Pending();
            if (pending > 1)
                Skip(ReadPos()[pending - 1] == 0xFF ? pending - 1 : pending);
            if (Pending() == 0)
                Reset();
            return false;
        }
        Skip(start);
        m_startFound = 1;
        m_searched = 1;
    }
    if (Pending() < 2)
        return false;
    // The last byte looked at may be the FF of a mark whose D8 has just come.
    const int32_t next = FindStart(ReadPos(), m_searched > 1 ? m_searched - 1 : 1, Pending());
    if (next < 0)
    {
        m_searched = Pending();
        return false;
    }
    frame = ReadPos();
    length = next;
    Skip(next);
    m_startFound = 0;
    return true;
}

#include "devices/buses/cbus/ClipsalGateLineReader.h"

#include <cstring>

#include "common/InStream.h"

bool CClipsalGateLineReader::Classify(const char* word, size_t length, ClipsalGateLine& line)
{
    if (length == 3 && word[0] == '#' && word[2] == '#' &&
        (word[1] == 'e' || word[1] == 's' || word[1] == 'c'))
    {
        line.kind = ClipsalGateLine::Event;
        line.eventClass = word[1];
        line.code = 0;
        return true;
    }
    if (length == 3 || (length > 3 && word[3] == '-'))
    {
        int32_t code = 0;
        size_t i = 0;
        for (; i < length && i < 9 && word[i] >= '0' && word[i] <= '9'; ++i)
            code = code * 10 + (word[i] - '0');
        if (i == 0)
            return false;
        line.kind = ClipsalGateLine::Reply;
        line.code = code;
        line.eventClass = 0;
        return true;
    }
    return false;
}

bool CClipsalGateLineReader::Next(CInStream& stream, ClipsalGateLine& line)
{
    for (;;)
    {
        const char* p = reinterpret_cast<const char*>(stream.ReadPos());
        const int32_t n = stream.Pending();
        if (n <= 0)
            return false;
        const void* lf = std::memchr(p, '\n', static_cast<size_t>(n));
        if (!lf)
        {
            if (n > kMaxLine)
            {
                // The rest of this line goes too, whenever its end comes.
                m_dropping = true;
                stream.Skip(n);
            }
            return false;
        }
        const int32_t end = static_cast<int32_t>(static_cast<const char*>(lf) - p);
        stream.Skip(end + 1);
        if (m_dropping)
        {
            m_dropping = false;
            continue;
        }
        int32_t length = end;
        if (length > 0 && p[length - 1] == '\r')
            --length;
        const void* space = std::memchr(p, ' ', static_cast<size_t>(length));
        if (!space)
            continue;
        const int32_t word = static_cast<int32_t>(static_cast<const char*>(space) - p);
        if (!Classify(p, static_cast<size_t>(word), line))
            continue;
        line.text.assign(p + word + 1, p + length);
        return true;
    }
}

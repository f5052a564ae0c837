#include "devices/controllers/domintell/DomintellLineReader.h"

#include <cstring>

#include "common/InStream.h"

bool CDomintellLineReader::Next(CInStream& stream, std::string& line)
{
    for (;;)
    {
        const uint8_t* bytes = stream.ReadPos();
        const int32_t pending = stream.Pending();
        int32_t end = -1;
        for (int32_t i = 0; i + 1 < pending; ++i)
        {
            if (bytes[i] == '\r' && bytes[i + 1] == '\n')
            {
                end = i;
                break;
            }
        }
        if (end < 0)
        {
            // No end yet. A line that already can no longer be one is dropped now, all but a last
            // CR that may begin its CR LF.
            const bool bareLf =
                pending > 0 && std::memchr(bytes, '\n', static_cast<size_t>(pending)) != nullptr;
            if (m_dropping || bareLf || pending > m_maxLine + 1)
            {
                m_dropping = m_dropping || pending > 0;
                const bool keepCr = pending > 0 && bytes[pending - 1] == '\r';
                stream.Skip(keepCr ? pending - 1 : pending);
            }
            return false;
        }
        // Every LF before the first CR LF is a bare one.
        const bool usable =
            !m_dropping && end <= m_maxLine && std::memchr(bytes, '\n', static_cast<size_t>(end)) == nullptr;
        if (usable)
            line.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(end));
        stream.Skip(end + 2);
        m_dropping = false;
        if (usable)
            return true;
    }
}

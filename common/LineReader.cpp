#include "common/LineReader.h"

#include "common/InStream.h"

CLineReader::CLineReader(const char* terminators, int32_t cap)
    : m_terminators(terminators ? terminators : ""), m_cap(cap > 0 ? cap : 1)
{
}

bool CLineReader::IsTerminator(uint8_t byte) const
{
    return byte != 0 && m_terminators.find(static_cast<char>(byte)) != std::string::npos;
}

bool CLineReader::Next(CInStream& stream, std::string& line)
{
    for (;;)
    {
        const uint8_t* bytes = stream.ReadPos();
        int32_t pending = stream.Pending();
        int32_t end = 0;
        while (end < pending && !IsTerminator(bytes[end]))
            ++end;
        if (end == pending)
        {
            // No terminator yet. A line already over the cap can never be kept: drop what is
            // here and the rest of it as it comes.
            int32_t kept = 0;
            for (int32_t i = 0; i < pending; ++i)
                kept += bytes[i] != 0;
            if (m_dropping || kept > m_cap)
            {
                m_dropping = true;
                stream.Skip(pending);
            }
            return false;
        }
        bool dropping = m_dropping;
        m_dropping = false;
        line.clear();
        for (int32_t i = 0; i < end; ++i)
        {
            if (bytes[i] != 0)
                line.push_back(static_cast<char>(bytes[i]));
        }
        stream.Skip(end + 1);
        if (dropping || line.empty() || static_cast<int32_t>(line.size()) > m_cap)
            continue;
        return true;
    }
}

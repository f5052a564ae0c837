#include "devices/buses/cbus/ClipsalItemReader.h"

#include <cstring>

#include "common/InStream.h"
#include "devices/buses/cbus/ClipsalPacket.h"

namespace
{
bool IsConfirmationEnd(uint8_t c)
{
    return c == '.' || c == '#' || c == '$' || c == '%' || c == '\'';
}

// Offset of the first `c` in [from, n), or -1.
int32_t Find(const uint8_t* p, int32_t from, int32_t n, uint8_t c)
{
    for (int32_t i = from; i < n; ++i)
    {
        if (p[i] == c)
            return i;
    }
    return -1;
}
} // namespace

bool CClipsalItemReader::Next(CInStream& stream, ClipsalItem& item)
{
    for (;;)
    {
        const uint8_t* p = stream.ReadPos();
        const int32_t n = stream.Pending();
        if (n <= 0)
            return false;
        if (m_dropping)
        {
            int32_t i = 0;
            while (i < n && p[i] != '\r' && p[i] != '\n')
                ++i;
            stream.Skip(i < n ? i + 1 : n);
            m_dropping = i >= n;
            continue;
        }
        const uint8_t c = p[0];
        if (m_confirmationPending && IsConfirmationEnd(c))
        {
            m_confirmationPending = false;
            stream.Skip(1);
            item.kind = ClipsalItem::Confirmation;
            item.bytes.clear();
            return true;
        }
        if (c >= 'g' && c <= 'z')
        {
            m_confirmationPending = true;
            stream.Skip(1);
            continue;
        }
        if (c == '~' || c == '@')
        {
            int32_t cr = Find(p, 1, n, '\r');
            if (cr < 0)
            {
                if (n <= kMaxLine)
                    return false;
                m_dropping = true;
                continue;
            }
            stream.Skip(cr + 1);
            if (c == '~')
                continue;
            // What follows the '@' is not read: the line only says the interface was reset.
            item.kind = ClipsalItem::AtLine;
            item.bytes.clear();
            return true;
        }
        if (n < 2 && c >= 0x1E)
        {
            // Maybe the first digit of a packet.
            return false;
        }
        uint8_t hi = ClipsalHexDigit(c);
        uint8_t lo = n >= 2 ? ClipsalHexDigit(p[1]) : 255;
        if (c < 0x1E || hi == 255 || lo == 255)
        {
            stream.Skip(1);
            continue;
        }
        const uint8_t first = static_cast<uint8_t>(hi << 4 | lo);
        const bool monitored = first <= 6;
        const bool status = first >= 0x86 && first != 0xFF;
        if (!monitored && !status)
        {
            stream.Skip(1);
            continue;
        }
        int32_t cr = Find(p, 0, n, '\r');
        if (cr < 0 || cr + 1 >= n)
        {
            if (n <= kMaxLine)
                return false;
            m_dropping = true;
            continue;
        }
        if (p[cr + 1] != '\n')
        {
            // A lone CR: the text up to it is no packet.
            stream.Skip(cr + 1);
            continue;
        }
        item.kind = monitored ? ClipsalItem::Monitored : ClipsalItem::StatusReply;
        item.bytes = ClipsalDecodeHex(p, static_cast<size_t>(cr), kMaxPacket);
        stream.Skip(cr + 2);
        return true;
    }
}

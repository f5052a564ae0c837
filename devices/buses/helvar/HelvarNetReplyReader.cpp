#include "devices/buses/helvar/HelvarNetReplyReader.h"

#include "common/InStream.h"
#include "devices/buses/helvar/HelvarNetCodec.h"

bool CHelvarNetReplyReader::IsStart(uint8_t byte) const
{
    return m_internal ? byte == '<' : (byte == '?' || byte == '!');
}

bool CHelvarNetReplyReader::Next(CInStream& stream, std::string& reply)
{
    for (;;)
    {
        const uint8_t* bytes = stream.ReadPos();
        const int32_t pending = stream.Pending();
        int32_t start = -1;
        int32_t end = -1;
        for (int32_t i = 0; i < pending; ++i)
        {
            if (IsStart(bytes[i]))
                start = i;
            else if (bytes[i] == '#' && start >= 0)
            {
                end = i;
                break;
            }
        }
        if (start < 0)
        {
            // Nothing here can begin a reply.
            stream.Skip(pending);
            return false;
        }
        stream.Skip(start);
        if (end < 0)
        {
            if (pending - start <= CHelvarNetCodec::kMaxReply)
                return false;
            // Too long to be a reply: its start character goes, the scan goes on after it.
            stream.Skip(1);
            continue;
        }
        reply.assign(reinterpret_cast<const char*>(bytes + start), static_cast<size_t>(end - start + 1));
        stream.Skip(end - start + 1);
        return true;
    }
}

// Feeds arbitrary bytes, in chunks whose sizes the input chooses, to the HelvarNet reply reader
// (plain or internal, as the first byte says) and every reply to the field parser: a reply runs
// from a start character to its '#', and the stream never holds more than the longest reply.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/InStream.h"
#include "devices/buses/helvar/HelvarNetCodec.h"
#include "devices/buses/helvar/HelvarNetReplyReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    CHelvarNetReplyReader reader((data[0] & 1) != 0);
    CInStream stream(CInStream::Refuse, 2 * CHelvarNetCodec::kMaxReply + 2);
    std::string reply;
    size_t at = 1;
    while (at < size)
    {
        size_t chunk = 1 + data[at] % 128;
        ++at;
        if (chunk > size - at)
            chunk = size - at;
        if (!stream.Append(data + at, static_cast<int32_t>(chunk)))
            abort();
        at += chunk;
        while (reader.Next(stream, reply))
        {
            if (reply.size() < 2 || !reader.IsStart(static_cast<uint8_t>(reply[0])) || reply.back() != '#')
                abort();
            HelvarNetReply fields;
            if (CHelvarNetCodec::ParseReply(reply.data(), reply.size(), fields) &&
                fields.error != (reply[0] == '!'))
                abort();
        }
        if (stream.Pending() > CHelvarNetCodec::kMaxReply)
            abort();
    }
    return 0;
}

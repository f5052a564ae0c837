// Feeds arbitrary bytes, in chunks whose sizes the input chooses, to the Crestron packet finder
// and decodes every join-data packet: packets must lie within the stream and keep their own
// length, and decoded texts must fit inside their packet.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/controllers/crestron/CrestronCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CCrestronCodec codec;
    CFrameScanner scanner(codec);
    CInStream stream(CInStream::Grow, 1024);
    size_t at = 0;
    while (at < size)
    {
        size_t chunk = 1 + data[at] % 64;
        ++at;
        if (chunk > size - at)
            chunk = size - at;
        stream.Append(data + at, static_cast<int32_t>(chunk));
        at += chunk;
        const uint8_t* packet = nullptr;
        int32_t n = 0;
        while (scanner.Next(stream, packet, n))
        {
            if (n < CCrestronCodec::kHeaderLength || n != CCrestronCodec::kHeaderLength + packet[2])
                abort();
            uint16_t handle = 0;
            std::vector<CrestronJoin> joins;
            CCrestronCodec::DecodeJoinData(packet + 3, n - 3, handle, joins);
            for (const CrestronJoin& join : joins)
            {
                if (static_cast<int32_t>(join.text.size()) > n)
                    abort();
            }
        }
        if (stream.Pending() < 0 || stream.Pending() > stream.Capacity())
            abort();
    }
    return 0;
}

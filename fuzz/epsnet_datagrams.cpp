// Arbitrary datagrams through the EPSNET message parser: every frame must be one of the three
// kinds, a variable frame's data must fit in the datagram, and the parse must end.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "devices/buses/epsnet/EpsnetCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<EpsnetFrame> frames;
    CEpsnetCodec::ParseDatagram(data, size, frames);
    size_t bytes = 0;
    for (const EpsnetFrame& frame : frames)
    {
        switch (frame.kind)
        {
        case EpsnetFrame::Single:
            bytes += 1;
            break;
        case EpsnetFrame::Fixed:
            bytes += 6;
            break;
        case EpsnetFrame::Variable:
            if (frame.data.empty())
                abort();
            bytes += frame.data.size() + 8;
            break;
        default:
            abort();
        }
        if (frame.sequence < 0xF000)
            abort();
    }
    if (bytes > size)
        abort();
    return 0;
}

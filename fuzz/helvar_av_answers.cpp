// Feeds arbitrary bytes, in chunks whose sizes the input chooses, through the frame scanner with
// the Helvar AV codec: every answer is its count byte (1 to 3) and that many bytes, and a level is
// read only from an answer long enough to carry it.
#include <cstdint>
#include <cstdlib>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/buses/helvar/HelvarAVCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CHelvarAVCodec codec;
    CFrameScanner scanner(codec);
    CInStream stream(CInStream::Refuse, 128);
    size_t at = 0;
    while (at < size)
    {
        size_t chunk = 1 + data[at] % 48;
        ++at;
        if (chunk > size - at)
            chunk = size - at;
        if (!stream.Append(data + at, static_cast<int32_t>(chunk)))
            abort();
        at += chunk;
        const uint8_t* frame = nullptr;
        int32_t length = 0;
        while (scanner.Next(stream, frame, length))
        {
            if (length < 2 || length > 4 || frame[0] + 1 != length)
                abort();
            const HelvarAVAnswer answer = CHelvarAVCodec::Decode(frame, length);
            if (answer.code != frame[1] || (answer.hasLevel && (length != 4 || answer.code != 'f')))
                abort();
        }
        if (stream.Pending() > codec.MaxFrameLength())
            abort();
    }
    return 0;
}

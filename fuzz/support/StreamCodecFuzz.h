#pragma once
// The body shared by the stream targets of the bus drivers: arbitrary bytes, in pieces whose size
// the first byte sets, go through one protocol's codec and the frame scanner as a driver's receive
// path does. Every frame handed out must lie within the stream and be one the codec accepts
// whole; the target's check then reads it as the driver would.
#include <cstdint>
#include <cstdlib>

#include "common/FrameScanner.h"
#include "common/InStream.h"

template <typename Codec, typename Check>
int FuzzStreamCodec(const Codec& codec, const uint8_t* data, size_t size, Check check)
{
    CFrameScanner scanner(codec);
    CInStream stream(CInStream::Grow, 128);
    const size_t piece = size ? 1 + data[0] % 64 : 1;
    for (size_t at = size ? 1 : 0; at < size; at += piece)
    {
        const size_t n = at + piece <= size ? piece : size - at;
        if (!stream.Append(data + at, static_cast<int32_t>(n)))
            abort();
        const uint8_t* frame = nullptr;
        int32_t length = 0;
        while (scanner.Next(stream, frame, length))
        {
            if (length < 1 || length > codec.MaxFrameLength() || frame < stream.Buffer() ||
                frame + length > stream.WritePos())
                abort();
            const FrameVerdict again = codec.Check(frame, length);
            if (again.kind != FrameVerdict::Frame || again.length != length)
                abort();
            check(frame, length);
        }
        // Junk never piles up: what is kept is at most one frame's start and the last piece.
        if (stream.Pending() > codec.MaxFrameLength() + 1 + static_cast<int32_t>(piece))
            abort();
    }
    return 0;
}

// Feeds arbitrary bytes, in chunks whose sizes the input chooses, to the AMX frame finder, then reads
// every frame as the link does: envelopes are opened with a fixed key, headers and payloads decoded.
// Frames must lie within the stream with their own length, payloads within their frame, and no
// decoded string may be longer than its frame. The first bytes also go in as a channel record.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/controllers/amx/AMXChannel.h"
#include "devices/controllers/amx/AMXCodec.h"
#include "devices/controllers/amx/AMXPacketCodec.h"
#include "devices/controllers/amx/AMXValue.h"

namespace
{
void ReadMessage(const uint8_t* message, int32_t length)
{
    AMXHeader header;
    if (!CAMXCodec::DecodeHeader(message, length, header))
        return;
    const int32_t size = CAMXCodec::PayloadLength(header);
    if (size < 0 || CAMXCodec::kHeaderLength + size + 1 > length)
        abort();
    const uint8_t* payload = message + CAMXCodec::kHeaderLength;
    AMXReport report;
    CAMXValue value;
    CAMXCodec::DecodeChannel(payload, size, report);
    if (CAMXCodec::DecodeLevel(payload, size, report, value))
        (void)value.ToFloat();
    uint8_t elementSize = 0;
    std::string bytes;
    if (CAMXCodec::DecodeArray(payload, size, report, elementSize, bytes) &&
        static_cast<int32_t>(bytes.size()) > size)
        abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CAMXChannel channel(1, size > 0 ? data[0] % 8 : 0, 1, 0);
    channel.Load(size > 1 ? data + 1 : nullptr, static_cast<uint32_t>(size > 40  ? 40
                                                                      : size > 1 ? size - 1
                                                                                 : 0));

    static const uint8_t kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    CAMXPacketCodec cipher;
    cipher.SetKey(kKey);
    CAMXCodec codec;
    CFrameScanner scanner(codec);
    CInStream stream(CInStream::Grow, 4096);
    std::vector<uint8_t> opened;
    size_t at = 0;
    while (at < size)
    {
        size_t chunk = 1 + data[at] % 128;
        ++at;
        if (chunk > size - at)
            chunk = size - at;
        stream.Append(data + at, static_cast<int32_t>(chunk));
        at += chunk;
        const uint8_t* frame = nullptr;
        int32_t n = 0;
        while (scanner.Next(stream, frame, n))
        {
            if (n < CAMXCodec::kHeaderLength + 1 || n != (frame[1] << 8 | frame[2]) + 4)
                abort();
            if (frame[0] == CAMXCodec::kMessageStart)
                ReadMessage(frame, n);
            else if (CAMXCodec::OpenEnvelope(frame, n, cipher, opened))
                ReadMessage(opened.data(), static_cast<int32_t>(opened.size()));
        }
        if (stream.Pending() < 0 || stream.Pending() > stream.Capacity())
            abort();
    }
    return 0;
}

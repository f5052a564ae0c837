// Feeds arbitrary bytes, in chunks whose sizes the input chooses, to the frame scanner with a
// codec of the usual shape (start byte, length byte, 8-bit sum): every frame handed out must lie
// within the stream and check, and a stream that holds more than the largest frame plus one
// chunk must have been drained of junk.
#include <cstdint>
#include <cstdlib>

#include "common/FrameScanner.h"
#include "common/InStream.h"

namespace
{
class CSumCodec : public CAbstractFrameCodec
{
public:
    static constexpr int32_t kMax = 40;
    FrameVerdict Check(const uint8_t* bytes, int32_t available) const override
    {
        if (bytes[0] != 0xAA)
            return FrameVerdict::None();
        if (available < 2)
            return FrameVerdict::More();
        int32_t length = bytes[1];
        if (length < 3 || length > kMax)
            return FrameVerdict::None();
        if (available < length)
            return FrameVerdict::More();
        return Sum(bytes, length - 1) == bytes[length - 1] ? FrameVerdict::Whole(length)
                                                           : FrameVerdict::None();
    }
    int32_t MaxFrameLength() const override { return kMax; }
    static uint8_t Sum(const uint8_t* bytes, int32_t n)
    {
        uint8_t sum = 0;
        for (int32_t i = 0; i < n; ++i)
            sum = static_cast<uint8_t>(sum + bytes[i]);
        return sum;
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CSumCodec codec;
    CFrameScanner scanner(codec);
    CInStream stream(CInStream::Refuse, 128);
    size_t at = 0;
    while (at < size)
    {
        size_t chunk = 1 + data[at] % 48;
        ++at;
        if (chunk > size - at)
            chunk = size - at;
        stream.Append(data + at, static_cast<int32_t>(chunk));
        at += chunk;
        const uint8_t* frame = nullptr;
        int32_t length = 0;
        while (scanner.Next(stream, frame, length))
        {
            if (length < 3 || length > CSumCodec::kMax || frame < stream.Buffer() ||
                frame + length > stream.Buffer() + stream.Capacity() || frame[0] != 0xAA ||
                CSumCodec::Sum(frame, length - 1) != frame[length - 1])
                abort();
        }
        if (stream.Pending() > CSumCodec::kMax)
            abort();
    }
    return 0;
}

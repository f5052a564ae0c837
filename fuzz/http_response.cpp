// Feeds arbitrary bytes, in blocks whose sizes the input chooses, to the HTTP response reader as a
// server's answer, and hands every picture-bearing piece of body to the camera-stream splitter:
// every piece must lie inside what was received, every picture must begin with its mark, and the
// reader must end in one of its states. The head and chunk-size parsers and the path and value
// pattern encoders also get the raw input.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "devices/controllers/http/HTTPDynamicImageInStream.h"
#include "devices/controllers/http/HttpPathEncoder.h"
#include "devices/controllers/http/HttpResponseReader.h"
#include "devices/controllers/http/HttpValueFormat.h"

namespace
{
class CCheckingSink : public CHttpResponseSink
{
public:
    uint64_t delivered = 0;
    CHTTPDynamicImageInStream frames;

    void OnResponseBody(uint8_t part, const uint8_t* bytes, uint32_t length,
                        const HttpResponseFields& fields) override
    {
        if (part > 2 || (length > 0 && !bytes) || fields.status != 200)
            abort();
        if (part == 2 && length != 0)
            abort();
        // Every byte handed on is read, so a sanitizer sees a piece that runs past the buffer.
        uint32_t sum = 0;
        for (uint32_t i = 0; i < length; ++i)
            sum += bytes[i];
        delivered += length + (sum & 1);
        frames.Add(bytes, static_cast<int32_t>(length));
        const uint8_t* frame = nullptr;
        int32_t frameLength = 0;
        while (frames.NextFrame(frame, frameLength))
            if (frameLength < 2 || frame[0] != 0xFF || frame[1] != 0xD8 ||
                frameLength > CHTTPDynamicImageInStream::kCapacity)
                abort();
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // A small receive buffer now and then, so that its overflow is reached too.
    const int32_t capacity = (data[0] & 1) ? 64 + data[0] * 16 : 65536;
    CHttpResponseReader reader(capacity);
    CCheckingSink sink;
    reader.Begin();
    size_t at = 1;
    while (at < size)
    {
        size_t block = 1 + data[at] % 97;
        ++at;
        if (block > size - at)
            block = size - at;
        const auto state = reader.Feed(data + at, static_cast<uint32_t>(block), sink);
        at += block;
        if (reader.Pending() < 0 || reader.Pending() > capacity)
            abort();
        if (state != CHttpResponseReader::State::Head && state != CHttpResponseReader::State::Body &&
            state != CHttpResponseReader::State::Complete && state != CHttpResponseReader::State::Refused &&
            state != CHttpResponseReader::State::Failed)
            abort();
    }

    const auto* rest = data + 1;
    const auto restSize = static_cast<int32_t>(size - 1);
    HttpResponseFields fields;
    int32_t body = -1;
    if (CHttpResponseParser::ParseHead(rest, restSize, fields, body) == HttpHeadResult::Parsed &&
        (body < 0 || body > restSize))
        abort();
    uint32_t chunk = 0;
    int32_t consumed = 0;
    if (CHttpResponseParser::ReadChunkSize(rest, restSize, chunk, consumed) == HttpChunkResult::Size &&
        (consumed <= 2 || consumed > restSize || chunk > CHttpResponseParser::kMaxChunkSize))
        abort();

    std::string out;
    CHttpPathEncoder::EncodePath(reinterpret_cast<const char*>(rest), static_cast<size_t>(restSize), out);
    CHttpValueFormat::Format(reinterpret_cast<const char*>(rest), static_cast<size_t>(restSize),
                             static_cast<int32_t>(size), out);
    return 0;
}

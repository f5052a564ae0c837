#pragma once
#include <cstdint>

#include "devices/controllers/http/HttpContentType.h"

// What the head of an HTTP response (or of one part of a multipart body) says.
struct HttpResponseFields
{
    enum Flags : uint8_t
    {
        FlagMultipart = 0x02,  // multipart/x-mixed-replace: a stream of parts, each with its own head
        FlagStatusLine = 0x04, // the head began with a status line (a response, not a part)
        FlagChunked = 0x08,    // the body comes in chunks, each after its size line
    };

    uint8_t flags = 0;
    int32_t status = 0;
    uint16_t contentType = HttpContentNone;
    // From the head's content length; 0 when there is none.
    uint32_t contentLength = 0;
};

enum class HttpHeadResult : uint8_t
{
    Parsed = 1,
    Unusable = 2,   // no content type, no status, a type we do not read, a length beyond reason
    Incomplete = 3, // the head's end has not arrived yet
};

enum class HttpChunkResult : uint8_t
{
    Size = 1,
    Incomplete = 2, // the size line has not arrived whole: nothing consumed
    Malformed = 3,  // no CR LF before it, no hex digits, a size above 0x7FFFFFFF, an over-long line
};

// Parses the bytes a server sends back: the response head, the head of each part of a camera's
// multipart stream, and the size lines of a chunked body. Pure functions of the bytes given;
// every read stays inside them.
//
//     HttpResponseFields fields;
//     int32_t body = 0;
//     switch (CHttpResponseParser::ParseHead(in.ReadPos(), in.Pending(), fields, body))
//     {
//     case HttpHeadResult::Parsed: in.Skip(body); ...   // fields.status, contentType, ...
//     case HttpHeadResult::Incomplete: wait for more bytes
//     case HttpHeadResult::Unusable: close the connection
//     }
class CHttpResponseParser
{
public:
    // A head (or a part head) that has not ended after this many bytes is unusable: a server that
    // never ends its head does not fill the receive buffer with it.
    static constexpr int32_t kMaxHeadLength = 16384;
    // A chunk-size line (digits and any extension) longer than this is malformed.
    static constexpr int32_t kMaxSizeLine = 128;
    static constexpr uint32_t kMaxChunkSize = 0x7FFFFFFF;

    // Parses the head at the start of `bytes`. A head that begins with "HTTP" is a response: its
    // status line gives the status, and a multipart/x-mixed-replace type makes the head of the
    // first part part of it. A head without a status line is the next part of a multipart body:
    // its status is 200 and the multipart flag stays as the fields had it. Names are matched at
    // line starts, ASCII case-insensitively, in the head only. On Parsed, `bodyOffset` is where
    // the body starts; for a chunked body it is the CR LF that ends the head, so the body begins
    // with the CR LF the chunk-size reader expects. A chunked multipart response (a camera behind
    // a proxy) ends at its own head, with both flags set: its parts' heads are in the chunks. A
    // part's head keeps the chunked flag as the fields had it.
    static HttpHeadResult ParseHead(const uint8_t* bytes, int32_t available, HttpResponseFields& fields,
                                    int32_t& bodyOffset);

    // Reads "\r\n<hex digits>[extension]\r\n" at the start of `bytes`. On Size, `size` is the
    // chunk's size and `consumed` the bytes of the size line with its leading CR LF.
    static HttpChunkResult ReadChunkSize(const uint8_t* bytes, int32_t available, uint32_t& size,
                                         int32_t& consumed);

    // The content-type code of a type text ("image/jpeg; ..."), HttpContentNone for another type.
    static uint16_t ContentTypeOf(const uint8_t* text, int32_t length);
};

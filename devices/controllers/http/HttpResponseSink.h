#pragma once
#include <cstdint>

#include "devices/controllers/http/HttpResponseParser.h"

// Where CHttpResponseReader hands the body of a response: part 0 a whole body (or one part of a
// multipart body; everything that arrived when the parts carry no length), part 1 the bytes of
// a chunked body in order (a chunk, or a piece of one), part 2 the end of a chunked body (no
// bytes). The fields are those of the head the bytes belong to.
class CHttpResponseSink
{
public:
    virtual void OnResponseBody(uint8_t part, const uint8_t* bytes, uint32_t length,
                                const HttpResponseFields& fields) = 0;

protected:
    ~CHttpResponseSink() = default;
};

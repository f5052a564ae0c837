#pragma once
#include <cstdint>

#include "common/InStream.h"
#include "devices/controllers/http/HttpResponseParser.h"
#include "devices/controllers/http/HttpResponseSink.h"

// Reads one HTTP response from the bytes as they arrive: the head, then a plain body (up to its
// length), a chunked body (chunk by chunk, to the last chunk) or a multipart body (part by part,
// or as it comes when the parts carry no length), handing the body to a sink. One reader serves
// one response at a time; Begin starts the next.
//
//     reader.Begin();
//     switch (reader.Feed(bytes, n, sink))   // for every block received
//     {
//     case State::Head: case State::Body: wait for more
//     case State::Complete: the body is whole: close the connection
//     case State::Refused: the status is not 200 (nothing delivered)
//     case State::Failed: an unusable head or a bad chunk size: close the connection
//     }
//
// A response without a length or a transfer coding delivers an empty body at once (Complete).
// Bytes after the body are not read. A body that could never fit in the receive buffer fails.
class CHttpResponseReader
{
public:
    enum class State : uint8_t
    {
        Head,
        Body,
        Complete,
        Refused,
        Failed,
    };

    // Bytes kept at most: what has not been handed on yet.
    explicit CHttpResponseReader(int32_t capacity);

    // Forgets what was read: the next bytes are a new response.
    void Begin();
    // Reads what the bytes add. Once the state is Complete, Refused or Failed, further bytes are
    // not read.
    State Feed(const uint8_t* bytes, uint32_t length, CHttpResponseSink& sink);

    State GetState() const { return m_state; }
    const HttpResponseFields& Fields() const { return m_fields; }
    // Bytes received and not yet handed on.
    int32_t Pending() const { return m_in.Pending(); }

private:
    // Each step returns true when it moved the state on and another step may follow at once.
    bool ReadHead();
    bool ReadBody(CHttpResponseSink& sink);
    bool ReadMultipart(CHttpResponseSink& sink);
    // The chunks' bytes go to the sink, or (for a chunked multipart body) to the parts stream.
    bool ReadChunks(CHttpResponseSink& sink, bool intoParts);
    // A chunked multipart body: joins the chunks, then splits the parts out of the join.
    bool ReadChunkedParts(CHttpResponseSink& sink);
    void ReadJoinedParts(CHttpResponseSink& sink);

    CInStream m_in;
    // The joined chunks of a chunked multipart body.
    CInStream m_parts;
    // Whether the parts stream expects a part's head next.
    bool m_partHead = true;
    HttpResponseFields m_fields;
    // The bytes of the current chunk not yet handed on; -1 while a size line is expected.
    int32_t m_chunkLeft = -1;
    State m_state = State::Head;
};

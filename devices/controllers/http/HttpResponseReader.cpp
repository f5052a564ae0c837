#include "devices/controllers/http/HttpResponseReader.h"

#include <algorithm>

namespace
{
enum Part : uint8_t
{
    PartWhole = 0,
    PartChunk = 1,
    PartEnd = 2,
};
} // namespace

CHttpResponseReader::CHttpResponseReader(int32_t capacity)
    : m_in(CInStream::KeepNewest, capacity), m_parts(CInStream::KeepNewest, capacity)
{
}

void CHttpResponseReader::Begin()
{
    m_in.Reset();
    m_parts.Reset();
    m_partHead = true;
    m_fields = HttpResponseFields();
    m_chunkLeft = -1;
    m_state = State::Head;
}

CHttpResponseReader::State CHttpResponseReader::Feed(const uint8_t* bytes, uint32_t length,
                                                     CHttpResponseSink& sink)
{
    while (length > 0 && (m_state == State::Head || m_state == State::Body))
    {
        const int32_t slice =
            static_cast<int32_t>(std::min<uint32_t>(length, static_cast<uint32_t>(m_in.Capacity())));
        if (slice <= 0)
            break;
        m_in.Append(bytes, slice);
        bytes += slice;
        length -= static_cast<uint32_t>(slice);
        for (;;)
        {
            if (m_state == State::Head && !ReadHead())
                break;
            if (m_state != State::Body || !ReadBody(sink))
                break;
        }
    }
    if (m_in.Pending() == 0)
        m_in.Reset();
    return m_state;
}

bool CHttpResponseReader::ReadHead()
{
    int32_t body = 0;
    switch (CHttpResponseParser::ParseHead(m_in.ReadPos(), m_in.Pending(), m_fields, body))
    {
    case HttpHeadResult::Incomplete:
        return false;
    case HttpHeadResult::Unusable:
        m_state = State::Failed;
        return false;
    case HttpHeadResult::Parsed:
        break;
    }
    m_in.Skip(body);
    m_chunkLeft = -1;
    if (m_fields.status != 200)
    {
        m_state = State::Refused;
        return false;
    }
    // A body longer than the buffer could never be whole in it.
    if (m_fields.contentLength > static_cast<uint32_t>(m_in.Capacity()))
    {
        m_state = State::Failed;
        return false;
    }
    m_state = State::Body;
    return true;
}

bool CHttpResponseReader::ReadBody(CHttpResponseSink& sink)
{
    const bool multipart = (m_fields.flags & HttpResponseFields::FlagMultipart) != 0;
    const bool chunked = (m_fields.flags & HttpResponseFields::FlagChunked) != 0;
    if (multipart && chunked)
        return ReadChunkedParts(sink);
    if (multipart)
        return ReadMultipart(sink);
    if (chunked)
        return ReadChunks(sink, false);
    const uint32_t length = m_fields.contentLength;
    if (static_cast<uint32_t>(m_in.Pending()) < length)
        return false;
    sink.OnResponseBody(PartWhole, m_in.ReadPos(), length, m_fields);
    m_in.Skip(static_cast<int32_t>(length));
    m_state = State::Complete;
    return false;
}

bool CHttpResponseReader::ReadMultipart(CHttpResponseSink& sink)
{
    const int32_t available = m_in.Pending();
    const uint32_t length = m_fields.contentLength;
    if (length == 0)
    {
        // Parts without a length: the sink splits what arrives by its own marks.
        if (available > 0)
            sink.OnResponseBody(PartWhole, m_in.ReadPos(), static_cast<uint32_t>(available), m_fields);
        m_in.Skip(available);
        return false;
    }
    if (static_cast<uint32_t>(available) < length)
        return false;
    sink.OnResponseBody(PartWhole, m_in.ReadPos(), length, m_fields);
    m_in.Skip(static_cast<int32_t>(length));
    // The next part's head follows; it may be here already.
    m_state = State::Head;
    return true;
}

bool CHttpResponseReader::ReadChunks(CHttpResponseSink& sink, bool intoParts)
{
    for (;;)
    {
        if (m_chunkLeft < 0)
        {
            uint32_t size = 0;
            int32_t used = 0;
            switch (CHttpResponseParser::ReadChunkSize(m_in.ReadPos(), m_in.Pending(), size, used))
            {
            case HttpChunkResult::Incomplete:
                return false;
            case HttpChunkResult::Malformed:
                m_state = State::Failed;
                return false;
            case HttpChunkResult::Size:
                break;
            }
            m_in.Skip(used);
            if (size == 0)
            {
                m_state = State::Complete;
                // The parts still in the join go first (ReadChunkedParts ends them).
                if (!intoParts)
                    sink.OnResponseBody(PartEnd, nullptr, 0, m_fields);
                return false;
            }
            m_chunkLeft = static_cast<int32_t>(size);
        }
        const int32_t available = m_in.Pending();
        if (available == 0)
            return false;
        // A chunk larger than what has arrived goes in pieces, so no chunk has to fit the buffer.
        const int32_t piece = std::min(available, m_chunkLeft);
        if (intoParts)
            m_parts.Append(m_in.ReadPos(), piece);
        else
            sink.OnResponseBody(PartChunk, m_in.ReadPos(), static_cast<uint32_t>(piece), m_fields);
        m_in.Skip(piece);
        m_chunkLeft -= piece;
        if (m_chunkLeft > 0)
            return false;
        m_chunkLeft = -1;
    }
}

bool CHttpResponseReader::ReadChunkedParts(CHttpResponseSink& sink)
{
    // The chunks are joined block by block, and the parts read from the join each time, so that
    // a picture goes on as soon as its bytes are here.
    ReadChunks(sink, true);
    if (m_state == State::Failed)
        return false;
    ReadJoinedParts(sink);
    if (m_parts.Pending() == 0)
        m_parts.Reset();
    if (m_state == State::Complete)
        sink.OnResponseBody(PartEnd, nullptr, 0, m_fields);
    return false;
}

void CHttpResponseReader::ReadJoinedParts(CHttpResponseSink& sink)
{
    while (m_state == State::Body || m_state == State::Complete)
    {
        if (m_partHead)
        {
            int32_t body = 0;
            const HttpHeadResult result =
                CHttpResponseParser::ParseHead(m_parts.ReadPos(), m_parts.Pending(), m_fields, body);
            if (result == HttpHeadResult::Incomplete)
                return;
            if (result == HttpHeadResult::Unusable ||
                m_fields.contentLength > static_cast<uint32_t>(m_parts.Capacity()))
            {
                m_state = State::Failed;
                return;
            }
            m_parts.Skip(body);
            m_partHead = false;
        }
        const int32_t available = m_parts.Pending();
        const uint32_t length = m_fields.contentLength;
        if (length == 0)
        {
            if (available > 0)
                sink.OnResponseBody(PartWhole, m_parts.ReadPos(), static_cast<uint32_t>(available), m_fields);
            m_parts.Skip(available);
            return;
        }
        if (static_cast<uint32_t>(available) < length)
            return;
        sink.OnResponseBody(PartWhole, m_parts.ReadPos(), length, m_fields);
        m_parts.Skip(static_cast<int32_t>(length));
        m_partHead = true;
    }
}

#include "devices/controllers/http/HttpResponseParser.h"

#include <algorithm>
#include <cstring>

namespace
{
// One head: [begin, end) holds its lines, each ending in CR LF (the empty line not included).
struct HeadRange
{
    int32_t begin;
    int32_t end;
};

char Lower(uint8_t c)
{
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
}

bool StartsNoCase(const uint8_t* bytes, int32_t from, int32_t to, const char* word)
{
    const int32_t n = static_cast<int32_t>(std::strlen(word));
    if (to - from < n)
        return false;
    for (int32_t i = 0; i < n; ++i)
        if (Lower(bytes[from + i]) != word[i])
            return false;
    return true;
}

// The offset of the first CR LF CR LF in [from, to), -1 when there is none.
int32_t FindHeadEnd(const uint8_t* bytes, int32_t from, int32_t to)
{
    for (int32_t i = from; i + 4 <= to; ++i)
        if (bytes[i] == '\r' && bytes[i + 1] == '\n' && bytes[i + 2] == '\r' && bytes[i + 3] == '\n')
            return i;
    return -1;
}

int32_t SkipBlanks(const uint8_t* bytes, int32_t from, int32_t to)
{
    while (from < to && (bytes[from] == ' ' || bytes[from] == '\t'))
        ++from;
    return from;
}

// The start of the value of the header line `name` (with its colon), found at a line start of
// the head; -1 when the head has no such line.
int32_t FindHeader(const uint8_t* bytes, HeadRange head, const char* name)
{
    for (int32_t i = head.begin; i < head.end; ++i)
    {
        const bool lineStart = i == head.begin || bytes[i - 1] == '\n';
        if (lineStart && StartsNoCase(bytes, i, head.end, name))
            return SkipBlanks(bytes, i + static_cast<int32_t>(std::strlen(name)), head.end);
    }
    return -1;
}

// Where the value that starts at `from` ends: the CR of its line.
int32_t ValueEnd(const uint8_t* bytes, int32_t from, int32_t to)
{
    while (from < to && bytes[from] != '\r' && bytes[from] != '\n')
        ++from;
    return from;
}

// A decimal number at `from`; false without digits or above 32 bits.
bool ReadDecimal(const uint8_t* bytes, int32_t from, int32_t to, uint32_t& value)
{
    uint64_t total = 0;
    int32_t digits = 0;
    for (int32_t i = from; i < to && bytes[i] >= '0' && bytes[i] <= '9'; ++i, ++digits)
    {
        total = total * 10 + static_cast<uint64_t>(bytes[i] - '0');
        if (total > 0xFFFFFFFFull)
            return false;
    }
    value = static_cast<uint32_t>(total);
    return digits > 0;
}

// The end of a head that starts at `from`: the offset of its CR LF CR LF, -1 while it has not
// arrived, -2 when it is longer than any head we read.
int32_t HeadEndFrom(const uint8_t* bytes, int32_t from, int32_t available)
{
    const int32_t limit = static_cast<int32_t>(
        std::min<int64_t>(available, static_cast<int64_t>(from) + CHttpResponseParser::kMaxHeadLength));
    int32_t end = FindHeadEnd(bytes, from, limit);
    if (end >= 0)
        return end;
    return limit - from >= CHttpResponseParser::kMaxHeadLength ? -2 : -1;
}

HttpHeadResult NotFound(int32_t end)
{
    return end == -2 ? HttpHeadResult::Unusable : HttpHeadResult::Incomplete;
}
} // namespace

uint16_t CHttpResponseParser::ContentTypeOf(const uint8_t* text, int32_t length)
{
    struct Known
    {
        const char* name;
        uint16_t code;
    };
    static const Known kKnown[] = {
        {"text/html", HttpContentHtml}, {"text/plain", HttpContentPlain}, {"image/jpeg", HttpContentJpeg},
        {"image/j2c", HttpContentJpeg}, {"image/png", HttpContentPng},    {"image/gif", HttpContentGif},
    };
    if (!text || length <= 0)
        return HttpContentNone;
    const int32_t from = SkipBlanks(text, 0, length);
    for (const Known& known : kKnown)
        if (StartsNoCase(text, from, length, known.name))
            return known.code;
    return HttpContentNone;
}

HttpHeadResult CHttpResponseParser::ParseHead(const uint8_t* bytes, int32_t available,
                                              HttpResponseFields& fields, int32_t& bodyOffset)
{
    if (!bytes || available <= 0)
        return HttpHeadResult::Incomplete;
    const bool statusLine = StartsNoCase(bytes, 0, available, "http");
    int32_t start = 0;
    if (statusLine)
        fields.flags = static_cast<uint8_t>((fields.flags | HttpResponseFields::FlagStatusLine) &
                                            ~HttpResponseFields::FlagChunked);
    else
    {
        fields.flags = static_cast<uint8_t>(fields.flags & ~HttpResponseFields::FlagStatusLine);
        // The line ends that close the part before (some cameras send an empty line more).
        while (start < available && (bytes[start] == '\r' || bytes[start] == '\n'))
            ++start;
    }
    const int32_t end = HeadEndFrom(bytes, start, available);
    if (end < 0)
        return NotFound(end);
    const HeadRange head{start, end + 2};
    int32_t bodyStart = end + 4;

    if (statusLine)
    {
        const int32_t lineEnd = ValueEnd(bytes, 0, head.end);
        const uint8_t* space =
            lineEnd > 5 ? static_cast<const uint8_t*>(std::memchr(bytes + 5, ' ', lineEnd - 5)) : nullptr;
        uint32_t status = 0;
        if (!space || !ReadDecimal(bytes, static_cast<int32_t>(space - bytes) + 1, lineEnd, status) ||
            status > 999)
            return HttpHeadResult::Unusable;
        fields.status = static_cast<int32_t>(status);
    }
    else
        fields.status = 200;

    int32_t type = FindHeader(bytes, head, "content-type:");
    if (fields.status != 200)
    {
        // Refused: its body is never read, so whatever type it names (or none) will do.
        fields.flags = static_cast<uint8_t>(fields.flags & ~HttpResponseFields::FlagMultipart);
        fields.contentType = type >= 0 ? ContentTypeOf(bytes + type, ValueEnd(bytes, type, head.end) - type)
                                       : static_cast<uint16_t>(HttpContentNone);
        fields.contentLength = 0;
        bodyOffset = bodyStart;
        return HttpHeadResult::Parsed;
    }
    if (type < 0)
        return HttpHeadResult::Unusable;

    HeadRange lengthHead = head;
    if (statusLine)
    {
        if (StartsNoCase(bytes, type, head.end, "multipart/x-mixed-replace"))
        {
            fields.flags = static_cast<uint8_t>(fields.flags | HttpResponseFields::FlagMultipart);
            if (FindHeader(bytes, head, "transfer-encoding:") >= 0)
            {
                // A stream passed on by a proxy comes in chunks: the parts, their heads among
                // them, are inside the chunks, and each part's head is read from the joined
                // chunks as a later part's is.
                fields.flags = static_cast<uint8_t>(fields.flags | HttpResponseFields::FlagChunked);
                fields.contentType = HttpContentNone;
                fields.contentLength = 0;
                bodyOffset = bodyStart - 2;
                return HttpHeadResult::Parsed;
            }
            // The first part's head rides with the response head.
            int32_t partStart = bodyStart;
            while (partStart < available && (bytes[partStart] == '\r' || bytes[partStart] == '\n'))
                ++partStart;
            const int32_t partEnd = HeadEndFrom(bytes, partStart, available);
            if (partEnd < 0)
                return NotFound(partEnd);
            lengthHead = HeadRange{partStart, partEnd + 2};
            type = FindHeader(bytes, lengthHead, "content-type:");
            if (type < 0)
                return HttpHeadResult::Unusable;
            bodyStart = partEnd + 4;
        }
        else
            fields.flags = static_cast<uint8_t>(fields.flags & ~HttpResponseFields::FlagMultipart);
    }

    const bool multipart = (fields.flags & HttpResponseFields::FlagMultipart) != 0;
    fields.contentType = ContentTypeOf(bytes + type, ValueEnd(bytes, type, lengthHead.end) - type);
    // A part of a type we do not read is read and skipped; a whole response of one is not read.
    if (fields.contentType == HttpContentNone && !multipart)
        return HttpHeadResult::Unusable;

    const int32_t length = FindHeader(bytes, lengthHead, "content-length:");
    if (length >= 0)
    {
        if (!ReadDecimal(bytes, length, lengthHead.end, fields.contentLength))
            return HttpHeadResult::Unusable;
        bodyOffset = bodyStart;
        return HttpHeadResult::Parsed;
    }
    fields.contentLength = 0;
    // A multipart stream is split by its parts' heads and pictures, not by transfer coding.
    if (!multipart && FindHeader(bytes, head, "transfer-encoding:") >= 0)
    {
        fields.flags = static_cast<uint8_t>(fields.flags | HttpResponseFields::FlagChunked);
        bodyOffset = bodyStart - 2;
        return HttpHeadResult::Parsed;
    }
    bodyOffset = bodyStart;
    return HttpHeadResult::Parsed;
}

HttpChunkResult CHttpResponseParser::ReadChunkSize(const uint8_t* bytes, int32_t available, uint32_t& size,
                                                   int32_t& consumed)
{
    size = 0;
    consumed = 0;
    if (!bytes || available <= 0)
        return HttpChunkResult::Incomplete;
    if (bytes[0] != '\r' || (available >= 2 && bytes[1] != '\n'))
        return HttpChunkResult::Malformed;
    const int32_t limit = std::min(available, 2 + kMaxSizeLine);
    int32_t lineFeed = -1;
    for (int32_t i = 2; i < limit; ++i)
        if (bytes[i] == '\n')
        {
            lineFeed = i;
            break;
        }
    if (lineFeed < 0)
        return available >= 2 + kMaxSizeLine ? HttpChunkResult::Malformed : HttpChunkResult::Incomplete;

    uint64_t total = 0;
    int32_t i = 2;
    for (; i < lineFeed; ++i)
    {
        const uint8_t c = bytes[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            break;
        total = total * 16 + static_cast<uint64_t>(digit);
        if (total > kMaxChunkSize)
            return HttpChunkResult::Malformed;
    }
    if (i == 2)
        return HttpChunkResult::Malformed;
    // After the digits: the line's end or a chunk extension.
    const uint8_t after = bytes[i];
    if (after != '\r' && after != '\n' && after != ';' && after != ' ' && after != '\t')
        return HttpChunkResult::Malformed;
    size = static_cast<uint32_t>(total);
    consumed = lineFeed + 1;
    return HttpChunkResult::Size;
}

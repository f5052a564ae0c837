// The HTTP codecs from byte tables: response and part heads, chunk-size lines, path encoding and
// the value patterns of the custom HTTP device.
#include "devices/controllers/http/HttpPathEncoder.h"
#include "devices/controllers/http/HttpResponseParser.h"
#include "devices/controllers/http/HttpValueFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
using F = HttpResponseFields;

struct HeadCase
{
    const char* name;
    std::string bytes;
    uint8_t flagsBefore;
    HttpHeadResult result;
    int32_t status;
    uint16_t type;
    uint32_t length;
    uint8_t flags;
    // The body's first bytes (Parsed only).
    std::string body;
};

HttpHeadResult Parse(const std::string& bytes, HttpResponseFields& fields, int32_t& body)
{
    return CHttpResponseParser::ParseHead(reinterpret_cast<const uint8_t*>(bytes.data()),
                                          static_cast<int32_t>(bytes.size()), fields, body);
}

TEST(HttpResponseHead, Table)
{
    const std::string mjpeg =
        "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=f\r\n\r\n";
    const HeadCase cases[] = {
        {"plain with length", "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 5\r\n\r\nhello",
         0, HttpHeadResult::Parsed, 200, HttpContentPlain, 5, F::FlagStatusLine, "hello"},
        {"names in any case, no blank after the colon",
         "HTTP/1.1 200 OK\r\ncOnTeNt-TyPe:IMAGE/PNG\r\nCONTENT-LENGTH:4\r\n\r\n\x89PNG", 0,
         HttpHeadResult::Parsed, 200, HttpContentPng, 4, F::FlagStatusLine, "\x89PNG"},
        {"jpeg", "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: 2\r\n\r\n\xFF\xD8", 0,
         HttpHeadResult::Parsed, 200, HttpContentJpeg, 2, F::FlagStatusLine, "\xFF\xD8"},
        {"j2c is a jpeg", "HTTP/1.1 200 OK\r\nContent-Type: image/j2c\r\n\r\n", 0, HttpHeadResult::Parsed,
         200, HttpContentJpeg, 0, F::FlagStatusLine, ""},
        {"gif", "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n\r\n", 0, HttpHeadResult::Parsed, 200,
         HttpContentGif, 0, F::FlagStatusLine, ""},
        {"html with charset", "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<p>", 0,
         HttpHeadResult::Parsed, 200, HttpContentHtml, 0, F::FlagStatusLine, "<p>"},
        {"chunked: the body starts at the CR LF before the first size",
         "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n", 0,
         HttpHeadResult::Parsed, 200, HttpContentPlain, 0, F::FlagStatusLine | F::FlagChunked, "\r\n5\r\n"},
        {"a length wins over a coding",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 1\r\nContent-Type: "
         "text/plain\r\n\r\nx",
         0, HttpHeadResult::Parsed, 200, HttpContentPlain, 1, F::FlagStatusLine, "x"},
        {"names only at line starts",
         "HTTP/1.1 200 OK\r\nX-Content-Length: 9\r\nContent-Type: text/plain\r\nX-Transfer-Encoding: "
         "chunked\r\n\r\nb",
         0, HttpHeadResult::Parsed, 200, HttpContentPlain, 0, F::FlagStatusLine, "b"},
        {"names in the body are not the head's",
         "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\nContent-Length: 3\r\n", 0,
         HttpHeadResult::Parsed, 200, HttpContentPlain, 0, F::FlagStatusLine, "Content-Length: 3\r\n"},
        {"refused: whatever its type", "HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!", 0,
         HttpHeadResult::Parsed, 404, HttpContentNone, 0, F::FlagStatusLine, "no!"},
        {"refused html", "HTTP/1.1 401 Unauthorized\r\nContent-Type: text/html\r\n\r\n", 0,
         HttpHeadResult::Parsed, 401, HttpContentHtml, 0, F::FlagStatusLine, ""},
        {"no content type", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", 0, HttpHeadResult::Unusable},
        {"a type we do not read", "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n\r\n{}", 0,
         HttpHeadResult::Unusable},
        {"no blank after the version", "HTTP/1.1\r\nContent-Type: text/plain\r\n\r\n", 0,
         HttpHeadResult::Unusable},
        {"no status number", "HTTP/1.1 OK\r\nContent-Type: text/plain\r\n\r\n", 0, HttpHeadResult::Unusable},
        {"a length beyond 32 bits",
         "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 4294967296\r\n\r\n", 0,
         HttpHeadResult::Unusable},
        {"a length that is no number",
         "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: x\r\n\r\n", 0,
         HttpHeadResult::Unusable},
        {"head not ended yet", "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n", 0,
         HttpHeadResult::Incomplete},
        {"nothing yet", "", 0, HttpHeadResult::Incomplete},
        {"a head that never ends", "HTTP/1.1 200 OK\r\n" + std::string(20000, 'x'), 0,
         HttpHeadResult::Unusable},
        {"multipart: the first part's head rides along",
         mjpeg + "--f\r\nContent-Type: image/jpeg\r\nContent-Length: 3\r\n\r\nJPG", 0, HttpHeadResult::Parsed,
         200, HttpContentJpeg, 3, F::FlagStatusLine | F::FlagMultipart, "JPG"},
        {"multipart without part lengths", mjpeg + "\r\n--f\r\nContent-Type: image/jpeg\r\n\r\n\xFF\xD8", 0,
         HttpHeadResult::Parsed, 200, HttpContentJpeg, 0, F::FlagStatusLine | F::FlagMultipart, "\xFF\xD8"},
        {"multipart waits for its first part's head", mjpeg + "--f\r\nContent-Type: image/jpeg\r\n", 0,
         HttpHeadResult::Incomplete},
        {"multipart whose first part has no type", mjpeg + "--f\r\nContent-Length: 3\r\n\r\nJPG", 0,
         HttpHeadResult::Unusable},
        {"chunked multipart: the parts' heads are in the chunks",
         "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=f\r\nTransfer-Encoding: "
         "chunked\r\n\r\n20\r\n--f\r\n",
         0, HttpHeadResult::Parsed, 200, HttpContentNone, 0,
         F::FlagStatusLine | F::FlagMultipart | F::FlagChunked, "\r\n20\r\n--f\r\n"},
        {"a later part of a chunked stream", "--f\r\nContent-Type: image/png\r\n\r\nab",
         F::FlagMultipart | F::FlagChunked, HttpHeadResult::Parsed, 200, HttpContentPng, 0,
         F::FlagMultipart | F::FlagChunked, "ab"},
        {"a later part", "\r\n--f\r\nContent-Type: image/jpeg\r\nContent-Length: 2\r\n\r\nab",
         F::FlagMultipart, HttpHeadResult::Parsed, 200, HttpContentJpeg, 2, F::FlagMultipart, "ab"},
        {"a later part after an empty line", "\r\n\r\n--f\r\nContent-Type: image/jpeg\r\n\r\nab",
         F::FlagMultipart, HttpHeadResult::Parsed, 200, HttpContentJpeg, 0, F::FlagMultipart, "ab"},
        {"a later part of a type we skip", "--f\r\nContent-Type: text/xml\r\nContent-Length: 2\r\n\r\n<>",
         F::FlagMultipart, HttpHeadResult::Parsed, 200, HttpContentNone, 2, F::FlagMultipart, "<>"},
        {"a new response clears multipart", "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n",
         F::FlagMultipart, HttpHeadResult::Parsed, 200, HttpContentPlain, 0, F::FlagStatusLine, ""},
    };
    for (const HeadCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        HttpResponseFields fields;
        fields.flags = c.flagsBefore;
        int32_t body = -1;
        ASSERT_EQ(Parse(c.bytes, fields, body), c.result);
        if (c.result != HttpHeadResult::Parsed)
            continue;
        EXPECT_EQ(fields.status, c.status);
        EXPECT_EQ(fields.contentType, c.type);
        EXPECT_EQ(fields.contentLength, c.length);
        EXPECT_EQ(fields.flags, c.flags);
        ASSERT_GE(body, 0);
        EXPECT_EQ(c.bytes.substr(static_cast<size_t>(body)), c.body);
    }
}

TEST(HttpResponseHead, EveryCutOfAHeadIsIncompleteUntilItsEnd)
{
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: 10\r\n\r\n";
    for (size_t n = 0; n < head.size(); ++n)
    {
        HttpResponseFields fields;
        int32_t body = 0;
        EXPECT_EQ(Parse(head.substr(0, n), fields, body), HttpHeadResult::Incomplete) << n;
    }
}

struct ChunkCase
{
    const char* bytes;
    HttpChunkResult result;
    uint32_t size;
    int32_t consumed;
};

TEST(HttpChunkSize, Table)
{
    const ChunkCase cases[] = {
        {"\r\n5\r\nhello", HttpChunkResult::Size, 5, 5},
        {"\r\nff\r\n", HttpChunkResult::Size, 255, 6},
        {"\r\nFF;name=value\r\n", HttpChunkResult::Size, 255, 17},
        {"\r\n0\r\n\r\n", HttpChunkResult::Size, 0, 5},
        {"\r\n7fffffff\r\n", HttpChunkResult::Size, 0x7FFFFFFF, 12},
        {"\r\n0000000000001\r\n", HttpChunkResult::Size, 1, 17},
        {"\r\n80000000\r\n", HttpChunkResult::Malformed},
        {"\r\nFFFFFFFFFFFFFFFFFFFF\r\n", HttpChunkResult::Malformed},
        {"\r\nzz\r\n", HttpChunkResult::Malformed},
        {"\r\n\r\n", HttpChunkResult::Malformed},
        {"\r\n-1\r\n", HttpChunkResult::Malformed},
        {"\r\n5x\r\n", HttpChunkResult::Malformed},
        {"5\r\nhello", HttpChunkResult::Malformed},
        {"\n\r5\r\n", HttpChunkResult::Malformed},
        {"\r\n5", HttpChunkResult::Incomplete},
        {"\r\n5\r", HttpChunkResult::Incomplete},
        {"\r", HttpChunkResult::Incomplete},
        {"", HttpChunkResult::Incomplete},
    };
    for (const ChunkCase& c : cases)
    {
        SCOPED_TRACE(c.bytes);
        uint32_t size = 99;
        int32_t consumed = 99;
        const std::string bytes = c.bytes;
        ASSERT_EQ(CHttpResponseParser::ReadChunkSize(reinterpret_cast<const uint8_t*>(bytes.data()),
                                                     static_cast<int32_t>(bytes.size()), size, consumed),
                  c.result);
        if (c.result == HttpChunkResult::Size)
        {
            EXPECT_EQ(size, c.size);
            EXPECT_EQ(consumed, c.consumed);
        }
        else
            EXPECT_EQ(consumed, 0);
    }
}

TEST(HttpChunkSize, AnOverLongSizeLineIsMalformedNotAwaitedForEver)
{
    std::string line = "\r\n1" + std::string(CHttpResponseParser::kMaxSizeLine, ' ');
    uint32_t size = 0;
    int32_t consumed = 0;
    EXPECT_EQ(CHttpResponseParser::ReadChunkSize(reinterpret_cast<const uint8_t*>(line.data()),
                                                 static_cast<int32_t>(line.size()), size, consumed),
              HttpChunkResult::Malformed);
}

TEST(HttpPathEncoder, PathsKeepTheirShapeAndLoseWhatMayNotStandInARequestLine)
{
    const std::pair<std::string, std::string> cases[] = {
        {"/a b:c", "/a%20b%3Ac"},
        {"/level?v=42&x=1", "/level?v=42&x=1"},
        {"/x%20y", "/x%20y"},
        {"/\"<>\\^`{|}#", "/%22%3C%3E%5C%5E%60%7B%7C%7D%23"},
        {std::string("/\r\n\x01\x7F\xC3\xA9", 7), "/%0D%0A%01%7F%C3%A9"},
    };
    for (const auto& [in, out] : cases)
    {
        std::string encoded;
        CHttpPathEncoder::EncodePath(in.data(), in.size(), encoded);
        EXPECT_EQ(encoded, out) << in;
    }
}

TEST(HttpPathEncoder, ComponentsEncodeEveryReservedCharacter)
{
    const std::string name = "Rock & Roll #1 100% +/?=.mp3";
    std::string encoded;
    CHttpPathEncoder::EncodeComponent(name.data(), name.size(), encoded);
    EXPECT_EQ(encoded, "Rock%20%26%20Roll%20%231%20100%25%20%2B%2F%3F%3D.mp3");
}

TEST(HttpValueFormat, OneIntegerConversionGetsTheValueAnythingElseIsText)
{
    struct Case
    {
        const char* pattern;
        int32_t value;
        bool filled;
        const char* out;
    };
    const Case cases[] = {
        {"/level?v=%d", 42, true, "/level?v=42"},
        {"/level?v=%i", -7, true, "/level?v=-7"},
        {"/set?v=%u", -1, true, "/set?v=4294967295"},
        {"/hex/%04X", 255, true, "/hex/00FF"},
        {"/%ld/x", 5, true, "/5/x"},
        {"/%+5.3d", 7, true, "/ +007"},
        {"/100%%/%d", 3, true, "/100%/3"},
        {"/plain", 3, false, "/plain"},
        {"/100%%", 3, false, "/100%%"},
        {"/%d/%d", 3, false, "/%d/%d"},
        {"/%s", 3, false, "/%s"},
        {"/%n%d", 3, false, "/%n%d"},
        {"/%999d", 3, false, "/%999d"},
        {"/%.100d", 3, false, "/%.100d"},
        {"/%f", 3, false, "/%f"},
        {"/trailing%", 3, false, "/trailing%"},
    };
    for (const Case& c : cases)
    {
        std::string out;
        EXPECT_EQ(
            CHttpValueFormat::Format(c.pattern, std::char_traits<char>::length(c.pattern), c.value, out),
            c.filled)
            << c.pattern;
        EXPECT_EQ(out, c.out) << c.pattern;
    }
}
} // namespace

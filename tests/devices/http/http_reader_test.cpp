// The response reader and the camera-stream splitter from byte tables: the same pieces come out
// however the bytes are cut into blocks.
#include "devices/controllers/http/HTTPDynamicImageInStream.h"
#include "devices/controllers/http/HttpResponseReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using State = CHttpResponseReader::State;

struct Out
{
    uint8_t part;
    std::string bytes;
    uint16_t type;
    bool operator==(const Out& other) const
    {
        return part == other.part && bytes == other.bytes && type == other.type;
    }
};

class CListSink : public CHttpResponseSink
{
public:
    std::vector<Out> out;
    void OnResponseBody(uint8_t part, const uint8_t* bytes, uint32_t length,
                        const HttpResponseFields& fields) override
    {
        out.push_back(Out{part, bytes ? std::string(reinterpret_cast<const char*>(bytes), length) : "",
                          fields.contentType});
    }
};

// Feeds the bytes in blocks of `block` (0: all at once); the pieces of part 1 are joined, since a
// chunk may come in several.
State FeedAll(const std::string& bytes, size_t block, std::vector<Out>& out, int32_t capacity = 65536)
{
    CHttpResponseReader reader(capacity);
    CListSink sink;
    reader.Begin();
    State state = State::Head;
    if (block == 0)
        block = bytes.size();
    for (size_t at = 0; at < bytes.size(); at += block)
        state = reader.Feed(reinterpret_cast<const uint8_t*>(bytes.data()) + at,
                            static_cast<uint32_t>(std::min(block, bytes.size() - at)), sink);
    for (const Out& o : sink.out)
    {
        if (o.part == 1 && !out.empty() && out.back().part == 1 && out.back().type == o.type)
            out.back().bytes += o.bytes;
        else
            out.push_back(o);
    }
    return state;
}

struct ReaderCase
{
    const char* name;
    std::string bytes;
    State state;
    std::vector<Out> out;
};

TEST(HttpResponseReader, TheSamePiecesComeOutForEveryBlockSize)
{
    const std::string textHead = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";
    const std::string mjpeg = "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=b\r\n\r\n";
    const uint16_t T = HttpContentPlain, J = HttpContentJpeg;
    const ReaderCase cases[] = {
        {"plain", textHead + "Content-Length: 5\r\n\r\nhello, and more", State::Complete, {{0, "hello", T}}},
        {"no length: empty at once", textHead + "\r\nignored", State::Complete, {{0, "", T}}},
        {"chunked",
         textHead + "Transfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n1;a=b\r\n,\r\n6\r\n "
                    "world\r\n0\r\nTrailer: x\r\n\r\n",
         State::Complete,
         {{1, "hello, world", T}, {2, "", T}}},
        {"chunked, cut short",
         textHead + "Transfer-Encoding: chunked\r\n\r\n5\r\nhel",
         State::Body,
         {{1, "hel", T}}},
        {"chunk size too big",
         textHead + "Transfer-Encoding: chunked\r\n\r\n80000000\r\nabc",
         State::Failed,
         {}},
        {"chunk size missing its CR LF",
         textHead + "Transfer-Encoding: chunked\r\n\r\n5\r\nhelloX5\r\n",
         State::Failed,
         {{1, "hello", T}}},
        {"refused",
         "HTTP/1.1 403 Forbidden\r\nContent-Type: text/html\r\nContent-Length: 2\r\n\r\nno",
         State::Refused,
         {}},
        {"unusable head", "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nno", State::Failed, {}},
        {"a length the buffer cannot hold", textHead + "Content-Length: 70000\r\n\r\n", State::Failed, {}},
        {"multipart with part lengths",
         mjpeg +
             "--b\r\nContent-Type: image/jpeg\r\nContent-Length: 4\r\n\r\nAAAA\r\n--b\r\nContent-Type: "
             "image/jpeg\r\nContent-Length: 2\r\n\r\nBB\r\n--b\r\nContent-Type: text/xml\r\nContent-Length: "
             "1\r\n\r\nC\r\n--b\r\nContent-Type: image/jpeg\r\nContent-Length: 3\r\n\r\nDD",
         State::Body,
         {{0, "AAAA", J}, {0, "BB", J}, {0, "C", HttpContentNone}}},
    };
    for (const ReaderCase& c : cases)
        for (size_t block : {size_t{0}, size_t{1}, size_t{2}, size_t{3}, size_t{7}, size_t{64}})
        {
            SCOPED_TRACE(std::string(c.name) + ", blocks of " + std::to_string(block));
            std::vector<Out> out;
            EXPECT_EQ(FeedAll(c.bytes, block, out), c.state);
            EXPECT_EQ(out, c.out);
        }
}

TEST(HttpResponseReader, PartsWithoutLengthsAreHandedOnAsTheyCome)
{
    const std::string head = "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=b\r\n\r\n"
                             "--b\r\nContent-Type: image/jpeg\r\n\r\n";
    const std::string stream = "\xFF\xD8one\r\n--b\r\nContent-Type: image/jpeg\r\n\r\n\xFF\xD8two";
    for (size_t block : {size_t{1}, size_t{5}, size_t{0}})
    {
        std::vector<Out> out;
        EXPECT_EQ(FeedAll(head + stream, block, out), State::Body);
        std::string joined;
        for (const Out& o : out)
        {
            EXPECT_EQ(o.part, 0);
            joined += o.bytes;
        }
        EXPECT_EQ(joined, stream);
    }
}

std::string Hex(size_t n)
{
    char text[24];
    std::snprintf(text, sizeof text, "%zx", n);
    return text;
}

// A camera stream passed on by a proxy: the parts, their heads among them, travel in chunks cut
// anywhere.
TEST(HttpResponseReader, AChunkedCameraStreamIsJoinedThenSplitIntoItsParts)
{
    const std::string parts = "--b\r\nContent-Type: image/jpeg\r\nContent-Length: 4\r\n\r\nAAAA\r\n"
                              "--b\r\nContent-Type: image/jpeg\r\nContent-Length: 2\r\n\r\nBB\r\n--b--\r\n";
    std::string body;
    for (size_t at = 0; at < parts.size(); at += 9)
    {
        const std::string piece = parts.substr(at, 9);
        char size[16];
        std::snprintf(size, sizeof size, "%zx", piece.size());
        body += std::string(size) + "\r\n" + piece + "\r\n";
    }
    const std::string bytes = "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=b\r\n"
                              "Transfer-Encoding: chunked\r\n\r\n" +
                              body + "0\r\n\r\n";
    const uint16_t J = HttpContentJpeg;
    for (size_t block : {size_t{0}, size_t{1}, size_t{5}, size_t{13}})
    {
        SCOPED_TRACE(block);
        std::vector<Out> out;
        EXPECT_EQ(FeedAll(bytes, block, out), State::Complete);
        ASSERT_EQ(out.size(), 3u);
        EXPECT_EQ(out[0], (Out{0, "AAAA", J}));
        EXPECT_EQ(out[1], (Out{0, "BB", J}));
        EXPECT_EQ(out[2].part, 2);
    }
}

TEST(HttpResponseReader, AChunkedCameraStreamWithoutPartLengthsIsHandedOnAsItComes)
{
    const std::string parts = "--b\r\nContent-Type: image/jpeg\r\n\r\n\xFF\xD8one\r\n--b\r\n"
                              "Content-Type: image/jpeg\r\n\r\n\xFF\xD8two";
    const std::string bytes = "HTTP/1.1 200 OK\r\nContent-Type: multipart/x-mixed-replace;boundary=b\r\n"
                              "Transfer-Encoding: chunked\r\n\r\n10\r\n" +
                              parts.substr(0, 16) + "\r\n" + Hex(parts.size() - 16) + "\r\n" +
                              parts.substr(16) + "\r\n";
    std::vector<Out> out;
    EXPECT_EQ(FeedAll(bytes, 3, out), State::Body);
    std::string joined;
    for (const Out& o : out)
        joined += o.bytes;
    EXPECT_EQ(joined, parts.substr(parts.find("\xFF")));
}

TEST(HttpResponseReader, AChunkLargerThanTheBufferGoesInPieces)
{
    const std::string big(5000, 'z');
    char size[16];
    std::snprintf(size, sizeof size, "%zx", big.size());
    const std::string bytes =
        "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\nTransfer-Encoding: chunked\r\n\r\n" +
        std::string(size) + "\r\n" + big + "\r\n0\r\n\r\n";
    std::vector<Out> out;
    EXPECT_EQ(FeedAll(bytes, 700, out, 1024), State::Complete);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].bytes, big);
    EXPECT_EQ(out[1].part, 2);
}

TEST(HttpResponseReader, BytesAfterTheEndAreNotRead)
{
    CHttpResponseReader reader(4096);
    CListSink sink;
    reader.Begin();
    const std::string bytes = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 1\r\n\r\nx";
    reader.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()), sink);
    EXPECT_EQ(reader.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()),
                          sink),
              State::Complete);
    EXPECT_EQ(sink.out.size(), 1u);
    reader.Begin();
    EXPECT_EQ(reader.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()),
                          sink),
              State::Complete);
    EXPECT_EQ(sink.out.size(), 2u);
}

// Pictures of a stream, as the splitter hands them on.
std::vector<std::string> Split(CHTTPDynamicImageInStream& stream, const std::string& bytes, size_t block)
{
    std::vector<std::string> frames;
    for (size_t at = 0; at < bytes.size(); at += block)
    {
        stream.Add(reinterpret_cast<const uint8_t*>(bytes.data()) + at,
                   static_cast<int32_t>(std::min(block, bytes.size() - at)));
        const uint8_t* frame = nullptr;
        int32_t length = 0;
        while (stream.NextFrame(frame, length))
            frames.emplace_back(reinterpret_cast<const char*>(frame), static_cast<size_t>(length));
    }
    return frames;
}

TEST(HTTPDynamicImageInStream, APictureIsHandedOnWhenTheNextBegins)
{
    const std::string first = "\xFF\xD8"
                              "first\xFF\xD9\r\n--b\r\n\r\n";
    const std::string second = "\xFF\xD8"
                               "second\xFF\xD9";
    const std::string bytes = "junk before\xFF" + first + second +
                              "\xFF\xD8"
                              "th";
    for (size_t block : {size_t{1}, size_t{2}, size_t{3}, size_t{100}})
    {
        SCOPED_TRACE(block);
        CHTTPDynamicImageInStream stream;
        auto frames = Split(stream, bytes, block);
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[0], first);
        EXPECT_EQ(frames[1], second);
        EXPECT_TRUE(stream.StartFound());
    }
}

TEST(HTTPDynamicImageInStream, APictureLargerThanTheStreamIsNotShown)
{
    CHTTPDynamicImageInStream stream;
    std::string huge = "\xFF\xD8" + std::string(CHTTPDynamicImageInStream::kCapacity + 100, 'h');
    const std::string small = "\xFF\xD8"
                              "small";
    auto frames = Split(stream, huge + small + "\xFF\xD8", 4096);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], small);
}

TEST(HTTPDynamicImageInStream, ClearForgetsEverything)
{
    CHTTPDynamicImageInStream stream;
    Split(stream, "\xFF\xD8half", 100);
    EXPECT_TRUE(stream.StartFound());
    stream.Clear();
    EXPECT_FALSE(stream.StartFound());
    EXPECT_EQ(stream.Pending(), 0);
    EXPECT_TRUE(Split(stream, "more\xFF\xD8", 100).empty());
}
} // namespace

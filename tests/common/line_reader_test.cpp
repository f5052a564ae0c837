// The line reader from byte tables: each case feeds its chunks one after the other and collects
// every line the reader hands out.
#include "common/InStream.h"
#include "common/LineReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
struct LineCase
{
    const char* name;
    const char* terminators;
    int32_t cap;
    std::vector<std::string> chunks;
    std::vector<std::string> lines;
};

std::vector<std::string> Feed(CLineReader& reader, CInStream& stream, const std::vector<std::string>& chunks)
{
    std::vector<std::string> lines;
    std::string line;
    for (const std::string& chunk : chunks)
    {
        stream.Append(chunk.data(), static_cast<int32_t>(chunk.size()));
        while (reader.Next(stream, line))
            lines.push_back(line);
    }
    return lines;
}

TEST(LineReader, Table)
{
    using namespace std::string_literals;
    const std::vector<LineCase> cases = {
        {"crlf lines", "\r\n", 64, {"R:1\r\nR:2\r\n"}, {"R:1", "R:2"}},
        {"line split over chunks", "\r\n", 64, {"ab", "c", "d\r", "\nef\n"}, {"abcd", "ef"}},
        {"empty lines dropped", "\r\n", 64, {"\r\n\r\n\nx\r\r\n"}, {"x"}},
        {"unfinished line waits", "\n", 64, {"abc"}, {}},
        {"semicolon protocol", ";", 64, {"a;b;;c"}, {"a", "b"}},
        {"nul bytes dropped", "\n", 64, {"a\0b\n"s}, {"ab"}},
        {"nul alone is no line", "\n", 64, {"\0\0\n"s, "ok\n"}, {"ok"}},
        {"line at the cap kept", "\n", 4, {"abcd\n"}, {"abcd"}},
        {"line over the cap dropped", "\n", 4, {"abcde\nok\n"}, {"ok"}},
        {"over-long line dropped across chunks", "\n", 4, {"abcdef", "ghij", "kl\nok\n"}, {"ok"}},
        {"over-long tail then terminator", "\n", 4, {"abcde", "\n", "next\n"}, {"next"}},
    };
    for (const LineCase& c : cases)
    {
        CLineReader reader(c.terminators, c.cap);
        CInStream stream(CInStream::Refuse, 256);
        EXPECT_EQ(Feed(reader, stream, c.chunks), c.lines) << c.name;
    }
}

TEST(LineReader, ConsumesWhatItHandsOutAndKeepsAnUnfinishedLine)
{
    CLineReader reader("\n", 64);
    CInStream stream(CInStream::Refuse, 64);
    stream.Append("one\ntw", 6);
    std::string line;
    ASSERT_TRUE(reader.Next(stream, line));
    EXPECT_EQ(line, "one");
    EXPECT_FALSE(reader.Next(stream, line));
    EXPECT_EQ(stream.Pending(), 2);
    stream.Append("o\n", 2);
    ASSERT_TRUE(reader.Next(stream, line));
    EXPECT_EQ(line, "two");
    EXPECT_EQ(stream.Pending(), 0);
}

TEST(LineReader, ResetForgetsALineBeingDropped)
{
    CLineReader reader("\n", 2);
    CInStream stream(CInStream::Refuse, 64);
    std::string line;
    stream.Append("abcdef", 6);
    EXPECT_FALSE(reader.Next(stream, line));
    EXPECT_TRUE(reader.IsDropping());
    // The link dropped: what comes after the reconnect is a fresh line.
    reader.Reset();
    stream.Reset();
    stream.Append("ok\n", 3);
    ASSERT_TRUE(reader.Next(stream, line));
    EXPECT_EQ(line, "ok");
}
} // namespace

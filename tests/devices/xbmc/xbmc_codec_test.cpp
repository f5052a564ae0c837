// The XBMC codec from tables: command paths with their argument encoding, value formats, answer
// lines (numbers, tag values, playlist and share lists, now playing) and the channel blob.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "devices/controllers/xbmc/XBMCAnswer.h"
#include "devices/controllers/xbmc/XBMCChannel.h"
#include "devices/controllers/xbmc/XBMCCommand.h"

namespace
{
const std::string kPrefix = "/xbmcCmds/xbmcHttp?command=";

TEST(XBMCCommand, BuildsTheCommandPaths)
{
    struct Case
    {
        std::string made;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {CXBMCCommand::GetVolume(), "GetVolume()"},
        {CXBMCCommand::SetVolume(57), "SetVolume(57)"},
        {CXBMCCommand::SetVolume(-3), "SetVolume(-3)"},
        {CXBMCCommand::SeekPercentage(100), "SeekPercentage(100)"},
        {CXBMCCommand::GetCurrentPlaylist(), "GetCurrentPlaylist()"},
        {CXBMCCommand::GetPlaylistContents(1), "GetPlaylistContents(1)"},
        {CXBMCCommand::GetShares(false), "GetShares(music)"},
        {CXBMCCommand::GetShares(true), "GetShares(video)"},
        {CXBMCCommand::GetCurrentlyPlaying(), "GetCurrentlyPlaying(special%3A%5C%5Cxbmc%5Cweb%5Cthumb.jpg)"},
        {CXBMCCommand::ClearPlayList(0), "ClearPlayList(0)"},
        {CXBMCCommand::SetCurrentPlaylist(1), "SetCurrentPlaylist(1)"},
        {CXBMCCommand::PlayFile("C:\\Music\\a b.mp3"), "PlayFile(C%3A%5CMusic%5Ca%20b.mp3)"},
        {CXBMCCommand::AddToPlayList("smb://nas/Music/", 0), "AddToPlayList(smb%3A%2F%2Fnas%2FMusic%2F;0)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.made, kPrefix + c.expected);
}

TEST(XBMCCommand, EncodesEveryReservedByteOfAnArgument)
{
    struct Case
    {
        std::string raw;
        std::string encoded;
    };
    const std::vector<Case> cases = {
        {"Az09-._~", "Az09-._~"},
        {"Tom & Jerry", "Tom%20%26%20Jerry"},
        {"Track #1", "Track%20%231"},
        {"100%", "100%25"},
        {"a+b", "a%2Bb"},
        {"C:\\x", "C%3A%5Cx"},
        {"?=;/@[]!$'()*,", "%3F%3D%3B%2F%40%5B%5D%21%24%27%28%29%2A%2C"},
        {"\"<>{}|^`", "%22%3C%3E%7B%7D%7C%5E%60"},
        {std::string("\x01\x7F\r\n", 4), "%01%7F%0D%0A"},
        {"Caf\xC3\xA9", "Caf%C3%A9"},
        {std::string("a\0b", 3), "a%00b"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CXBMCCommand::Encode(c.raw), c.encoded) << c.raw;
    // A whole command: nothing of the name can end the query or add a parameter.
    std::string path = CXBMCCommand::PlayFile("D:\\a&command=Shutdown()#x+y%z.mp3");
    EXPECT_EQ(path, kPrefix + "PlayFile(D%3A%5Ca%26command%3DShutdown%28%29%23x%2By%25z.mp3)");
    EXPECT_EQ(path.find_first_of(" :#&+", kPrefix.size()), std::string::npos);
}

TEST(XBMCAnswer, ReadsTheFirstNumberAndErrors)
{
    struct Case
    {
        std::string text;
        int32_t number;
    };
    const std::vector<Case> cases = {
        {"<html>\n<li>57\n</html>", 57},
        {"<html>\n<li>0\n</html>", 0},
        {"<html>\n<li>-1\n</html>", -1},
        {"<li>12abc", 12},
        {"<li>99999999999999999999", INT32_MAX},
        {"<li>-99999999999999999999", INT32_MIN},
        {"<html>\n</html>", -1},
        {"<li>", -1},
        {"<li>-", -1},
        {"<li>abc\n<li>5", -1},
        {"", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CXBMCAnswer::FirstNumber(c.text), c.number) << c.text;

    EXPECT_TRUE(CXBMCAnswer::IsError("<html>\n<li>Error:Unknown command\n</html>"));
    EXPECT_FALSE(CXBMCAnswer::IsError("<html>\n<li>OK\n</html>"));
    // A NUL ends the answer: what follows it is never read.
    const uint8_t bytes[] = {'<', 'l', 'i', '>', '7', 0, '<', 'l', 'i', '>', 'E', 'r', 'r', 'o', 'r'};
    std::string_view text = CXBMCAnswer::Text(bytes, sizeof bytes);
    EXPECT_EQ(text, "<li>7");
    EXPECT_FALSE(CXBMCAnswer::IsError(text));
    EXPECT_TRUE(CXBMCAnswer::Text(nullptr, 5).empty());
    EXPECT_TRUE(CXBMCAnswer::Text(bytes, -1).empty());
}

TEST(XBMCAnswer, ReadsTagValuesToTheLineFeed)
{
    std::string value;
    EXPECT_TRUE(CXBMCAnswer::TagValue("<li>Title:Song\n", "<li>Title:", value));
    EXPECT_EQ(value, "Song");
    EXPECT_TRUE(CXBMCAnswer::TagValue("<li>Title:Song\r\n", "<li>Title:", value));
    EXPECT_EQ(value, "Song");
    EXPECT_TRUE(CXBMCAnswer::TagValue("<li>Title:\n", "<li>Title:", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(CXBMCAnswer::TagValue("<li>Title:Song", "<li>Title:", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(CXBMCAnswer::TagValue("<li>Artist:A\n", "<li>Title:", value));
    // A peer's long value is kept bounded.
    std::string longLine = "<li>Title:" + std::string(5000, 'x') + "\n";
    EXPECT_TRUE(CXBMCAnswer::TagValue(longLine, "<li>Title:", value));
    EXPECT_EQ(value.size(), CXBMCAnswer::kMaxText);
}

TEST(XBMCAnswer, ReadsPlaylistEntries)
{
    struct Case
    {
        std::string text;
        std::vector<std::string> entries;
    };
    const std::vector<Case> cases = {
        {"<html>\n<li>C:\\a.mp3\n<li>C:\\b.mp3\n</html>\n", {"C:\\a.mp3", "C:\\b.mp3"}},
        // The last entry's line carries the page end: cut there, and nothing after it is read.
        {"<html>\n<li>C:\\a.mp3\n<li>C:\\b.mp3</html>\n<li>C:\\c.mp3\n", {"C:\\a.mp3", "C:\\b.mp3"}},
        {"<html>\n<li>x</html>", {"x"}},
        // The page end before every entry: a line that would be shorter than the cut gives nothing.
        {"</html>\n<li>ab\n", {}},
        {"<li>ab</html>\n", {"ab"}},
        {"<li></html>\n", {""}},
        {"<html>\n<li>[Empty]\n</html>", {}},
        {"<html>\n<li>a\r\n<li>b\r\n</html>", {"a", "b"}},
        {"<li>no line feed at all", {"no line feed at all"}},
        {"<html>\n</html>", {}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CXBMCAnswer::PlaylistEntries(c.text), c.entries) << c.text;

    std::string many;
    for (size_t i = 0; i < CXBMCAnswer::kMaxEntries + 10; ++i)
        many += "<li>e\n";
    EXPECT_EQ(CXBMCAnswer::PlaylistEntries(many).size(), CXBMCAnswer::kMaxEntries);
}

TEST(XBMCAnswer, ReadsShares)
{
    auto shares = CXBMCAnswer::Shares("<html>\n<li>Music;C:\\Music\\\n<li>no share\n<li>NAS;smb://nas/a;b/"
                                      "</html>\n<li>After;x\n");
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0].name, "Music");
    EXPECT_EQ(shares[0].path, "C:\\Music\\");
    EXPECT_EQ(shares[1].name, "NAS");
    EXPECT_EQ(shares[1].path, "smb://nas/a;b/");
    EXPECT_TRUE(CXBMCAnswer::Shares("<li>;\n").size() == 1);
}

TEST(XBMCAnswer, ReadsNowPlaying)
{
    XBMCNowPlaying now =
        CXBMCAnswer::NowPlaying("<html>\n<li>Filename:C:\\Music\\Song.mp3\n<li>Changed:True\n"
                                "<li>Percentage:45\n<li>Title:Song\n<li>Artist:Band\n"
                                "<li>Album:Record\n<li>Genre:\n</html>");
    EXPECT_FALSE(now.nothingPlaying);
    EXPECT_TRUE(now.changed);
    EXPECT_EQ(now.fileName, "C:\\Music\\Song.mp3");
    EXPECT_TRUE(now.hasPercentage);
    EXPECT_EQ(now.percentage, 45);
    EXPECT_EQ(now.title, "Song");
    EXPECT_EQ(now.artist, "Band");
    EXPECT_EQ(now.album, "Record");
    EXPECT_EQ(now.genre, "");

    now = CXBMCAnswer::NowPlaying("<html>\n<li>Filename:[Nothing Playing]\n</html>");
    EXPECT_TRUE(now.nothingPlaying);
    EXPECT_FALSE(now.changed);
    EXPECT_FALSE(now.hasPercentage);

    now = CXBMCAnswer::NowPlaying("<li>Percentage:x\n<li>Changed:False\n");
    EXPECT_FALSE(now.hasPercentage);
    EXPECT_FALSE(now.changed);
    EXPECT_EQ(now.fileName, "");
}

TEST(XBMCAnswer, CutsFileTitles)
{
    EXPECT_EQ(CXBMCAnswer::FileTitle("C:\\Music\\Song.mp3"), "Song");
    EXPECT_EQ(CXBMCAnswer::FileTitle("Song.mp3"), "Song");
    EXPECT_EQ(CXBMCAnswer::FileTitle("C:\\dir.x\\Song"), "Song");
    EXPECT_EQ(CXBMCAnswer::FileTitle("C:\\Music\\"), "");
    EXPECT_EQ(CXBMCAnswer::FileTitle(""), "");
}

std::vector<uint8_t> Le32(uint32_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

std::vector<uint8_t> CommandBlob(uint8_t kind, uint32_t eventValue, uint8_t repeat, const std::string& bytes,
                                 uint32_t length)
{
    std::vector<uint8_t> blob = {kind, XBMCKindCommand};
    for (uint32_t v : {7u, eventValue})
    {
        auto b = Le32(v);
        blob.insert(blob.end(), b.begin(), b.end());
    }
    blob.push_back(repeat);
    auto l = Le32(length);
    blob.insert(blob.end(), l.begin(), l.end());
    blob.insert(blob.end(), bytes.begin(), bytes.end());
    return blob;
}

TEST(XBMCChannel, LoadsItsBlob)
{
    CXBMCChannel command(1, 0, 0, 0);
    auto blob = CommandBlob(CustomKindRelease, 9, 2, "/x", 2);
    command.Load(blob.data(), static_cast<uint32_t>(blob.size()));
    EXPECT_EQ(command.GetKind(), CustomKindRelease);
    EXPECT_EQ(command.GetXBMCKind(), XBMCKindCommand);
    EXPECT_EQ(command.GetEventChannel(), 7u);
    EXPECT_EQ(command.GetEventValue(), 9u);
    EXPECT_EQ(command.GetRepeatCount(), 2);
    ASSERT_EQ(command.GetByteLength(), 2u);
    EXPECT_EQ(std::memcmp(command.GetBytes(), "/x", 2), 0);

    // A length beyond the blob, even one that would wrap an offset: no bytes.
    for (uint32_t length : {3u, 0xFFFFFFFFu, 0xFFFFFFF2u})
    {
        CXBMCChannel cut(1, 0, 0, 0);
        blob = CommandBlob(CustomKindPress, 1, 1, "/x", length);
        cut.Load(blob.data(), static_cast<uint32_t>(blob.size()));
        EXPECT_EQ(cut.GetByteLength(), 0u) << length;
        EXPECT_EQ(cut.GetKind(), CustomKindPress);
    }

    CXBMCChannel fixed(2, 0, 0, 0);
    std::vector<uint8_t> volume = {CustomKindPress, XBMCKindVolume, 1, 0x2A, 0, 0, 0};
    fixed.Load(volume.data(), static_cast<uint32_t>(volume.size()));
    EXPECT_EQ(fixed.GetXBMCKind(), XBMCKindVolume);
    EXPECT_EQ(fixed.GetMode(), 1);
    EXPECT_EQ(fixed.m_lastValue.load(), 42);

    CXBMCChannel slider(3, 0, 0, 0);
    std::vector<uint8_t> seek = {CustomKindValue, XBMCKindSeek, 0, 0x2A, 0, 0, 0};
    slider.Load(seek.data(), static_cast<uint32_t>(seek.size()));
    EXPECT_EQ(slider.GetMode(), 0);
    EXPECT_EQ(slider.m_lastValue.load(), 0);

    // Short and empty blobs keep what the blob does not hold.
    CXBMCChannel shortOne(4, 0, 0, 0);
    std::vector<uint8_t> one = {CustomKindValue};
    shortOne.Load(one.data(), 1);
    EXPECT_EQ(shortOne.GetKind(), CustomKindValue);
    EXPECT_EQ(shortOne.GetXBMCKind(), XBMCKindCommand);
    shortOne.Load(nullptr, 10);
    shortOne.Load(one.data(), 0);
    EXPECT_EQ(shortOne.GetKind(), CustomKindValue);
    std::vector<uint8_t> truncated = {CustomKindPress, XBMCKindCommand, 1, 2, 3};
    CXBMCChannel partial(5, 0, 0, 0);
    partial.Load(truncated.data(), static_cast<uint32_t>(truncated.size()));
    EXPECT_EQ(partial.GetEventChannel(), 0u);
    EXPECT_EQ(partial.GetRepeatCount(), 1);
}
} // namespace

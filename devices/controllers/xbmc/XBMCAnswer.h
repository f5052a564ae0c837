#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One share of the media centre's library: the name shown and the path opened.
struct XBMCShare
{
    std::string name;
    std::string path;
};

// What a now-playing answer says, read once; the device decides what changes.
struct XBMCNowPlaying
{
    // "<li>Filename:[Nothing Playing]"
    bool nothingPlaying = false;
    // "<li>Changed:True"
    bool changed = false;
    std::string fileName;
    // "<li>Percentage:" followed by a number.
    bool hasPercentage = false;
    int32_t percentage = 0;
    std::string title;
    std::string artist;
    std::string album;
    std::string genre;
};

// Reads the answers of the media centre's HTTP command interface: an HTML page whose lines begin
// with "<li>", e.g.
//
//     <html>
//     <li>57
//     </html>
//
// An answer is read as a text: a NUL byte ends it. Every value is cut from the bytes that are
// there, with every length checked, and every text kept is at most kMaxText bytes (longer ones
// are cut), so a peer decides neither how far a read goes nor how large a text grows.
//
// Entry lines (playlist items, shares) run from after "<li>" to the end of their line; the list
// ends at "</html>", which may stand on the last entry's line ("<li>last</html>\n" gives "last").
// A tag value ("<li>Title:...") runs to its line feed; a tag without a line feed after it gives
// no value.
//
// Pure bytes in, values out (no device), so it is tested from tables and fuzzed.
class CXBMCAnswer
{
public:
    static constexpr size_t kMaxText = 1023;
    static constexpr size_t kMaxEntries = 4096;

    // The answer as a text: the bytes before the first NUL.
    static std::string_view Text(const uint8_t* bytes, int32_t length);

    // Whether the answer reports an error ("<li>Error" anywhere).
    static bool IsError(std::string_view text);
    // The decimal number after the first "<li>" (an optional "-", then digits; clamped to the
    // 32-bit range); -1 without "<li>" or without digits after it.
    static int32_t FirstNumber(std::string_view text);
    // The text after the first occurrence of `tag` (e.g. "<li>Title:") up to its line feed,
    // without a CR before the line feed; false when the tag is missing or no line feed follows.
    static bool TagValue(std::string_view text, std::string_view tag, std::string& value);

    // The playlist's items, one per "<li>" line. An answer holding "<li>[Empty]" gives none.
    static std::vector<std::string> PlaylistEntries(std::string_view text);
    // The shares, one per "<li>name;path" line; a line without ";" is no share.
    static std::vector<XBMCShare> Shares(std::string_view text);
    static XBMCNowPlaying NowPlaying(std::string_view text);

    // The file name of a path as a list row shows it: after the last backslash, without its
    // extension.
    static std::string FileTitle(std::string_view path);

private:
    // The "<li>" lines' texts, in order, up to "</html>".
    static std::vector<std::string> Lines(std::string_view text);
    // The decimal number at `at` (an optional "-", then digits), clamped to the 32-bit range;
    // false when no digit stands there.
    static bool NumberAt(std::string_view text, size_t at, int32_t& value);
};

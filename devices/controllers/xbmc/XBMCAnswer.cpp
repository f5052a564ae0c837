#include "devices/controllers/xbmc/XBMCAnswer.h"

#include <climits>
#include <cstring>
#include <vector>

#include "common/StringFunctions.h"

namespace
{
constexpr std::string_view kItem = "<li>";
constexpr std::string_view kEnd = "</html>";

std::string Bounded(std::string_view text)
{
    return std::string(text.substr(0, CXBMCAnswer::kMaxText));
}

std::string_view WithoutCr(std::string_view line)
{
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}
} // namespace

std::string_view CXBMCAnswer::Text(const uint8_t* bytes, int32_t length)
{
    if (!bytes || length <= 0)
        return {};
    const char* text = reinterpret_cast<const char*>(bytes);
    const void* nul = std::memchr(text, 0, static_cast<size_t>(length));
    size_t n = nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : static_cast<size_t>(length);
    return std::string_view(text, n);
}

bool CXBMCAnswer::IsError(std::string_view text)
{
    return text.find("<li>Error") != std::string_view::npos;
}

int32_t CXBMCAnswer::FirstNumber(std::string_view text)
{
    size_t at = text.find(kItem);
    int32_t value = -1;
    if (at == std::string_view::npos || !NumberAt(text, at + kItem.size(), value))
        return -1;
    return value;
}

bool CXBMCAnswer::NumberAt(std::string_view text, size_t at, int32_t& value)
{
    bool negative = at < text.size() && text[at] == '-';
    if (negative)
        ++at;
    if (at >= text.size() || text[at] < '0' || text[at] > '9')
        return false;
    // Digits beyond the 32-bit range are read on but no longer grow the value.
    int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        if (magnitude <= INT32_MAX)
            magnitude = magnitude * 10 + (text[at] - '0');
    int64_t signedValue = negative ? -magnitude : magnitude;
    value = static_cast<int32_t>(signedValue > INT32_MAX   ? INT32_MAX
                                 : signedValue < INT32_MIN ? INT32_MIN
                                                           : signedValue);
    return true;
}

bool CXBMCAnswer::TagValue(std::string_view text, std::string_view tag, std::string& value)
{
    value.clear();
    size_t at = text.find(tag);
    if (at == std::string_view::npos)
        return false;
    at += tag.size();
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos)
        return false;
    value = Bounded(WithoutCr(text.substr(at, end - at)));
    return true;
}

std::vector<std::string> CXBMCAnswer::Lines(std::string_view text)
{
    std::vector<std::string> lines;
    // Nothing after the end of the page counts: entries stop there.
    size_t pageEnd = text.find(kEnd);
    if (pageEnd != std::string_view::npos)
        text = text.substr(0, pageEnd);
    size_t at = text.find(kItem);
    while (at != std::string_view::npos && lines.size() < kMaxEntries)
    {
        at += kItem.size();
        size_t end = text.find('\n', at);
        std::string_view line = text.substr(at, end == std::string_view::npos ? text.size() - at : end - at);
        lines.push_back(Bounded(WithoutCr(line)));
        if (end == std::string_view::npos)
            break;
        at = text.find(kItem, end);
    }
    return lines;
}

std::vector<std::string> CXBMCAnswer::PlaylistEntries(std::string_view text)
{
    if (text.find("<li>[Empty]") != std::string_view::npos)
        return {};
    return Lines(text);
}

std::vector<XBMCShare> CXBMCAnswer::Shares(std::string_view text)
{
    std::vector<XBMCShare> shares;
    for (const std::string& line : Lines(text))
    {
        size_t semicolon = line.find(';');
        if (semicolon == std::string::npos)
            continue;
        shares.push_back(XBMCShare{line.substr(0, semicolon), line.substr(semicolon + 1)});
    }
    return shares;
}

XBMCNowPlaying CXBMCAnswer::NowPlaying(std::string_view text)
{
    XBMCNowPlaying now;
    now.nothingPlaying = text.find("<li>Filename:[Nothing Playing]") != std::string_view::npos;
    now.changed = text.find("<li>Changed:True") != std::string_view::npos;
    TagValue(text, "<li>Filename:", now.fileName);
    constexpr std::string_view kPercentage = "<li>Percentage:";
    size_t at = text.find(kPercentage);
    if (at != std::string_view::npos)
        now.hasPercentage = NumberAt(text, at + kPercentage.size(), now.percentage);
    TagValue(text, "<li>Title:", now.title);
    TagValue(text, "<li>Artist:", now.artist);
    TagValue(text, "<li>Album:", now.album);
    TagValue(text, "<li>Genre:", now.genre);
    return now;
}

std::string CXBMCAnswer::FileTitle(std::string_view path)
{
    std::string copy(path);
    std::vector<char> buffer(copy.size() + 1);
    ::FileTitle(copy.c_str(), buffer.data(), buffer.size());
    return std::string(buffer.data());
}

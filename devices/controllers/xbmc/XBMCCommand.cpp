#include "devices/controllers/xbmc/XBMCCommand.h"

#include <cstdio>

namespace
{
bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

std::string WithNumber(const char* word, int32_t value)
{
    return CXBMCCommand::Path(std::string(word) + "(" + std::to_string(value) + ")");
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Reads one conversion that starts after a "%" at `at`; on success `at` is past it and `spec`
// holds it with its "%". False for anything that is not a bounded integer conversion.
bool ReadIntegerConversion(std::string_view format, size_t& at, std::string& spec)
{
    size_t i = at;
    spec = "%";
    while (i < format.size() && std::string_view("-+ #0").find(format[i]) != std::string_view::npos)
        spec += format[i++];
    // Width and precision are kept short, so that the text made stays small.
    for (int digits = 0; i < format.size() && IsDigit(format[i]); ++digits)
    {
        if (digits == 2)
            return false;
        spec += format[i++];
    }
    if (i < format.size() && format[i] == '.')
    {
        spec += format[i++];
        for (int digits = 0; i < format.size() && IsDigit(format[i]); ++digits)
        {
            if (digits == 2)
                return false;
            spec += format[i++];
        }
    }
    // The value is handed over as an int: a length modifier is accepted and dropped.
    if (i < format.size() && (format[i] == 'h' || format[i] == 'l'))
        ++i;
    if (i >= format.size() || std::string_view("diuxXo").find(format[i]) == std::string_view::npos)
        return false;
    spec += format[i++];
    at = i;
    return true;
}
} // namespace

std::string CXBMCCommand::Encode(std::string_view argument)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(argument.size());
    for (char ch : argument)
    {
        unsigned char c = static_cast<unsigned char>(ch);
        if (IsUnreserved(c))
        {
            out += ch;
            continue;
        }
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 15];
    }
    return out;
}

std::string CXBMCCommand::Path(std::string_view command)
{
    std::string path(kPrefix);
    path.append(command);
    return path;
}

std::string CXBMCCommand::SetVolume(int32_t value)
{
    return WithNumber("SetVolume", value);
}

std::string CXBMCCommand::SeekPercentage(int32_t value)
{
    return WithNumber("SeekPercentage", value);
}

std::string CXBMCCommand::GetVolume()
{
    return Path("GetVolume()");
}

std::string CXBMCCommand::GetCurrentPlaylist()
{
    return Path("GetCurrentPlaylist()");
}

std::string CXBMCCommand::GetPlaylistContents(int32_t playlist)
{
    return WithNumber("GetPlaylistContents", playlist);
}

std::string CXBMCCommand::GetShares(bool video)
{
    return Path(video ? "GetShares(video)" : "GetShares(music)");
}

std::string CXBMCCommand::GetCurrentlyPlaying()
{
    return Path("GetCurrentlyPlaying(" + Encode(kThumbnailFile) + ")");
}

std::string CXBMCCommand::PlayFile(std::string_view file)
{
    return Path("PlayFile(" + Encode(file) + ")");
}

std::string CXBMCCommand::ClearPlayList(int32_t playlist)
{
    return WithNumber("ClearPlayList", playlist);
}

std::string CXBMCCommand::AddToPlayList(std::string_view path, int32_t playlist)
{
    return Path("AddToPlayList(" + Encode(path) + ";" + std::to_string(playlist) + ")");
}

std::string CXBMCCommand::SetCurrentPlaylist(int32_t playlist)
{
    return WithNumber("SetCurrentPlaylist", playlist);
}

std::string CXBMCCommand::FormatValue(std::string_view format, int32_t value)
{
    size_t nul = format.find('\0');
    if (nul != std::string_view::npos)
        format = format.substr(0, nul);

    // One pass that checks the format and splits it round its one conversion.
    std::string before;
    std::string spec;
    std::string after;
    int conversions = 0;
    for (size_t i = 0; i < format.size();)
    {
        std::string& out = conversions == 0 ? before : after;
        if (format[i] != '%')
        {
            out += format[i++];
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%')
        {
            out += '%';
            i += 2;
            continue;
        }
        size_t at = i + 1;
        if (conversions == 1 || !ReadIntegerConversion(format, at, spec))
            return std::string(format);
        ++conversions;
        i = at;
    }
    if (conversions != 1)
        return std::string(format);

    char number[128];
    int n = std::snprintf(number, sizeof number, spec.c_str(), value);
    if (n < 0)
        return std::string(format);
    return before +
           std::string(number,
                       static_cast<size_t>(n) < sizeof number ? static_cast<size_t>(n) : sizeof number - 1) +
           after;
}

#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The request paths of the media centre's HTTP command interface: every command is the prefix
// below followed by the command and its arguments, e.g.
//
//     CXBMCCommand::Path("GetVolume()")          -> "/xbmcCmds/xbmcHttp?command=GetVolume()"
//     CXBMCCommand::PlayFile("C:\\Music\\a&b.mp3") -> "...command=PlayFile(C%3A%5CMusic%5Ca%26b.mp3)"
//
// Arguments that come from the media centre or from the project (file names, share paths) are
// percent-encoded byte by byte: everything but the unreserved letters, digits and "-._~" becomes
// %XX, so a name holding "&", "#", "%", "+", a space or a colon reaches the media centre as it is
// instead of ending the query or changing its meaning. The command words, their parentheses and
// the ";" between arguments stay as they are. The results therefore hold no space and no colon
// and pass unchanged through the HTTP request builder's own escaping.
//
// Pure text in, text out (no device), so it is tested from tables. The encoding is the HTTP
// device's component encoding (CHttpPathEncoder), so both drivers escape names alike.
class CXBMCCommand
{
public:
    static constexpr const char* kPrefix = "/xbmcCmds/xbmcHttp?command=";
    // The file the media centre writes the playing item's thumbnail to, named in every
    // now-playing poll.
    static constexpr const char* kThumbnailFile = "special:\\\\xbmc\\web\\thumb.jpg";

    // %XX for every byte outside A-Z a-z 0-9 - . _ ~ (capital hexadecimal digits).
    static std::string Encode(std::string_view argument);
    // The prefix followed by the command text as it stands.
    static std::string Path(std::string_view command);

    static std::string SetVolume(int32_t value);
    static std::string SeekPercentage(int32_t value);
    static std::string GetVolume();
    static std::string GetCurrentPlaylist();
    static std::string GetPlaylistContents(int32_t playlist);
    // Music shares (false) or video shares (true).
    static std::string GetShares(bool video);
    static std::string GetCurrentlyPlaying();
    static std::string PlayFile(std::string_view file);
    static std::string ClearPlayList(int32_t playlist);
    static std::string AddToPlayList(std::string_view path, int32_t playlist);
    static std::string SetCurrentPlaylist(int32_t playlist);
};

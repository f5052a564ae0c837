#include "devices/controllers/xbmc/XBMCCommand.h"

#include "devices/controllers/http/HttpPathEncoder.h"

namespace
{
std::string WithNumber(const char* word, int32_t value)
{
    return CXBMCCommand::Path(std::string(word) + "(" + std::to_string(value) + ")");
}
} // namespace

std::string CXBMCCommand::Encode(std::string_view argument)
{
    std::string out;
    CHttpPathEncoder::EncodeComponent(argument.data(), argument.size(), out);
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

// The XBMC answer reader and command builder on arbitrary bytes: the input is an answer page as a
// peer might send it. Every reader runs on it; each text kept must stay within the bound and lie
// within the answer, the entry lists within their bound, and every command made from a peer's
// text must keep the query intact (no space, colon, "&", "#" or "+" after the prefix). The bytes
// also serve as a channel blob.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "devices/controllers/xbmc/XBMCAnswer.h"
#include "devices/controllers/xbmc/XBMCChannel.h"
#include "devices/controllers/xbmc/XBMCCommand.h"

namespace
{
void CheckText(const std::string& text)
{
    if (text.size() > CXBMCAnswer::kMaxText)
        abort();
}

void CheckCommand(const std::string& path)
{
    std::string_view prefix = CXBMCCommand::kPrefix;
    if (path.compare(0, prefix.size(), prefix) != 0)
        abort();
    if (path.find_first_of(" :#&+\r\n", prefix.size()) != std::string::npos)
        abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    std::string_view text = CXBMCAnswer::Text(data, static_cast<int32_t>(size));
    if (text.size() > size)
        abort();

    (void)CXBMCAnswer::IsError(text);
    (void)CXBMCAnswer::FirstNumber(text);

    auto entries = CXBMCAnswer::PlaylistEntries(text);
    if (entries.size() > CXBMCAnswer::kMaxEntries)
        abort();
    for (const std::string& entry : entries)
    {
        CheckText(entry);
        CheckText(CXBMCAnswer::FileTitle(entry));
        CheckCommand(CXBMCCommand::PlayFile(entry));
    }

    auto shares = CXBMCAnswer::Shares(text);
    if (shares.size() > CXBMCAnswer::kMaxEntries)
        abort();
    for (const XBMCShare& share : shares)
    {
        CheckText(share.name);
        CheckText(share.path);
        CheckCommand(CXBMCCommand::AddToPlayList(share.path, 0));
    }

    XBMCNowPlaying now = CXBMCAnswer::NowPlaying(text);
    for (const std::string* value : {&now.fileName, &now.title, &now.artist, &now.album, &now.genre})
        CheckText(*value);

    CXBMCChannel channel(1, 0, 0, 0);
    channel.Load(data, static_cast<uint32_t>(size));
    if (channel.GetByteLength() > size)
        abort();
    return 0;
}

// The answers of the media centre (transport thread): the handler is chosen by the tag of the
// request answered.
#include <algorithm>

#include "common/StringFunctions.h"
#include "devices/controllers/xbmc/XBMCDevice.h"

namespace
{
// A wide copy for an event; an empty text gives an empty copy rather than none, so that an item
// is cleared, not left as it was.
char16_t* WideCopy(const std::string& text)
{
    char16_t* wide = text.empty() ? nullptr : Utf8ToWide(text.c_str());
    if (!wide)
        wide = new char16_t[1]{0};
    return wide;
}
} // namespace

void CXBMCDevice::OnResponseData(uint8_t part, const uint8_t* bytes, uint32_t length)
{
    int32_t tag = CurrentTag();
    // Mostly the transport thread; a Disconnect on the tick thread may end a body too.
    CCriticalSectionGuard guard(&m_libraryLock);
    switch (part)
    {
    case PartWhole:
        m_chunks.clear();
        HandleAnswer(tag,
                     CXBMCAnswer::Text(bytes, static_cast<int32_t>(std::min<uint32_t>(length, kMaxAnswer))));
        break;
    case PartChunk:
        // A chunked answer is read once it is whole; what goes beyond the bound is dropped.
        if (bytes && length > 0 && m_chunks.size() < kMaxAnswer)
            m_chunks.append(reinterpret_cast<const char*>(bytes),
                            std::min(static_cast<size_t>(length), kMaxAnswer - m_chunks.size()));
        break;
    case PartEnd:
        // The end of a chunked answer; after a plain one there is nothing gathered to read.
        if (!m_chunks.empty())
        {
            std::string whole;
            whole.swap(m_chunks);
            HandleAnswer(tag, CXBMCAnswer::Text(reinterpret_cast<const uint8_t*>(whole.data()),
                                                static_cast<int32_t>(whole.size())));
        }
        break;
    default:
        break;
    }
}

void CXBMCDevice::HandleAnswer(int32_t tag, std::string_view text)
{
    if (CXBMCAnswer::IsError(text))
        return;
    CCriticalSectionGuard guard(&m_libraryLock);
    switch (tag)
    {
    case TagCommand:
        MatchPatterns(text);
        break;
    case TagVolume:
        HandleVolume(text);
        break;
    case TagCurrentPlaylist:
        HandleCurrentPlaylist(text);
        break;
    case TagPlaylistContents:
        HandlePlaylistContents(text);
        break;
    case TagMusicShares:
    case TagVideoShares:
        HandleShares(text, tag == TagVideoShares);
        break;
    case TagNowPlaying:
        HandleNowPlaying(text);
        break;
    default:
        break;
    }
}

void CXBMCDevice::MatchPatterns(std::string_view text)
{
    if (m_patterns.empty())
        return;
    CCustomPatternMatcher::Scan(
        reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()), m_patterns,
        [this](size_t index)
        {
            const CXBMCChannel* channel = m_patternChannels[index];
            PostEvent(CDeviceEvent::MakeFloat(channel->GetId(), EventSetItemValue,
                                              static_cast<float>(channel->GetEventValue())));
        });
}

void CXBMCDevice::HandleVolume(std::string_view text)
{
    int32_t volume = CXBMCAnswer::FirstNumber(text);
    CXBMCChannel* channel = FindFeedbackChannel(XBMCKindVolume);
    if (!channel)
        return;
    channel->m_lastValue = volume;
    PostEvent(CDeviceEvent::MakeFloat(channel->GetId(), EventSetItemValue, static_cast<float>(volume)));
}

void CXBMCDevice::HandleCurrentPlaylist(std::string_view text)
{
    if (m_currentPlaylist.load() != -2)
        return;
    int32_t playlist = CXBMCAnswer::FirstNumber(text);
    m_currentPlaylist = playlist;
    if (playlist == 0 || playlist == 1)
    {
        // The contents' answer turns the shares mode into the matching playlist mode.
        m_libraryMode = playlist == 0 ? ModeMusicShares : ModeVideoShares;
        RequestPlaylistContents(playlist);
    }
    else
        ShowRoot();
}

void CXBMCDevice::HandlePlaylistContents(std::string_view text)
{
    m_libraryMode = m_libraryMode == ModeVideoShares ? ModeVideoPlaylist : ModeMusicPlaylist;
    m_playlistEntries = CXBMCAnswer::PlaylistEntries(text);
    ClearList();
    AddRow(0, "...");
    for (size_t i = 0; i < m_playlistEntries.size(); ++i)
        AddRow(static_cast<uint32_t>(i + 1), CXBMCAnswer::FileTitle(m_playlistEntries[i]));
}

void CXBMCDevice::HandleShares(std::string_view text, bool video)
{
    m_libraryMode = video ? ModeVideoShares : ModeMusicShares;
    m_shares = CXBMCAnswer::Shares(text);
    ClearList();
    AddRow(0, "...");
    for (size_t i = 0; i < m_shares.size(); ++i)
        AddRow(static_cast<uint32_t>(i + 1), m_shares[i].name);
}

void CXBMCDevice::HandleNowPlaying(std::string_view text)
{
    XBMCNowPlaying now = CXBMCAnswer::NowPlaying(text);
    bool changed = false;
    int32_t newRow = -1;
    std::string fileTitle;
    if (m_currentItem == -2)
    {
        m_currentItem = -1;
        changed = true;
    }
    if (now.nothingPlaying)
    {
        if (m_currentItem != -1)
        {
            m_previousItem = m_currentItem;
            m_currentItem = -1;
        }
        else if (!changed)
            return;
        now = XBMCNowPlaying{};
    }
    else
    {
        if (now.changed || m_currentItem == -1)
        {
            m_previousItem = m_currentItem;
            m_currentItem = -1;
            changed = true;
            fileTitle = CXBMCAnswer::FileTitle(now.fileName);
        }
        if (m_libraryMode == ModeMusicPlaylist && changed)
        {
            // The last entry the file name begins with is the one playing. An empty entry would
            // match every name and is passed over.
            for (size_t i = 0; i < m_playlistEntries.size(); ++i)
            {
                const std::string& entry = m_playlistEntries[i];
                if (!entry.empty() && now.fileName.compare(0, entry.size(), entry) == 0)
                {
                    m_currentItem = static_cast<int32_t>(i);
                    newRow = static_cast<int32_t>(i);
                    if (fileTitle.empty())
                        fileTitle = CXBMCAnswer::FileTitle(entry);
                }
            }
        }
        if (now.hasPercentage)
            if (CXBMCChannel* seek = FindFeedbackChannel(XBMCKindSeek))
                PostEvent(CDeviceEvent::MakeFloat(seek->GetId(), EventSetItemValue,
                                                  static_cast<float>(now.percentage)));
        if (!changed)
            return;
    }

    if (m_libraryMode == ModeMusicPlaylist)
    {
        if (m_previousItem >= 0)
            SelectRow(static_cast<uint32_t>(m_previousItem) + 1, false);
        if (newRow >= 0)
            SelectRow(static_cast<uint32_t>(newRow) + 1, true);
    }
    PostText(XBMCKindFileTitle, fileTitle);
    PostText(XBMCKindTitle, now.title);
    PostText(XBMCKindArtist, now.artist);
    PostText(XBMCKindAlbum, now.album);
    PostText(XBMCKindGenre, now.genre);
}

// ---- Events (callers hold the library lock) -----------------------------------------------------

void CXBMCDevice::PostText(uint8_t xbmcKind, const std::string& text)
{
    CXBMCChannel* channel = FindFeedbackChannel(xbmcKind);
    if (!channel)
        return;
    CDeviceEvent event = CDeviceEvent::Make(channel->GetId(), EventSetItemText, static_cast<uint32_t>(-1));
    event.SetArgumentText(WideCopy(text));
    PostEvent(event);
}

void CXBMCDevice::ClearList()
{
    if (CXBMCChannel* list = FindFeedbackChannel(XBMCKindLibrary))
        PostEvent(CDeviceEvent::Make(list->GetId(), EventListBoxClear));
}

void CXBMCDevice::AddRow(uint32_t row, const std::string& text)
{
    CXBMCChannel* list = FindFeedbackChannel(XBMCKindLibrary);
    if (!list)
        return;
    PostEvent(CDeviceEvent::Make(list->GetId(), EventListBoxAddRows, 1, row));
    CDeviceEvent event = CDeviceEvent::Make(list->GetId(), EventListBoxSetRowText, row);
    event.SetArgumentText(WideCopy(text));
    PostEvent(event);
}

void CXBMCDevice::SelectRow(uint32_t row, bool selected)
{
    if (CXBMCChannel* list = FindFeedbackChannel(XBMCKindLibrary))
        PostEvent(CDeviceEvent::Make(list->GetId(), EventListBoxSelectRow, row, selected ? 1 : 0));
}

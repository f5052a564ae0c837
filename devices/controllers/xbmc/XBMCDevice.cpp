#include "devices/controllers/xbmc/XBMCDevice.h"

#include "common/NerulanValue.h"
#include "devices/DeviceParams.h"
#include "devices/controllers/http/HttpValueFormat.h"
#include "devices/controllers/xbmc/XBMCCommand.h"

CXBMCDevice::CXBMCDevice()
{
    SetReadsBodies(true);
    // Texts and row texts are built by the driver.
    SupplyPayloadFor(EventSetItemText);
    SupplyPayloadFor(EventListBoxSetRowText);
}

CXBMCDevice::~CXBMCDevice()
{
    // The transport's thread may be inside an answer: it stops before the channels and entries go.
    DeleteTransport();
}

bool CXBMCDevice::Configure(DeviceParams* params)
{
    if (params && params->value != 0)
    {
        m_volumePoll.SetPeriod(params->value);
        m_playlistPoll.SetPeriod(params->value);
        m_nowPlayingPoll.SetPeriod(params->value);
    }
    return CHTTPDevice::Configure(params);
}

bool CXBMCDevice::AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                             uint32_t blobLength, const uint8_t* blob)
{
    auto channel = std::make_unique<CXBMCChannel>(id, valueType, reportKind, direction);
    channel->Load(blob, blobLength);
    if (channel->GetKind() == CustomKindFeedback && channel->GetXBMCKind() == XBMCKindCommand &&
        channel->GetByteLength() > 0)
    {
        m_patterns.push_back(CustomPattern{channel->GetBytes(), channel->GetByteLength()});
        m_patternChannels.push_back(channel.get());
    }
    m_channels.push_back(std::move(channel));
    return true;
}

CXBMCChannel* CXBMCDevice::FindChannel(uint32_t id) const
{
    for (const auto& channel : m_channels)
        if (channel->GetId() == id)
            return channel.get();
    return nullptr;
}

CXBMCChannel* CXBMCDevice::FindFeedbackChannel(uint8_t xbmcKind) const
{
    for (const auto& channel : m_channels)
        if (channel->GetXBMCKind() == xbmcKind && channel->GetMode() == 0)
            return channel.get();
    return nullptr;
}

std::string CXBMCDevice::LevelCommand(const CXBMCChannel& channel)
{
    int32_t value = channel.m_lastValue.load();
    return channel.GetXBMCKind() == XBMCKindVolume ? CXBMCCommand::SetVolume(value)
                                                   : CXBMCCommand::SeekPercentage(value);
}

bool CXBMCDevice::Press(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    CXBMCChannel* found = FindChannel(channel);
    if (!found || found->GetKind() != CustomKindPress || !GetHost())
        return false;
    switch (found->GetXBMCKind())
    {
    case XBMCKindVolume:
    case XBMCKindSeek:
        QueueCommand(LevelCommand(*found), TagCommand, found->GetRepeatCount());
        break;
    case XBMCKindCommand:
        if (found->GetByteLength() > 0)
            QueueCommand(
                std::string(reinterpret_cast<const char*>(found->GetBytes()), found->GetByteLength()),
                TagCommand, found->GetRepeatCount());
        break;
    default:
        break;
    }
    // A press is never reported as handled: the item goes on with its own feedback.
    return false;
}

bool CXBMCDevice::Release(uint16_t channel, CNerulanValue* value)
{
    (void)value;
    CXBMCChannel* found = FindChannel(channel);
    if (!found || !GetHost())
        return false;
    std::string path;
    uint8_t xbmcKind = found->GetXBMCKind();
    std::string bytes;
    if (found->GetBytes())
        bytes.assign(reinterpret_cast<const char*>(found->GetBytes()), found->GetByteLength());
    if (xbmcKind == XBMCKindVolume || xbmcKind == XBMCKindSeek)
        path = LevelCommand(*found);
    else if (xbmcKind == XBMCKindCommand && found->GetKind() == CustomKindRelease)
        path = bytes;
    else if (xbmcKind == XBMCKindCommand && found->GetKind() == CustomKindValue)
        CHttpValueFormat::Format(bytes.data(), bytes.size(), found->m_lastValue.load(), path);
    if (!path.empty())
        QueueCommand(path, TagCommand, found->GetRepeatCount());
    return false;
}

bool CXBMCDevice::SetValue(uint16_t channel, CNerulanValue* value)
{
    if (!value)
        return false;
    int32_t v = value->GetInt();
    CXBMCChannel* found = FindChannel(channel);
    if (!found)
        return false;
    uint8_t kind = found->GetKind();
    uint8_t xbmcKind = found->GetXBMCKind();
    bool level = xbmcKind == XBMCKindVolume || xbmcKind == XBMCKindSeek;
    if ((kind == CustomKindValue && xbmcKind == XBMCKindCommand) || (level && found->GetMode() == 0))
        found->m_lastValue = v;
    else if ((kind == CustomKindValue && xbmcKind == XBMCKindLibrary) ||
             found == FindFeedbackChannel(XBMCKindLibrary))
    {
        CCriticalSectionGuard guard(&m_libraryLock);
        Navigate(v);
    }
    return true;
}

bool CXBMCDevice::Update()
{
    if (!m_started)
    {
        // Each request brings its own connection: the device is online from now on.
        m_started = true;
        SetState(StateOnline);
    }
    else
    {
        PollStatus();
        DispatchEvents();
    }
    return CHTTPDevice::Update();
}

void CXBMCDevice::PollStatus()
{
    uint32_t now = Now();
    if (m_volumePoll.Due(now))
        QueueCommand(CXBMCCommand::GetVolume(), TagVolume, 1, true);
    if (m_currentPlaylist.load() == -2 && m_playlistPoll.Due(now))
        QueueCommand(CXBMCCommand::GetCurrentPlaylist(), TagCurrentPlaylist, 1, true);
    if (m_nowPlayingPoll.Due(now))
        QueueCommand(CXBMCCommand::GetCurrentlyPlaying(), TagNowPlaying, 1, true);
}

void CXBMCDevice::QueueCommand(const std::string& path, int32_t tag, uint32_t times, bool once)
{
    // The builder is shared by the tick thread and the transport thread (answers queue too).
    CCriticalSectionGuard guard(SendLock());
    if (!OutStream().BuildHttpGetRequest(path.data(), static_cast<uint32_t>(path.size()), GetHost()))
        return;
    OutStream().AppendHttpHeaderEnd();
    for (uint32_t i = 0; i < times; ++i)
    {
        if (once)
            CHTTPDevice::QueueRequestOnce(tag);
        else
            CHTTPDevice::QueueRequest(tag);
    }
}

uint8_t CXBMCDevice::GetLibraryMode()
{
    CCriticalSectionGuard guard(&m_libraryLock);
    return m_libraryMode;
}

int32_t CXBMCDevice::GetCurrentItem()
{
    CCriticalSectionGuard guard(&m_libraryLock);
    return m_currentItem;
}

size_t CXBMCDevice::GetPlaylistEntryCount()
{
    CCriticalSectionGuard guard(&m_libraryLock);
    return m_playlistEntries.size();
}

size_t CXBMCDevice::GetShareCount()
{
    CCriticalSectionGuard guard(&m_libraryLock);
    return m_shares.size();
}

// ---- The library list box (callers hold the library lock) ------------------------------------

void CXBMCDevice::Navigate(int32_t row)
{
    if (row < 0)
        return;
    auto entry = static_cast<size_t>(row) - 1;
    switch (m_libraryMode)
    {
    case ModeRoot:
        if (row == 0)
            QueueCommand(CXBMCCommand::GetShares(false), TagMusicShares);
        else if (row == 1)
            QueueCommand(CXBMCCommand::GetShares(true), TagVideoShares);
        break;
    case ModeMusicShares:
    case ModeVideoShares:
        if (row == 0)
            ShowRoot();
        else
            OpenShare(entry, m_libraryMode == ModeMusicShares ? 0 : 1);
        break;
    case ModeMusicPlaylist:
    case ModeVideoPlaylist:
        if (row == 0)
            QueueCommand(CXBMCCommand::GetShares(m_libraryMode == ModeVideoPlaylist),
                         m_libraryMode == ModeVideoPlaylist ? TagVideoShares : TagMusicShares);
        else if (entry < m_playlistEntries.size())
            QueueCommand(CXBMCCommand::PlayFile(m_playlistEntries[entry]), TagCommand);
        break;
    default:
        break;
    }
}

void CXBMCDevice::ShowRoot()
{
    m_libraryMode = ModeRoot;
    ClearList();
    AddRow(0, "Music");
    AddRow(1, "Video");
}

void CXBMCDevice::OpenShare(size_t index, int32_t playlist)
{
    // A row the entries no longer hold (the list changed under the finger) opens nothing; in
    // particular it does not clear the playlist.
    if (index >= m_shares.size())
        return;
    m_currentItem = -1;
    QueueCommand(CXBMCCommand::ClearPlayList(playlist), TagCommand);
    QueueCommand(CXBMCCommand::AddToPlayList(m_shares[index].path, playlist), TagCommand);
    QueueCommand(CXBMCCommand::SetCurrentPlaylist(playlist), TagCommand);
    RequestPlaylistContents(playlist);
}

void CXBMCDevice::RequestPlaylistContents(int32_t playlist)
{
    // The media centre writes the new item's thumbnail: every dynamic image fetches again.
    PostEvent(CDeviceEvent::Make(0, EventRefreshAllDynamicImages));
    QueueCommand(CXBMCCommand::GetPlaylistContents(playlist), TagPlaylistContents);
}

#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/NerulanCriticalSection.h"
#include "devices/PollTimer.h"
#include "devices/controllers/custom/CustomPatternMatcher.h"
#include "devices/controllers/http/HTTPDevice.h"
#include "devices/controllers/xbmc/XBMCAnswer.h"
#include "devices/controllers/xbmc/XBMCChannel.h"

// Controls an XBMC media centre through its HTTP command interface (one GET per command, one
// connection per request, CHTTPDevice). Every poll period it asks for the volume, the playing item
// and, until it is known, the current playlist; it shows the music and video shares and the
// current playlist in one list box, plays what the user picks there, and shows the playing item's
// file title, title, artist, album and genre in text items.
//
// Threads: Update, Press, Release and SetValue (with the list box's navigation) run on the tick
// thread, answers (OnResponseData) on the transport thread. Both queue requests, built in the
// HTTP device's request builder under the send lock. What both read and change - the list box's
// mode, the playlist and share entries, the playing item's indexes - is held by the library lock,
// so navigation never reads entries that an answer is replacing. The events of one change are
// posted under that lock too, so the list box sees them in the order the changes were made.
// Lock order: the library lock, then the send lock (and the queue's and the ring's own).
//
// The three polls are queued only when no request of their tag is waiting: a media centre that
// does not answer makes each poll time out one after the other, and without that check the polls
// would pile up faster than they fail and hold the user's commands back.
class CXBMCDevice : public CHTTPDevice
{
public:
    static constexpr uint32_t kDefaultPollPeriod = 2000;
    // The most of an answer read (the HTTP device's receive buffer); a chunked answer is
    // gathered up to this.
    static constexpr size_t kMaxAnswer = 524288;

    // What the list box shows.
    enum LibraryMode : uint8_t
    {
        ModeRoot = 0,
        ModeMusicShares = 1,
        ModeVideoShares = 2,
        ModeMusicPlaylist = 3,
        ModeVideoPlaylist = 4,
    };

    // The tag of each request, by which its answer is read.
    enum RequestTag : int32_t
    {
        TagCommand = 0,
        TagVolume = 1,
        TagCurrentPlaylist = 3,
        TagPlaylistContents = 4,
        TagMusicShares = 6,
        TagNowPlaying = 7,
        TagVideoShares = 8,
    };

    CXBMCDevice();
    ~CXBMCDevice() override;

    bool Configure(DeviceParams* params) override;
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Press(uint16_t channel, CNerulanValue* value) override;
    bool Release(uint16_t channel, CNerulanValue* value) override;
    bool SetValue(uint16_t channel, CNerulanValue* value) override;
    bool Update() override;

    // Transport thread: the answer to the request CurrentTag() names.
    void OnResponseData(uint8_t part, const uint8_t* bytes, uint32_t length) override;

    uint32_t GetPollPeriod() const { return m_volumePoll.GetPeriod(); }
    uint8_t GetLibraryMode();
    int32_t GetCurrentPlaylist() const { return m_currentPlaylist.load(); }
    int32_t GetCurrentItem();
    size_t GetPlaylistEntryCount();
    size_t GetShareCount();

private:
    CXBMCChannel* FindChannel(uint32_t id) const;
    // The first mode-0 channel of an XBMC kind; null when there is none.
    CXBMCChannel* FindFeedbackChannel(uint8_t xbmcKind) const;

    // Builds the GET of a path and queues it `times` times; with `once` it is not queued when a
    // request of the tag is already waiting.
    void QueueCommand(const std::string& path, int32_t tag, uint32_t times = 1, bool once = false);
    // The SetVolume or SeekPercentage command of a volume or seek channel, with its value.
    static std::string LevelCommand(const CXBMCChannel& channel);
    void PollStatus();

    // Library (callers hold the library lock).
    void Navigate(int32_t row);
    void ShowRoot();
    void OpenShare(size_t index, int32_t playlist);
    void RequestPlaylistContents(int32_t playlist);
    void ClearList();
    void AddRow(uint32_t row, const std::string& text);
    void SelectRow(uint32_t row, bool selected);

    // Answers (XBMCDeviceAnswers.cpp), transport thread.
    void HandleAnswer(int32_t tag, std::string_view text);
    void MatchPatterns(std::string_view text);
    void HandleVolume(std::string_view text);
    void HandleCurrentPlaylist(std::string_view text);
    void HandlePlaylistContents(std::string_view text);
    void HandleShares(std::string_view text, bool video);
    void HandleNowPlaying(std::string_view text);
    void PostText(uint8_t xbmcKind, const std::string& text);

    std::vector<std::unique_ptr<CXBMCChannel>> m_channels;
    // The answer patterns (channel kind 3, XBMC kind 0), in channel order: built while loading,
    // only read by the transport thread afterwards.
    std::vector<CustomPattern> m_patterns;
    std::vector<const CXBMCChannel*> m_patternChannels;

    CNerulanCriticalSection m_libraryLock;
    uint8_t m_libraryMode = ModeRoot;
    std::vector<std::string> m_playlistEntries;
    std::vector<XBMCShare> m_shares;
    int32_t m_currentItem = -2;
    int32_t m_previousItem = -2;

    // -2 until the media centre has told which playlist is current.
    std::atomic<int32_t> m_currentPlaylist{-2};
    CPollTimer m_volumePoll{kDefaultPollPeriod};
    CPollTimer m_playlistPoll{kDefaultPollPeriod};
    CPollTimer m_nowPlayingPoll{kDefaultPollPeriod};
    bool m_started = false;

    // The chunks of a chunked answer, gathered until its end (under the library lock).
    std::string m_chunks;
};

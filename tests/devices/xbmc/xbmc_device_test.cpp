// The XBMC driver against a scripted media centre on 127.0.0.1: the exact poll requests, the
// volume, the list box filled from playlist and share answers and the user's picks, the texts
// of the playing item, and a media centre that is down, fails or sends garbage.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "devices/DeviceFactory.h"
#include "devices/controllers/xbmc/XBMCCommand.h"
#include "devices/support/TransportTestDevice.h"
#include "support/XbmcHarness.h"

using namespace xbmc_test;

namespace
{
enum : uint16_t
{
    kVolume = 1,
    kSeek = 2,
    kList = 3,
    kFileTitle = 4,
    kTitle = 5,
    kArtist = 6,
    kAlbum = 7,
    kGenre = 8,
    kPause = 9,
    kOkPattern = 10,
    kLevelFormat = 11,
    kFixedVolume = 12,
};

const char* kNowPlayingCommand = "GetCurrentlyPlaying(special%3A%5C%5Cxbmc%5Cweb%5Cthumb.jpg)";

class XbmcDevice : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(h.peer.Ok());
        h.AddChannel(kVolume, Blob({CustomKindValue, XBMCKindVolume, 0}));
        h.AddChannel(kSeek, Blob({CustomKindValue, XBMCKindSeek, 0}));
        h.AddChannel(kList, Blob({CustomKindValue, XBMCKindLibrary}));
        for (uint8_t kind = XBMCKindFileTitle; kind <= XBMCKindGenre; ++kind)
            h.AddChannel(kind, Blob({0, kind}));
        h.AddChannel(kPause, Blob({CustomKindPress, XBMCKindCommand}, "/xbmcCmds/xbmcHttp?command=Pause()"));
        h.AddChannel(kOkPattern, Blob({CustomKindFeedback, XBMCKindCommand}, "<li>OK", 7));
        h.AddChannel(kLevelFormat,
                     Blob({CustomKindValue, XBMCKindCommand}, "/xbmcCmds/xbmcHttp?command=SetVolume(%d)"));
        h.AddChannel(kFixedVolume, Blob({CustomKindPress, XBMCKindVolume, 1, 80, 0, 0, 0}));
    }

    // The first poll cycle: volume 57, the given current playlist and now-playing answers.
    void FirstCycle(const std::string& playlistAnswer,
                    const std::string& nowPlaying = "<html>\n<li>Filename:[Nothing Playing]\n</html>")
    {
        ASSERT_TRUE(h.Start());
        ASSERT_EQ(h.NextCommand(), "GetVolume()");
        h.Answer("<html>\n<li>57\n</html>");
        ASSERT_EQ(h.NextCommand(), "GetCurrentPlaylist()");
        h.Answer(playlistAnswer);
        ASSERT_EQ(h.NextCommand(), kNowPlayingCommand);
        h.Answer(nowPlaying);
    }

    std::vector<std::string> Texts()
    {
        std::vector<std::string> texts;
        for (const Seen& s : h.sink.Of("text"))
            texts.push_back(std::to_string(s.address & 0xFFFF) + "=" + s.text);
        return texts;
    }

    XbmcHarness h;
};

TEST_F(XbmcDevice, PollsWithTheExactRequestsAndShowsTheVolume)
{
    ASSERT_TRUE(h.Start());
    EXPECT_EQ(h.NextRequest(), XbmcHarness::Get("GetVolume()"));
    h.Answer("<html>\n<li>57\n</html>");
    EXPECT_EQ(h.NextRequest(), XbmcHarness::Get("GetCurrentPlaylist()"));
    h.Answer("<html>\n<li>-1\n</html>");
    EXPECT_EQ(h.NextRequest(), XbmcHarness::Get(kNowPlayingCommand));
    h.Answer("<html>\n<li>Filename:[Nothing Playing]\n</html>");
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Of("text").size() == 5; }));

    auto values = h.sink.Of("value");
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0].address, XbmcHarness::Address(kVolume));
    EXPECT_EQ(values[0].a, 57);
    // Playlist -1: the root of the library.
    EXPECT_EQ(h.sink.Rows(), (std::vector<std::string>{"Music", "Video"}));

    // One period on: volume and now playing again, the playlist no more (it is known).
    h.Advance(2001);
    EXPECT_EQ(h.NextCommand(), "GetVolume()");
    h.Answer("<html>\n<li>60\n</html>");
    EXPECT_EQ(h.NextCommand(), kNowPlayingCommand);
    h.Answer("<html>\n<li>Filename:[Nothing Playing]\n</html>");
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Of("value").size() == 2; }));
    EXPECT_EQ(h.sink.Of("value")[1].a, 60);
    // Not before the period has passed again.
    h.Advance(1000);
    for (int i = 0; i < 20; ++i)
        h.Tick();
    EXPECT_EQ(h.Requests().size(), 5u);
    EXPECT_EQ(h.device->QueuedRequests(), 0);
}

TEST_F(XbmcDevice, TakesThePollPeriodFromItsRecord)
{
    ASSERT_TRUE(h.Start(500));
    EXPECT_EQ(h.device->GetPollPeriod(), 500u);
    ASSERT_EQ(h.NextCommand(), "GetVolume()");
    h.Answer("<li>1\n");
    ASSERT_EQ(h.NextCommand(), "GetCurrentPlaylist()");
    h.Answer("<li>5\n");
    ASSERT_EQ(h.NextCommand(), kNowPlayingCommand);
    h.Answer("<li>Filename:[Nothing Playing]\n");
    h.Advance(501);
    EXPECT_EQ(h.NextCommand(), "GetVolume()");
}

TEST_F(XbmcDevice, FillsTheListBoxFromPlaylistAndShares)
{
    FirstCycle("<html>\n<li>0\n</html>");
    // Music playlist: the thumbnail refresh, then its contents.
    EXPECT_EQ(h.NextCommand(), "GetPlaylistContents(0)");
    h.Answer("<html>\n<li>C:\\Music\\One.mp3\n<li>C:\\Music\\Two & Three.mp3</html>\n<li>C:\\x.mp3\n");
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Rows().size() == 3; }));
    EXPECT_EQ(h.sink.Rows(), (std::vector<std::string>{"...", "One", "Two & Three"}));
    EXPECT_EQ(h.sink.Of("refresh").size(), 1u);
    EXPECT_EQ(h.device->GetLibraryMode(), CXBMCDevice::ModeMusicPlaylist);

    // Row 2 plays the second entry, its name encoded.
    EXPECT_TRUE(SetValue(*h.device, kList, 2));
    EXPECT_EQ(h.NextCommand(), "PlayFile(C%3A%5CMusic%5CTwo%20%26%20Three.mp3)");
    h.Answer("<html>\n<li>OK\n</html>");

    // Row 0 ("...") lists the music shares.
    EXPECT_TRUE(SetValue(*h.device, kList, 0));
    EXPECT_EQ(h.NextCommand(), "GetShares(music)");
    h.Answer("<html>\n<li>Music;C:\\Music\\\n<li>NAS;smb://nas/a+b #1/\n</html>\n");
    ASSERT_TRUE(h.TickUntil(
        [&] {
            return h.sink.Rows() == std::vector<std::string>{"...", "Music", "NAS"};
        }));
    EXPECT_EQ(h.sink.Rows(), (std::vector<std::string>{"...", "Music", "NAS"}));
    EXPECT_EQ(h.device->GetLibraryMode(), CXBMCDevice::ModeMusicShares);

    // Opening the second share into the music playlist.
    h.sink.Clear();
    EXPECT_TRUE(SetValue(*h.device, kList, 2));
    EXPECT_EQ(h.NextCommand(), "ClearPlayList(0)");
    h.Answer("<li>OK\n");
    EXPECT_EQ(h.NextCommand(), "AddToPlayList(smb%3A%2F%2Fnas%2Fa%2Bb%20%231%2F;0)");
    h.Answer("<li>OK\n");
    EXPECT_EQ(h.NextCommand(), "SetCurrentPlaylist(0)");
    h.Answer("<li>OK\n");
    EXPECT_EQ(h.NextCommand(), "GetPlaylistContents(0)");
    h.Answer("<html>\n<li>[Empty]\n</html>");
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Rows().size() == 1; }));
    EXPECT_EQ(h.sink.Rows(), (std::vector<std::string>{"..."}));
    EXPECT_EQ(h.device->GetPlaylistEntryCount(), 0u);

    // A share row beyond the list sends nothing; row 0 of the shares shows the root.
    EXPECT_TRUE(SetValue(*h.device, kList, 0));
    EXPECT_EQ(h.NextCommand(), "GetShares(music)");
    h.Answer("<html>\n<li>Music;C:\\Music\\\n</html>\n");
    ASSERT_TRUE(h.TickUntil([&] { return h.device->GetShareCount() == 1; }));
    size_t before = h.Requests().size();
    EXPECT_TRUE(SetValue(*h.device, kList, 5));
    EXPECT_TRUE(SetValue(*h.device, kList, 0));
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Rows() == std::vector<std::string>{"Music", "Video"}; }));
    EXPECT_EQ(h.device->GetLibraryMode(), CXBMCDevice::ModeRoot);
    // The root: row 1 lists the video shares.
    EXPECT_TRUE(SetValue(*h.device, kList, 1));
    EXPECT_EQ(h.NextCommand(), "GetShares(video)");
    EXPECT_EQ(h.Requests().size(), before + 1);
}

TEST_F(XbmcDevice, ReadsAChunkedAnswerWhenItIsWhole)
{
    FirstCycle("<html>\n<li>0\n</html>");
    EXPECT_EQ(h.NextCommand(), "GetPlaylistContents(0)");
    // The entry lines arrive split across chunks and sends.
    auto chunk = [](const std::string& data)
    {
        char size[16];
        std::snprintf(size, sizeof size, "%zX\r\n", data.size());
        return size + data + "\r\n";
    };
    h.AnswerRaw(PeerText(("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n" +
                          chunk("<html>\n<li>C:"))
                             .c_str()));
    ASSERT_TRUE(h.TickUntil([&] { return h.device->GetPhase() == CHTTPDevice::PhaseReadingBody; }));
    h.AnswerRaw(PeerText((chunk("\\A.mp3\n<li>C:\\B") + chunk(".mp3</ht")).c_str()));
    h.AnswerRaw(PeerText((chunk("ml>") + "0\r\n\r\n").c_str()));
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Rows().size() == 3; }));
    EXPECT_EQ(h.sink.Rows(), (std::vector<std::string>{"...", "A", "B"}));
    EXPECT_EQ(h.sink.Of("clear").size(), 1u);
}

TEST_F(XbmcDevice, VideoPlaylistOpensAndPlaysVideos)
{
    FirstCycle("<html>\n<li>1\n</html>");
    EXPECT_EQ(h.NextCommand(), "GetPlaylistContents(1)");
    h.Answer("<html>\n<li>D:\\Films\\Film.mkv\n</html>\n");
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Rows().size() == 2; }));
    EXPECT_EQ(h.device->GetLibraryMode(), CXBMCDevice::ModeVideoPlaylist);
    EXPECT_TRUE(SetValue(*h.device, kList, 0));
    EXPECT_EQ(h.NextCommand(), "GetShares(video)");
    h.Answer("<li>Films;D:\\Films\\\n</html>");
    ASSERT_TRUE(h.TickUntil([&] { return h.device->GetShareCount() == 1; }));
    EXPECT_TRUE(SetValue(*h.device, kList, 1));
    EXPECT_EQ(h.NextCommand(), "ClearPlayList(1)");
    h.Answer("<li>OK\n");
    EXPECT_EQ(h.NextCommand(), "AddToPlayList(D%3A%5CFilms%5C;1)");
    h.Answer("<li>OK\n");
    EXPECT_EQ(h.NextCommand(), "SetCurrentPlaylist(1)");
}

TEST_F(XbmcDevice, ShowsTheItemPlayingAndClearsItWhenNothingPlays)
{
    // The first answer with a file playing shows its texts without "Changed:True".
    FirstCycle("<html>\n<li>0\n</html>",
               "<html>\n<li>Filename:C:\\Music\\Two.mp3\n<li>Percentage:12\n<li>Title:Second\n"
               "<li>Artist:Band\n<li>Album:Record\n<li>Genre:\n</html>\n");
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Of("text").size() == 5; }));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"4=Two", "5=Second", "6=Band", "7=Record", "8="}));
    auto values = h.sink.Of("value");
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1].address, XbmcHarness::Address(kSeek));
    EXPECT_EQ(values[1].a, 12);
    EXPECT_EQ(h.NextCommand(), "GetPlaylistContents(0)");
    h.Answer("<html>\n<li>C:\\Music\\One.mp3\n<li>C:\\Music\\Two.mp3\n</html>\n");
    ASSERT_TRUE(h.TickUntil([&] { return h.device->GetPlaylistEntryCount() == 2; }));

    // In the playlist the item playing is found and its row selected.
    h.sink.Clear();
    h.Advance(2001);
    EXPECT_EQ(h.NextCommand(), "GetVolume()");
    h.Answer("<li>57\n");
    EXPECT_EQ(h.NextCommand(), kNowPlayingCommand);
    h.Answer("<html>\n<li>Filename:C:\\Music\\Two.mp3\n<li>Percentage:13\n<li>Title:Second\n</html>\n");
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Of("text").size() == 5; }));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"4=Two", "5=Second", "6=", "7=", "8="}));
    EXPECT_EQ(h.device->GetCurrentItem(), 1);
    auto selects = h.sink.Of("select");
    ASSERT_EQ(selects.size(), 1u);
    EXPECT_EQ(selects[0].address, XbmcHarness::Address(kList));
    EXPECT_EQ(selects[0].a, 2);
    EXPECT_EQ(selects[0].b, 1);

    // Playing on without a change: only the position moves.
    h.sink.Clear();
    h.Advance(2001);
    EXPECT_EQ(h.NextCommand(), "GetVolume()");
    h.Answer("<li>57\n");
    EXPECT_EQ(h.NextCommand(), kNowPlayingCommand);
    h.Answer("<html>\n<li>Filename:C:\\Music\\Two.mp3\n<li>Percentage:14\n<li>Title:Second\n</html>\n");
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Of("value").size() == 2; }));
    EXPECT_EQ(h.sink.Of("value")[1].a, 14);
    EXPECT_TRUE(h.sink.Of("text").empty());
    EXPECT_TRUE(h.sink.Of("select").empty());

    // Nothing playing: the row is deselected and the five texts cleared.
    h.Advance(2001);
    EXPECT_EQ(h.NextCommand(), "GetVolume()");
    h.Answer("<li>57\n");
    EXPECT_EQ(h.NextCommand(), kNowPlayingCommand);
    h.Answer("<html>\n<li>Filename:[Nothing Playing]\n</html>\n");
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Of("text").size() == 5; }));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"4=", "5=", "6=", "7=", "8="}));
    selects = h.sink.Of("select");
    ASSERT_EQ(selects.size(), 1u);
    EXPECT_EQ(selects[0].a, 2);
    EXPECT_EQ(selects[0].b, 0);
    EXPECT_EQ(h.device->GetCurrentItem(), -1);

    // A second such answer changes nothing.
    h.sink.Clear();
    h.Advance(2001);
    EXPECT_EQ(h.NextCommand(), "GetVolume()");
    h.Answer("<li>58\n");
    EXPECT_EQ(h.NextCommand(), kNowPlayingCommand);
    h.Answer("<html>\n<li>Filename:[Nothing Playing]\n</html>\n");
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Of("value").size() == 1; }));
    for (int i = 0; i < 20; ++i)
        h.Tick();
    EXPECT_TRUE(h.sink.Of("text").empty());
    EXPECT_TRUE(h.sink.Of("select").empty());

    // A change: the new item's texts and row.
    h.Advance(2001);
    EXPECT_EQ(h.NextCommand(), "GetVolume()");
    h.Answer("<li>58\n");
    EXPECT_EQ(h.NextCommand(), kNowPlayingCommand);
    h.Answer("<html>\n<li>Filename:C:\\Music\\One.mp3\n<li>Changed:True\n<li>Title:First\n</html>\n");
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Of("text").size() == 5; }));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"4=One", "5=First", "6=", "7=", "8="}));
    EXPECT_EQ(h.device->GetCurrentItem(), 0);
    selects = h.sink.Of("select");
    ASSERT_EQ(selects.size(), 1u);
    EXPECT_EQ(selects[0].a, 1);
    EXPECT_EQ(selects[0].b, 1);
}

TEST_F(XbmcDevice, SendsVolumeSeekAndCommandChannels)
{
    FirstCycle("<html>\n<li>-1\n</html>");

    // A volume slider stores each value and sends the last one on release.
    EXPECT_TRUE(SetValue(*h.device, kVolume, 30));
    EXPECT_TRUE(SetValue(*h.device, kVolume, 42));
    EXPECT_FALSE(h.device->Release(kVolume, nullptr));
    EXPECT_EQ(h.NextCommand(), "SetVolume(42)");
    h.Answer("<li>OK\n");
    EXPECT_TRUE(SetValue(*h.device, kSeek, 75));
    h.device->Release(kSeek, nullptr);
    EXPECT_EQ(h.NextCommand(), "SeekPercentage(75)");
    h.Answer("<li>OK\n");
    // A mode-1 button sends its fixed value; a value does not change it.
    EXPECT_TRUE(SetValue(*h.device, kFixedVolume, 5));
    EXPECT_FALSE(h.device->Press(kFixedVolume, nullptr));
    EXPECT_EQ(h.NextCommand(), "SetVolume(80)");
    h.Answer("<li>OK\n");
    // A command channel sends its path; its answer is matched against the patterns.
    h.sink.Clear();
    EXPECT_FALSE(h.device->Press(kPause, nullptr));
    EXPECT_EQ(h.NextCommand(), "Pause()");
    h.Answer("<html>\n<li>OK\n</html>");
    ASSERT_TRUE(h.TickUntil([&] { return !h.sink.Of("value").empty(); }));
    EXPECT_EQ(h.sink.Of("value")[0].address, XbmcHarness::Address(kOkPattern));
    EXPECT_EQ(h.sink.Of("value")[0].a, 7);
    // A value format takes exactly one integer.
    EXPECT_TRUE(SetValue(*h.device, kLevelFormat, 33));
    h.device->Release(kLevelFormat, nullptr);
    EXPECT_EQ(h.NextCommand(), "SetVolume(33)");
    h.Answer("<li>Error\n");
    // Channels that send nothing.
    EXPECT_FALSE(h.device->Press(kVolume, nullptr));
    EXPECT_FALSE(h.device->Press(99, nullptr));
    EXPECT_FALSE(SetValue(*h.device, 99, 1));
    EXPECT_FALSE(h.device->SetValue(kVolume, nullptr));
    for (int i = 0; i < 20; ++i)
        h.Tick();
    EXPECT_EQ(h.Requests().size(), 8u);
}

TEST_F(XbmcDevice, ErrorsAndFailedRequestsEndOnlyThatRequest)
{
    ASSERT_TRUE(h.Start());
    ASSERT_EQ(h.NextCommand(), "GetVolume()");
    h.Answer("<html>\n<li>Error:Bad\n</html>", 404);
    // The device goes on with the next request and the next period.
    ASSERT_EQ(h.NextCommand(), "GetCurrentPlaylist()");
    h.Answer("<html>\n<li>Error:Unknown\n</html>");
    ASSERT_EQ(h.NextCommand(), kNowPlayingCommand);
    h.Answer("", 500);
    h.Advance(2001);
    EXPECT_EQ(h.NextCommand(), "GetVolume()");
    h.Answer("<li>44\n");
    // The error answer left the playlist unknown: it is asked for again.
    EXPECT_EQ(h.NextCommand(), "GetCurrentPlaylist()");
    h.Answer("<li>-1\n");
    EXPECT_EQ(h.NextCommand(), kNowPlayingCommand);
    h.Answer("<li>Filename:[Nothing Playing]\n");
    ASSERT_TRUE(h.TickUntil([&] { return h.sink.Of("value").size() == 1; }));
    EXPECT_EQ(h.sink.Of("value")[0].a, 44);
    EXPECT_EQ(h.device->GetCurrentPlaylist(), -1);
}

TEST_F(XbmcDevice, GarbageAnswersLeaveItRunning)
{
    ASSERT_TRUE(h.Start());
    for (uint32_t round = 0; round < 12; ++round)
    {
        ASSERT_FALSE(h.NextCommand().empty()) << round;
        std::vector<uint8_t> noise = PeerGarbage(3000, round + 1);
        std::string text(noise.begin(), noise.end());
        switch (round % 4)
        {
        case 0: // no HTTP at all: the request times out
        {
            // The time-out counts from the last bytes read, so the clock moves only once the
            // noise is in (or has ended the request).
            const uint64_t before = h.device->received;
            h.AnswerRaw(noise);
            ASSERT_TRUE(h.TickUntil(
                [&]
                {
                    return h.device->received >= before + noise.size() ||
                           h.device->GetPhase() != CHTTPDevice::PhaseAwaitingHead;
                }));
            h.Advance(5001);
            break;
        }
        case 1: // noise as the body of a good head
            h.Answer(text);
            break;
        case 2: // noise inside the lines the driver reads
            h.Answer("<html>\n<li>" + text + "\n<li>Filename:" + text +
                     "<li>Changed:True\n<li>Title:" + text + "</html>");
            break;
        default: // a head that ends the connection early
            h.AnswerRaw(
                PeerText("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 100\r\n\r\n<li>"));
            h.peer.CloseClient();
            break;
        }
        // The next period's polls, whatever became of these.
        h.Advance(2001);
    }
    // Still polling, still reading good answers. Whatever still waits times out first; then every
    // new request is answered in turn (an empty page for the other polls) until the volume is asked.
    h.sink.Clear();
    size_t seen = h.Requests().size();
    h.Advance(5001);
    ASSERT_TRUE(h.TickUntil(
        [&]
        {
            std::vector<std::string> requests = h.Requests();
            while (seen < requests.size())
            {
                if (requests[seen++].find("GetVolume()") != std::string::npos)
                    return h.Answer("<li>12\n");
                h.Answer("<html>\n</html>");
            }
            return false;
        }));
    ASSERT_TRUE(h.TickUntil([&] { return !h.sink.Of("value").empty(); }));
    EXPECT_EQ(h.sink.Of("value").back().a, 12);
}

TEST_F(XbmcDevice, ADownMediaCentreDoesNotMakeTheQueueGrow)
{
    h.peer.SetRefusing(true);
    ASSERT_TRUE(h.Start(100));
    int32_t most = 0;
    for (int period = 0; period < 40; ++period)
    {
        h.Advance(101);
        for (int i = 0; i < 5; ++i)
        {
            h.Tick();
            most = std::max(most, h.device->QueuedRequests());
        }
    }
    // One of each poll at most, in flight or waiting.
    EXPECT_LE(most, 3);
    // A command still gets its place.
    EXPECT_FALSE(h.device->Press(kPause, nullptr));
    EXPECT_TRUE(h.device->HasQueued(CXBMCDevice::TagCommand));
    EXPECT_LE(h.device->QueuedRequests(), 4);
    // Back up: the polls reach it.
    h.peer.SetRefusing(false);
    std::string command;
    ASSERT_TRUE(h.TickUntil(
        [&]
        {
            h.Advance(101);
            return h.Requests().size() >= 1;
        }));
}
} // namespace

namespace
{
TEST(XbmcFactory, TheDeviceTableMakesTheDriverWithItsPollPeriod)
{
    CDeviceFactory factory;
    bool known = false;
    std::unique_ptr<CAbstractDevice> device(factory.Create(0xF1, "127.0.0.1", 8080, "250", known));
    EXPECT_TRUE(known);
    auto* xbmc = dynamic_cast<CXBMCDevice*>(device.get());
    ASSERT_NE(xbmc, nullptr);
    EXPECT_EQ(xbmc->GetPollPeriod(), 250u);
    EXPECT_STREQ(xbmc->GetHost(), "127.0.0.1");
    EXPECT_TRUE(xbmc->ReadsBodies());

    // No period in the record: the driver's own.
    std::unique_ptr<CAbstractDevice> plain(factory.Create(0xF1, "127.0.0.1", 8080, nullptr, known));
    ASSERT_NE(dynamic_cast<CXBMCDevice*>(plain.get()), nullptr);
    EXPECT_EQ(static_cast<CXBMCDevice*>(plain.get())->GetPollPeriod(), CXBMCDevice::kDefaultPollPeriod);
}
} // namespace

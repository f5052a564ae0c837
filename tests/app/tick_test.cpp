// The tick loop: one loader record per tick while loading, pointer events held until loading
// ends, the order of a running tick, the quit request, and the stop order.
#include <gtest/gtest.h>

#include <SDL.h>

#include <algorithm>

#include "platform/Clock.h"
#include "support/AppTestSupport.h"

namespace
{
class TickTest : public ::testing::Test
{
protected:
    HeadlessSdl m_sdl;
};

TEST_F(TickTest, LoadingReadsOneRecordPerTickAndPointerEventsWait)
{
    CRecordingClientDlg dialog;
    dialog.recordsLeft = 2;
    dialog.EnableFlush();
    dialog.OnLButtonDown(10, 20);
    dialog.OnMouseMove(11, 21);

    dialog.Tick();
    dialog.Tick();
    EXPECT_EQ(dialog.Joined(), "load, flush, load, flush");
    dialog.OnLButtonUp(12, 22); // arrives during loading
    EXPECT_FALSE(dialog.IsLoaded());

    // The last record: the devices connect, the events still wait for the next tick.
    dialog.ClearCalls();
    dialog.Tick();
    EXPECT_EQ(dialog.Joined(), "load, connect, flush");
    EXPECT_TRUE(dialog.IsLoaded());
    EXPECT_EQ(dialog.GetMouseQueue()->GetCount(), 3);

    // The first tick after loading dispatches all of them, in arrival order, before the update.
    dialog.ClearCalls();
    dialog.Tick();
    EXPECT_EQ(dialog.Joined(),
              "dispatch 2 10 20, dispatch 0 11 21, dispatch 1 12 22, update, devices, flush");
    EXPECT_EQ(dialog.GetMouseQueue()->GetCount(), 0);

    dialog.ClearCalls();
    dialog.Tick();
    EXPECT_EQ(dialog.Joined(), "update, devices, flush");
    dialog.Shutdown();
}

TEST_F(TickTest, NothingFlushesBeforeTheStartUpHasEnded)
{
    CRecordingClientDlg dialog;
    dialog.Tick();
    dialog.Tick();
    EXPECT_EQ(dialog.Joined(), "load, connect, update, devices");
    dialog.Shutdown();
}

TEST_F(TickTest, FirstUpdateGetsTheWholeStartUpTime)
{
    CRecordingClientDlg dialog;
    dialog.recordsLeft = 1;
    // The start-up lasts far longer than the later tick, however a busy machine delays the latter.
    platform::SleepMs(300);
    dialog.Tick(); // a record
    dialog.Tick(); // the last one
    dialog.Tick();
    platform::SleepMs(10);
    dialog.Tick();
    std::vector<uint32_t> updates = dialog.Updates();
    ASSERT_EQ(updates.size(), 2u);
    EXPECT_GE(updates[0], 300u);
    EXPECT_GE(updates[1], 10u);
    EXPECT_LT(updates[1], updates[0] + 10);
    dialog.Shutdown();
}

TEST_F(TickTest, QuitAsksTheMainThreadOnceWithoutWaiting)
{
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    CRecordingClientDlg dialog;
    dialog.Tick(); // loaded
    dialog.running = false;
    dialog.ClearCalls();
    dialog.Tick();
    dialog.Tick();
    // The devices are still updated on the ticks until the tick thread stops.
    EXPECT_EQ(dialog.Joined(), "update, devices, update, devices");
    EXPECT_TRUE(dialog.IsQuitRequested());

    SDL_Event events[4];
    int count =
        SDL_PeepEvents(events, 4, SDL_GETEVENT, CClientDlg::CloseEventType(), CClientDlg::CloseEventType());
    ASSERT_EQ(count, 1);
    EXPECT_FALSE(dialog.HandleEvent(events[0]));
    dialog.Shutdown();
}

TEST_F(TickTest, TickThreadRunsUntilTheStopOrder)
{
    // A real back end, so that the stop order has one to delete last.
    TempFolder folder;
    std::string path = folder.Write("Main.qvr", CInterfaceFileWriter::MinimalFile({}));
    CRecordingClientDlg dialog;
    ASSERT_TRUE(dialog.CreateMainWindow());
    ASSERT_TRUE(dialog.LoadInterfaceHeader(path.c_str()));
    dialog.recordsLeft = 3;
    dialog.EnableFlush();
    ASSERT_TRUE(dialog.StartTickThread());
    // Pointer events from this (the main) thread while the tick thread loads and runs.
    for (int i = 0; i < 20; ++i)
    {
        dialog.OnMouseMove(i, i);
        platform::SleepMs(1);
    }
    uint32_t start = platform::ClockMs();
    while (dialog.GetMouseQueue()->GetCount() > 0 && platform::ElapsedMs(platform::ClockMs(), start) < 10000)
        platform::SleepMs(5);
    ASSERT_EQ(dialog.GetMouseQueue()->GetCount(), 0);

    dialog.Shutdown();
    std::vector<std::string> calls = dialog.Calls();
    EXPECT_TRUE(dialog.tickStoppedAtDisconnect);
    EXPECT_TRUE(dialog.backEndAliveAtDeviceDelete);
    EXPECT_EQ(dialog.GetBackEnd(), nullptr);
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
              (std::vector<std::string>{"disconnect", "delete devices", "delete back end"}));
    // Exactly three records were read, then loading ended once; the moves kept their order.
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "load"), 4);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "connect"), 1);
    int expected = 0;
    for (const std::string& call : calls)
    {
        if (call.rfind("dispatch", 0) != 0)
            continue;
        std::string at = std::to_string(expected++);
        EXPECT_EQ(call, "dispatch 0 " + at + " " + at);
    }
    EXPECT_EQ(expected, 20);
    // The stop order runs once.
    dialog.Shutdown();
    EXPECT_EQ(dialog.Calls().size(), calls.size());
}
} // namespace

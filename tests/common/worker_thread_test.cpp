#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "common/WorkerThread.h"
#include "platform/Clock.h"

namespace
{
// What the test procedure does, set by the test and read by the worker thread.
struct Controls
{
    std::atomic<bool> reportStarted{true}; // send Started once
    std::atomic<bool> holdStopping{false}; // on Stopping, wait for `release` before leaving
    std::atomic<bool> release{false};
    std::atomic<bool> quit{false}; // leave whatever the state (for states that never see Stop)
    std::atomic<int> entries{0};
    std::atomic<int> exits{0};
    std::atomic<int> steps{0};
};

// The common shape of every worker procedure, with the test's hooks.
void Procedure(CWorkerThread* worker)
{
    auto* c = static_cast<Controls*>(worker->GetOwner());
    ++c->entries;
    bool reported = false;
    while (!c->quit)
    {
        if (!reported && c->reportStarted)
        {
            worker->Command(WorkerCommandStarted);
            reported = true;
        }
        WorkerThreadState state = worker->GetState();
        if (state == WorkerStopping)
        {
            if (!c->holdStopping || c->release)
                break;
        }
        else if (state == WorkerPaused)
        {
            platform::SleepMs(1);
            continue;
        }
        else
            ++c->steps;
        platform::SleepMs(1);
    }
    ++c->exits;
    worker->Command(WorkerCommandReset);
}

// Lets a worker in any state leave and waits until it has.
void Finish(CWorkerThread& worker, Controls& c)
{
    c.release = true;
    c.quit = true;
    worker.WaitStopped();
}

TEST(WorkerThread, RunsPausesResumesAndStops)
{
    Controls c;
    CWorkerThread worker(&Procedure, &c);
    EXPECT_EQ(worker.GetState(), WorkerStopped);
    EXPECT_EQ(worker.GetStartTimeout(), 200);

    ASSERT_TRUE(worker.Command(WorkerCommandStart));
    EXPECT_EQ(worker.GetState(), WorkerRunning);

    EXPECT_TRUE(worker.Command(WorkerCommandPause));
    EXPECT_EQ(worker.GetState(), WorkerPaused);
    // Start on a paused worker resumes the same thread.
    EXPECT_TRUE(worker.Command(WorkerCommandStart));
    EXPECT_EQ(worker.GetState(), WorkerRunning);
    int steps = c.steps;
    while (c.steps == steps) // the resumed thread works again
        platform::SleepMs(1);
    EXPECT_EQ(c.entries, 1);

    EXPECT_TRUE(worker.Command(WorkerCommandStop));
    worker.WaitStopped();
    EXPECT_EQ(worker.GetState(), WorkerStopped);
    EXPECT_EQ(c.exits, 1);

    // A stopped worker starts again on a new thread.
    ASSERT_TRUE(worker.Command(WorkerCommandStart));
    EXPECT_EQ(c.entries, 2);
    worker.Command(WorkerCommandStop);
    worker.WaitStopped();
}

TEST(WorkerThread, StopOnStoppedStaysStopped)
{
    Controls c;
    CWorkerThread worker(&Procedure, &c);
    EXPECT_TRUE(worker.Command(WorkerCommandStop));
    EXPECT_EQ(worker.GetState(), WorkerStopped);
    worker.WaitStopped(); // returns at once
    EXPECT_EQ(c.entries, 0);
}

TEST(WorkerThread, StartTimesOutWhenTheThreadNeverReports)
{
    Controls c;
    c.reportStarted = false;
    CWorkerThread worker(&Procedure, &c);
    uint32_t start = platform::ClockMs();
    EXPECT_FALSE(worker.Command(WorkerCommandStart));
    uint32_t waited = platform::ElapsedMs(platform::ClockMs(), start);
    EXPECT_GE(waited, 200u);
    EXPECT_LT(waited, 5000u); // it gave up rather than waiting for ever
    EXPECT_EQ(worker.GetState(), WorkerStarting);

    // The thread may still report late.
    c.reportStarted = true;
    while (worker.GetState() != WorkerRunning)
        platform::SleepMs(1);
    worker.Command(WorkerCommandStop);
    worker.WaitStopped();
    EXPECT_EQ(c.entries, 1);
}

TEST(WorkerThread, DestroyingARunningWorkerEndsItsThread)
{
    Controls c;
    auto* worker = new CWorkerThread(&Procedure, &c);
    ASSERT_TRUE(worker->Command(WorkerCommandStart));
    delete worker; // requests Stop and joins
    EXPECT_EQ(c.exits, 1);
}

// Every command from every state: the table of transitions.
struct TransitionCase
{
    WorkerThreadState from;
    WorkerThreadCommand command;
    WorkerThreadState to;
};

class WorkerThreadTransition : public ::testing::TestWithParam<TransitionCase>
{
};

// Brings a fresh worker to `state` with a live thread behind it (none for Stopped).
void Reach(CWorkerThread& worker, Controls& c, WorkerThreadState state)
{
    switch (state)
    {
    case WorkerStopped:
        return;
    case WorkerStarting:
        c.reportStarted = false;
        ASSERT_FALSE(worker.Command(WorkerCommandStart));
        break;
    case WorkerRunning:
        ASSERT_TRUE(worker.Command(WorkerCommandStart));
        break;
    case WorkerPaused:
        ASSERT_TRUE(worker.Command(WorkerCommandStart));
        worker.Command(WorkerCommandPause);
        break;
    case WorkerStopping:
        c.holdStopping = true;
        ASSERT_TRUE(worker.Command(WorkerCommandStart));
        worker.Command(WorkerCommandStop);
        break;
    }
    ASSERT_EQ(worker.GetState(), state);
}

TEST_P(WorkerThreadTransition, CommandMovesTheStateAsTheTableSays)
{
    const TransitionCase& t = GetParam();
    Controls c;
    CWorkerThread worker(&Procedure, &c);
    Reach(worker, c, t.from);
    if (HasFatalFailure())
    {
        Finish(worker, c);
        return;
    }
    int entries = c.entries;
    EXPECT_TRUE(worker.Command(t.command));
    EXPECT_EQ(worker.GetState(), t.to);
    // Only Start from Stopped makes a thread.
    bool creates = t.from == WorkerStopped && t.command == WorkerCommandStart;
    if (creates)
        while (c.entries == entries)
            platform::SleepMs(1);
    EXPECT_EQ(c.entries, entries + (creates ? 1 : 0));
    Finish(worker, c);
}

std::string TransitionName(const ::testing::TestParamInfo<TransitionCase>& info)
{
    static const char* const kStates[] = {"Stopped", "Starting", "Paused", "Running", "Stopping"};
    static const char* const kCommands[] = {"Reset", "Start", "Pause", "Started", "Stop"};
    return std::string(kCommands[info.param.command]) + "From" + kStates[info.param.from];
}

const TransitionCase kTransitions[] = {
    {WorkerStopped, WorkerCommandReset, WorkerStopped},
    {WorkerStopped, WorkerCommandStart, WorkerRunning},
    {WorkerStopped, WorkerCommandPause, WorkerStopped},
    {WorkerStopped, WorkerCommandStarted, WorkerStopped},
    {WorkerStopped, WorkerCommandStop, WorkerStopped},
    {WorkerStarting, WorkerCommandReset, WorkerStopped},
    {WorkerStarting, WorkerCommandStart, WorkerStarting},
    {WorkerStarting, WorkerCommandPause, WorkerStarting},
    {WorkerStarting, WorkerCommandStarted, WorkerRunning},
    {WorkerStarting, WorkerCommandStop, WorkerStopping},
    {WorkerRunning, WorkerCommandReset, WorkerStopped},
    {WorkerRunning, WorkerCommandStart, WorkerRunning},
    {WorkerRunning, WorkerCommandPause, WorkerPaused},
    {WorkerRunning, WorkerCommandStarted, WorkerRunning},
    {WorkerRunning, WorkerCommandStop, WorkerStopping},
    {WorkerPaused, WorkerCommandReset, WorkerStopped},
    {WorkerPaused, WorkerCommandStart, WorkerRunning},
    {WorkerPaused, WorkerCommandPause, WorkerPaused},
    {WorkerPaused, WorkerCommandStarted, WorkerPaused},
    {WorkerPaused, WorkerCommandStop, WorkerStopping},
    {WorkerStopping, WorkerCommandReset, WorkerStopped},
    {WorkerStopping, WorkerCommandStart, WorkerStopping},
    {WorkerStopping, WorkerCommandPause, WorkerStopping},
    {WorkerStopping, WorkerCommandStarted, WorkerStopping},
    {WorkerStopping, WorkerCommandStop, WorkerStopping},
};

INSTANTIATE_TEST_SUITE_P(Table, WorkerThreadTransition, ::testing::ValuesIn(kTransitions), TransitionName);
} // namespace

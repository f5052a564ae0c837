#pragma once
#include <cstdint>

#include "common/NerulanCriticalSection.h"
#include "platform/Thread.h"

enum WorkerThreadState : uint8_t
{
    WorkerStopped = 0,
    WorkerStarting = 1,
    WorkerPaused = 2,
    WorkerRunning = 3,
    WorkerStopping = 4,
};

enum WorkerThreadCommand : uint8_t
{
    WorkerCommandReset = 0,
    WorkerCommandStart = 1,
    WorkerCommandPause = 2,
    WorkerCommandStarted = 3,
    WorkerCommandStop = 4,
};

// The controller of one worker thread. The owner and the thread meet only through the state,
// which is changed under the controller's lock.
//
// Every thread procedure has the same shape:
//   worker->Command(WorkerCommandStarted);
//   while (worker->GetState() != WorkerStopping) {
//       if (worker->GetState() == WorkerPaused) { platform::SleepMs(100); continue; }
//       ...one step of work...; platform::SleepMs(5);
//   }
//   worker->Command(WorkerCommandReset);
class CWorkerThread
{
public:
    using Procedure = void (*)(CWorkerThread* worker);

    CWorkerThread(Procedure procedure, void* owner);
    // Requests Stop and joins the thread: the owner normally calls WaitStopped first.
    ~CWorkerThread();
    CWorkerThread(const CWorkerThread&) = delete;
    CWorkerThread& operator=(const CWorkerThread&) = delete;

    // Moves the state as the command table says. Start from Stopped creates the thread and waits
    // (at most the start time-out) until it reports running; false when it could not be created
    // or did not report in time.
    bool Command(WorkerThreadCommand command);
    WorkerThreadState GetState();
    // Returns once the thread has left (state Stopped), polling every 5 ms.
    void WaitStopped();

    void* GetOwner() const { return m_owner; }
    int32_t GetStartTimeout() const { return m_startTimeout; }

private:
    static void Run(void* self);

    WorkerThreadState m_state = WorkerStopped;
    void* m_owner;
    Procedure m_procedure;
    CNerulanCriticalSection* m_lock;
    int32_t m_startTimeout = 200;
    uint32_t m_startTime = 0;
    platform::Thread* m_thread = nullptr;
};

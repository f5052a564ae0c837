// The tick thread: one tick, then 5 ms of sleep, over and over. It owns the running interface.
#include <SDL.h>

#include "app/ClientDlg.h"
#include "common/InStream.h"
#include "interface/AbstractDialogSystem.h"
#include "platform/Clock.h"

namespace
{
constexpr uint32_t kTickSleepMs = 5;
constexpr uint32_t kPausedSleepMs = 100;
} // namespace

bool CClientDlg::StartTickThread()
{
    return m_tickThread && m_tickThread->Command(WorkerCommandStart);
}

void CClientDlg::TickThreadProc(CWorkerThread* worker)
{
    CClientDlg* self = static_cast<CClientDlg*>(worker->GetOwner());
    worker->Command(WorkerCommandStarted);
    for (;;)
    {
        WorkerThreadState state = worker->GetState();
        if (state == WorkerStopping)
            break;
        if (state == WorkerPaused)
        {
            platform::SleepMs(kPausedSleepMs);
            continue;
        }
        self->Tick();
        platform::SleepMs(kTickSleepMs);
    }
    worker->Command(WorkerCommandReset);
}

void CClientDlg::Tick()
{
    if (!IsLoaded())
    {
        // While loading a tick reads one record and nothing else: pointer events wait.
        LoadStep();
    }
    else
    {
        {
            CCriticalSectionGuard guard(m_windowLock);
            ProcessMouseQueue();
        }
        // The first update after loading gets the whole time since the window was made.
        uint32_t now = platform::ClockMs();
        UpdateInterface(platform::ElapsedMs(now, m_previousTickTime));
        m_previousTickTime = now;
        if (!IsInterfaceRunning())
            RequestClose();
        TickDevices();
    }
    if (m_flushEnabled.load() != 0)
        FlushInterface();
}

void CClientDlg::LoadStep()
{
    if (LoadNextRecord())
        return;
    m_loaded = 1;
    // Every reader copied what it keeps: the file's bytes can go.
    FreeStream();
    ConnectDevices();
}

void CClientDlg::ProcessMouseQueue()
{
    // Events pushed while the queue drains are dispatched in this same tick, in arrival order.
    while (m_mouseQueue->GetCount() > 0)
    {
        CMouseData* data = static_cast<CMouseData*>(m_mouseQueue->Peek());
        if (data)
        {
            DispatchPointer(data->m_kind, data->m_x, data->m_y);
            delete data;
        }
        m_mouseQueue->Pop();
    }
}

void CClientDlg::TickDevices()
{
    UpdateDevices();
}

void CClientDlg::RequestClose()
{
    // The main thread may be waiting for this thread (the stop order), so the request must not
    // block: a flag, and one event that wakes the main loop.
    if (m_quitRequested.exchange(true))
        return;
    SDL_Event event;
    SDL_zero(event);
    event.type = CloseEventType();
    SDL_PushEvent(&event);
}

// ---- The back end's side of a tick ----------------------------------------------------------

bool CClientDlg::LoadNextRecord()
{
    return m_backEnd && m_backEnd->LoadNext();
}

void CClientDlg::DispatchPointer(uint8_t kind, int32_t x, int32_t y)
{
    if (m_backEnd)
        m_backEnd->DispatchPointer(kind, x, y);
}

void CClientDlg::UpdateInterface(uint32_t elapsedMs)
{
    if (m_backEnd)
        m_backEnd->Update(elapsedMs);
}

bool CClientDlg::IsInterfaceRunning()
{
    return !m_backEnd || m_backEnd->IsRunning();
}

void CClientDlg::FlushInterface()
{
    if (m_backEnd)
        m_backEnd->Flush();
}

#include "common/WorkerThread.h"

#include "platform/Clock.h"

CWorkerThread::CWorkerThread(Procedure procedure, void* owner)
    : m_owner(owner), m_procedure(procedure), m_lock(new CNerulanCriticalSection)
{
}

CWorkerThread::~CWorkerThread()
{
    Command(WorkerCommandStop);
    if (m_thread)
    {
        m_thread->Join();
        delete m_thread;
    }
    delete m_lock;
}

WorkerThreadState CWorkerThread::GetState()
{
    CCriticalSectionGuard guard(m_lock);
    return m_state;
}

void CWorkerThread::Run(void* self)
{
    auto* worker = static_cast<CWorkerThread*>(self);
    worker->m_procedure(worker);
}

bool CWorkerThread::Command(WorkerThreadCommand command)
{
    bool create = false;
    {
        CCriticalSectionGuard guard(m_lock);
        switch (command)
        {
        case WorkerCommandReset:
            m_state = WorkerStopped;
            break;
        case WorkerCommandStart:
            if (m_state == WorkerStopped)
            {
                m_state = WorkerStarting;
                create = true;
            }
            else if (m_state == WorkerPaused)
                m_state = WorkerRunning;
            break;
        case WorkerCommandPause:
            if (m_state == WorkerRunning)
                m_state = WorkerPaused;
            break;
        case WorkerCommandStarted:
            if (m_state == WorkerStarting)
                m_state = WorkerRunning;
            break;
        case WorkerCommandStop:
            if (m_state != WorkerStopped)
                m_state = WorkerStopping;
            break;
        }
    }
    if (!create)
        return true;

    // A thread that ran before has left (the state was Stopped): join it before starting anew.
    if (m_thread)
    {
        m_thread->Join();
        delete m_thread;
        m_thread = nullptr;
    }
    m_thread = new platform::Thread;
    if (!m_thread->Start(&CWorkerThread::Run, this))
    {
        delete m_thread;
        m_thread = nullptr;
        Command(WorkerCommandReset);
        return false;
    }
    m_startTime = platform::ClockMs();
    for (;;)
    {
        if (GetState() == WorkerRunning)
            return true;
        if (platform::ElapsedMs(platform::ClockMs(), m_startTime) > static_cast<uint32_t>(m_startTimeout))
            return false;
        platform::YieldThread();
    }
}

void CWorkerThread::WaitStopped()
{
    while (GetState() != WorkerStopped)
        platform::SleepMs(5);
}

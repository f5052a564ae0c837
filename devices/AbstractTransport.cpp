#include "devices/AbstractTransport.h"

#include "common/WorkerThread.h"
#include "devices/AbstractDevice.h"
#include "platform/Clock.h"

namespace
{
// The transport whose worker runs on this thread.
thread_local const CAbstractTransport* t_workerOf = nullptr;
} // namespace

CAbstractTransport::CAbstractTransport(CAbstractDevice* device) : m_device(device) {}

CAbstractTransport::~CAbstractTransport()
{
    StopWorker();
}

void CAbstractTransport::RequestState(uint8_t state)
{
    CCriticalSectionGuard guard(&m_stateLock);
    if (state == LinkConnectRequested)
    {
        if (m_linkState == LinkClosed)
            m_linkState = LinkConnectRequested;
        return;
    }
    if (state == LinkConnected || state == LinkClosed)
        m_linkState = state;
}

uint8_t CAbstractTransport::GetLinkState()
{
    CCriticalSectionGuard guard(&m_stateLock);
    return m_linkState;
}

void CAbstractTransport::SetConnected(bool connected)
{
    CCriticalSectionGuard guard(&m_connectedLock);
    m_connected = connected ? 1 : 0;
}

bool CAbstractTransport::IsConnected()
{
    CCriticalSectionGuard guard(&m_connectedLock);
    return m_connected != 0;
}

uint32_t CAbstractTransport::GetCloseSerial()
{
    CCriticalSectionGuard guard(&m_connectedLock);
    return m_closeSerial;
}

bool CAbstractTransport::StartWorker()
{
    if (!m_worker)
        m_worker = std::make_unique<CWorkerThread>(&CAbstractTransport::WorkerProcedure, this);
    if (m_worker->GetState() == WorkerRunning)
        return true;
    // A thread that was created but had not reported within the start wait (a loaded machine)
    // still runs the link: only a thread that could not be created fails the start.
    return m_worker->Command(WorkerCommandStart) || m_worker->GetState() != WorkerStopped;
}

void CAbstractTransport::StopWorker()
{
    if (!m_worker)
        return;
    m_worker->Command(WorkerCommandStop);
    m_worker->WaitStopped();
}

bool CAbstractTransport::OnWorkerThread() const
{
    return t_workerOf == this;
}

bool CAbstractTransport::StopRequested()
{
    return m_worker && m_worker->GetState() == WorkerStopping;
}

bool CAbstractTransport::RequestConnect()
{
    if (!m_worker)
        return false;
    RequestState(LinkConnectRequested);
    uint8_t state = GetLinkState();
    return state == LinkConnectRequested || state == LinkConnected;
}

void CAbstractTransport::WorkerProcedure(CWorkerThread* worker)
{
    auto* self = static_cast<CAbstractTransport*>(worker->GetOwner());
    t_workerOf = self;
    worker->Command(WorkerCommandStarted);
    for (;;)
    {
        WorkerThreadState state = worker->GetState();
        if (state == WorkerStopping)
            break;
        if (state == WorkerPaused)
        {
            platform::SleepMs(100);
            continue;
        }
        self->WorkerPass();
    }
    t_workerOf = nullptr;
    worker->Command(WorkerCommandReset);
}

void CAbstractTransport::WorkerPass()
{
    uint32_t serial = 0;
    bool connected = false;
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        connected = m_connected != 0;
        serial = m_closeSerial;
        // A link ended by a Close on another thread left its descriptor to this thread.
        if (!connected)
            TearDown(true);
    }
    if (connected)
    {
        if (!Poll())
            EndPolledLink(serial);
        return;
    }
    if (GetLinkState() == LinkConnectRequested)
    {
        Attempt();
        return;
    }
    platform::SleepMs(kIdleWaitMs);
}

void CAbstractTransport::EndLink()
{
    EndLinkIf(false, 0);
}

void CAbstractTransport::EndPolledLink(uint32_t serial)
{
    EndLinkIf(true, serial);
}

void CAbstractTransport::EndLinkIf(bool checkSerial, uint32_t serial)
{
    bool wasConnected;
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        if (checkSerial && m_closeSerial != serial)
        {
            TearDown(true);
            return;
        }
        wasConnected = m_connected != 0;
        m_connected = 0;
        ++m_closeSerial;
        TearDown(OnWorkerThread());
        RequestState(LinkClosed);
    }
    if (wasConnected && m_device)
        m_device->OnDisconnected();
}

void CAbstractTransport::FailAttempt(uint32_t serial)
{
    CCriticalSectionGuard guard(&m_connectedLock);
    TearDown(true);
    if (m_closeSerial == serial)
        RequestState(LinkClosed);
}

bool CAbstractTransport::CompleteAttempt(uint32_t serial)
{
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        if (m_closeSerial != serial)
        {
            TearDown(true);
            return false;
        }
        m_connected = 1;
        RequestState(LinkConnected);
    }
    if (m_device)
        m_device->OnConnected();
    return IsConnected();
}

#include "devices/TCPTransport.h"

#include <cerrno>
#include <sys/socket.h>

#include "devices/AbstractDevice.h"
#include "platform/Clock.h"
#include "platform/Socket.h"

CTCPTransport::CTCPTransport(CAbstractDevice* device)
    : CAbstractTransport(device), m_buffer(new uint8_t[kReceiveSize])
{
}

CTCPTransport::~CTCPTransport()
{
    Close();
    StopWorker();
    // The worker has left: the descriptor is this thread's now.
    platform::CloseSocket(m_socket);
    m_socket = -1;
}

bool CTCPTransport::Open(const char* host, uint16_t port, uint16_t, uint32_t, uint8_t, char)
{
    if (!host || !*host || port == 0)
        return false;
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        m_host = host;
        m_port = port;
    }
    return StartWorker();
}

bool CTCPTransport::Connect()
{
    return RequestConnect();
}

void CTCPTransport::Close()
{
    EndLink();
}

uint16_t CTCPTransport::GetRemotePort()
{
    CCriticalSectionGuard guard(&m_connectedLock);
    return m_port;
}

bool CTCPTransport::Resolve(const std::string& host, uint32_t& address)
{
    if (platform::ParseDottedAddress(host.c_str(), address) && address != 0 &&
        address != platform::kBroadcastAddress)
        return true;
    return platform::LookUpHost(host.c_str(), address) && address != 0 &&
           address != platform::kBroadcastAddress;
}

bool CTCPTransport::Attempt()
{
    uint32_t serial;
    std::string host;
    uint16_t port;
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        serial = m_closeSerial;
        host = m_host;
        port = m_port;
    }
    uint32_t address = 0;
    int fd = Resolve(host, address) ? platform::OpenStreamSocket() : -1;
    if (fd < 0)
    {
        FailAttempt(serial);
        return false;
    }
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        m_socket = fd;
    }
    m_remoteAddress = address;
    platform::ConnectStep step = platform::StartConnect(fd, address, port);
    if (step == platform::ConnectStep::Failed ||
        (step == platform::ConnectStep::Pending && !WaitForConnect(serial)))
    {
        FailAttempt(serial);
        return false;
    }
    uint32_t localAddress = 0;
    uint16_t localPort = 0;
    platform::LocalEndpoint(fd, localAddress, localPort);
    m_localAddress = localAddress;
    m_localPort = localPort;
    return CompleteAttempt(serial);
}

bool CTCPTransport::WaitForConnect(uint32_t serial)
{
    // Waits in short slices so that a Close, a new endpoint or the worker's stop ends the wait.
    const uint32_t start = platform::ClockMs();
    for (;;)
    {
        if (StopRequested() || GetCloseSerial() != serial)
            return false;
        if (platform::ElapsedMs(platform::ClockMs(), start) >= m_connectTimeout)
            return false;
        platform::ConnectStep step = platform::WaitConnect(m_socket, kPollWaitMs);
        if (step != platform::ConnectStep::Pending)
            return step == platform::ConnectStep::Done;
    }
}

void CTCPTransport::TearDown(bool onWorker)
{
    if (m_socket < 0)
        return;
    if (onWorker)
    {
        platform::CloseSocket(m_socket);
        m_socket = -1;
    }
    else
        platform::ShutDownSocket(m_socket);
}

bool CTCPTransport::Send(const uint8_t* bytes, uint32_t length)
{
    if (!bytes && length)
        return false;
    uint32_t sent = 0;
    int waits = 0;
    while (sent < length)
    {
        ssize_t result;
        int error = 0;
        {
            // The descriptor is used only under the lock, so the worker cannot close it meanwhile.
            CCriticalSectionGuard guard(&m_connectedLock);
            if (!m_connected || m_socket < 0)
                return false;
            result = send(m_socket, bytes + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
            error = errno;
        }
        if (result > 0)
        {
            sent += static_cast<uint32_t>(result);
            continue;
        }
        if (result < 0 && error == EINTR)
            continue;
        if (result < 0 && (error == EAGAIN || error == EWOULDBLOCK) && waits < kSendWaits)
        {
            ++waits;
            platform::SleepMs(kSendWaitMs);
            continue;
        }
        Close();
        return false;
    }
    return true;
}

bool CTCPTransport::Poll()
{
    int ready = platform::WaitReadable(m_socket, kPollWaitMs);
    if (ready == 0)
        return true;
    if (ready < 0)
        return false;
    // A peer that never pauses still lets the worker look at its stop request now and then.
    for (int block = 0; block < kBlocksPerPoll; ++block)
    {
        ssize_t result = recv(m_socket, m_buffer.get(), kReceiveSize, MSG_DONTWAIT);
        if (result > 0)
        {
            // Bytes still buffered when another thread closed the link go nowhere.
            if (IsConnected() && m_device)
                m_device->OnReceive(m_buffer.get(), static_cast<uint32_t>(result));
            continue;
        }
        if (result == 0)
            return false;
        if (errno == EINTR)
            continue;
        return errno == EAGAIN || errno == EWOULDBLOCK;
    }
    return true;
}

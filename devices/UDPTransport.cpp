#include "devices/UDPTransport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <sys/socket.h>

#include "devices/AbstractDevice.h"
#include "platform/Clock.h"
#include "platform/Socket.h"

CUDPTransport::CUDPTransport(CAbstractDevice* device)
    : CAbstractTransport(device), m_buffer(new uint8_t[kReceiveSize])
{
}

CUDPTransport::~CUDPTransport()
{
    Close();
    StopWorker();
    platform::CloseSocket(m_socket);
    m_socket = -1;
}

bool CUDPTransport::Open(const char* host, uint16_t port, uint16_t localPort, uint32_t, uint8_t, char)
{
    bool noHost = !host || !*host;
    if (noHost && port == 0)
        return false;
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        m_host = noHost ? std::string() : std::string(host);
        m_port = port;
        m_localPortWanted = localPort;
    }
    return StartWorker();
}

bool CUDPTransport::Connect()
{
    return RequestConnect();
}

void CUDPTransport::Close()
{
    EndLink();
}

uint16_t CUDPTransport::GetRemotePort()
{
    CCriticalSectionGuard guard(&m_connectedLock);
    return m_port;
}

uint32_t CUDPTransport::ResolvePeer(const std::string& host) const
{
    if (host.empty())
        return 0;
    uint32_t address = 0;
    // A name is not looked up: it sends to everyone on the segment.
    if (!platform::ParseDottedAddress(host.c_str(), address))
        return platform::kBroadcastAddress;
    return address;
}

bool CUDPTransport::Attempt()
{
    uint32_t serial;
    std::string host;
    uint16_t port;
    uint16_t localPort;
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        serial = m_closeSerial;
        host = m_host;
        port = m_port;
        localPort = m_localPortWanted;
    }
    uint32_t peer = ResolvePeer(host);
    m_remoteAddress = peer;
    int fd = platform::OpenDatagramSocket();
    if (fd < 0)
    {
        FailAttempt(serial);
        return false;
    }
    {
        CCriticalSectionGuard guard(&m_connectedLock);
        m_socket = fd;
    }
    bool ok = true;
    if (peer == platform::kBroadcastAddress)
        ok = platform::SetBroadcast(fd, true);
    if (ok && m_reuseAddress)
        ok = platform::SetReuseAddress(fd, true);
    uint32_t boundAddress = 0;
    uint16_t boundPort = 0;
    ok = ok && platform::BindAny(fd, localPort) && platform::LocalEndpoint(fd, boundAddress, boundPort);
    if (!ok)
    {
        FailAttempt(serial);
        return false;
    }
    m_localPort = boundPort;
    m_localAddress = peer ? platform::LocalAddressToward(peer, port) : 0;
    return CompleteAttempt(serial);
}

void CUDPTransport::TearDown(bool onWorker)
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

bool CUDPTransport::Send(const uint8_t* bytes, uint32_t length)
{
    if (!bytes && length)
        return false;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = m_remoteAddress;
    peer.sin_port = htons(GetRemotePort());
    if (peer.sin_addr.s_addr == 0)
        return false;
    uint32_t sent = 0;
    int waits = 0;
    while (sent < length)
    {
        ssize_t result;
        int error = 0;
        {
            CCriticalSectionGuard guard(&m_connectedLock);
            if (!m_connected || m_socket < 0)
                return false;
            result = sendto(m_socket, bytes + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT,
                            reinterpret_cast<sockaddr*>(&peer), sizeof peer);
            error = errno;
        }
        if (result > 0)
        {
            sent += static_cast<uint32_t>(result);
            continue;
        }
        if (result < 0 && error == EINTR)
            continue;
        bool full = result < 0 && (error == EAGAIN || error == EWOULDBLOCK);
        if (full && waits < kSendWaits)
        {
            ++waits;
            platform::SleepMs(kSendWaitMs);
            continue;
        }
        if (result == 0 || full)
            Close();
        return false;
    }
    return true;
}

bool CUDPTransport::Poll()
{
    int ready = platform::WaitReadable(m_socket, kPollWaitMs);
    if (ready == 0)
        return true;
    if (ready < 0)
        return false;
    for (int datagram = 0; datagram < kDatagramsPerPoll; ++datagram)
    {
        sockaddr_in sender{};
        socklen_t senderLength = sizeof sender;
        // MSG_TRUNC makes the result the datagram's real length, so a cut one is seen.
        ssize_t result = recvfrom(m_socket, m_buffer.get(), kReceiveSize, MSG_DONTWAIT | MSG_TRUNC,
                                  reinterpret_cast<sockaddr*>(&sender), &senderLength);
        if (result < 0)
        {
            if (errno == EINTR)
                continue;
            // Nothing more waiting, or an error the socket reported once: the link stays.
            return true;
        }
        if (result == 0 || static_cast<size_t>(result) > kReceiveSize)
            continue;
        m_senderAddress = sender.sin_addr.s_addr;
        m_senderPort = ntohs(sender.sin_port);
        if (IsConnected() && m_device)
            m_device->OnReceive(m_buffer.get(), static_cast<uint32_t>(result));
    }
    return true;
}

#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform
{
namespace
{
sockaddr_in MakeAddress(uint32_t address, uint16_t port)
{
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = address;
    return peer;
}

bool SetFlag(int fd, int level, int option, bool on)
{
    int value = on ? 1 : 0;
    return setsockopt(fd, level, option, &value, sizeof value) == 0;
}
} // namespace

bool ParseDottedAddress(const char* text, uint32_t& address)
{
    in_addr parsed{};
    if (!text || inet_aton(text, &parsed) == 0)
        return false;
    address = parsed.s_addr;
    return true;
}

bool LookUpHost(const char* name, uint32_t& address)
{
    if (!name || !*name)
        return false;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found)
        return false;
    bool ok = false;
    for (addrinfo* entry = found; entry && !ok; entry = entry->ai_next)
    {
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in))
        {
            address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr;
            ok = true;
        }
    }
    freeaddrinfo(found);
    return ok;
}

int OpenStreamSocket()
{
    return socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
}

int OpenDatagramSocket()
{
    return socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
}

void CloseSocket(int fd)
{
    if (fd >= 0)
        close(fd);
}

void ShutDownSocket(int fd)
{
    if (fd >= 0)
        shutdown(fd, SHUT_RDWR);
}

ConnectStep StartConnect(int fd, uint32_t address, uint16_t port)
{
    sockaddr_in peer = MakeAddress(address, port);
    for (;;)
    {
        if (connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0)
            return ConnectStep::Done;
        if (errno == EINTR)
            continue;
        return errno == EINPROGRESS ? ConnectStep::Pending : ConnectStep::Failed;
    }
}

ConnectStep WaitConnect(int fd, int ms)
{
    pollfd entry{fd, POLLOUT, 0};
    int ready = poll(&entry, 1, ms);
    if (ready == 0 || (ready < 0 && errno == EINTR))
        return ConnectStep::Pending;
    if (ready < 0)
        return ConnectStep::Failed;
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
        return ConnectStep::Failed;
    return ConnectStep::Done;
}

int WaitReadable(int fd, int ms)
{
    pollfd entry{fd, POLLIN, 0};
    int ready = poll(&entry, 1, ms);
    if (ready < 0)
        return errno == EINTR ? 0 : -1;
    if (ready > 0 && (entry.revents & POLLNVAL))
        return -1;
    return ready > 0 ? 1 : 0;
}

bool BindAny(int fd, uint16_t port)
{
    sockaddr_in local = MakeAddress(htonl(INADDR_ANY), port);
    return bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
}

bool SetBroadcast(int fd, bool on)
{
    return SetFlag(fd, SOL_SOCKET, SO_BROADCAST, on);
}

bool SetReuseAddress(int fd, bool on)
{
    return SetFlag(fd, SOL_SOCKET, SO_REUSEADDR, on);
}

bool LocalEndpoint(int fd, uint32_t& address, uint16_t& port)
{
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0 || local.sin_family != AF_INET)
        return false;
    address = local.sin_addr.s_addr;
    port = ntohs(local.sin_port);
    return true;
}

uint32_t LocalAddressToward(uint32_t address, uint16_t port)
{
    // Connecting a datagram socket sends nothing: it only makes the kernel choose the route and
    // with it the source address.
    int probe = OpenDatagramSocket();
    if (probe < 0)
        return 0;
    SetBroadcast(probe, true);
    uint32_t local = 0;
    uint16_t localPort = 0;
    sockaddr_in peer = MakeAddress(address, port ? port : 9);
    if (connect(probe, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0 ||
        !LocalEndpoint(probe, local, localPort))
        local = 0;
    close(probe);
    return local;
}
} // namespace platform

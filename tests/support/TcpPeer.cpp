#include "TcpPeer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
sockaddr_in Loopback(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool SendAll(int fd, const std::vector<uint8_t>& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size())
    {
        ssize_t result = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (result <= 0)
            return false;
        sent += static_cast<size_t>(result);
    }
    return true;
}

template <typename Predicate> bool WaitFor(uint32_t ms, Predicate done)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done())
    {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
} // namespace

TcpPeer::TcpPeer()
{
    if (Listen(16))
        m_thread = std::thread(&TcpPeer::Run, this);
}

TcpPeer::~TcpPeer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    std::lock_guard<std::mutex> lock(m_lock);
    for (int fd : m_fillers)
        close(fd);
    if (m_client >= 0)
        close(m_client);
    if (m_listener >= 0)
        close(m_listener);
}

bool TcpPeer::Listen(int backlog)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    // A small receive buffer, so that a stalled peer fills up soon.
    int size = 4096;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    sockaddr_in address = Loopback(m_port);
    socklen_t length = sizeof address;
    // The old listener of the same port lives on until the peer's thread leaves the poll that
    // still holds it: try again for a moment.
    bool bound = false;
    for (int attempt = 0; attempt < 100 && !bound; ++attempt)
    {
        bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        if (!bound)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!bound || listen(fd, backlog) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    {
        close(fd);
        return false;
    }
    m_port = ntohs(address.sin_port);
    std::lock_guard<std::mutex> lock(m_lock);
    m_listener = fd;
    return true;
}

void TcpPeer::Run()
{
    while (!m_stop)
    {
        pollfd entries[2];
        int count = 0;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            if (m_listener >= 0 && !m_unanswered)
                entries[count++] = {m_listener, POLLIN, 0};
            if (m_client >= 0 && !m_stalled)
                entries[count++] = {m_client, POLLIN, 0};
        }
        if (count == 0 || poll(entries, count, 10) <= 0)
        {
            if (count == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        Accept();
        ReadClient();
    }
}

void TcpPeer::Accept()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_listener < 0 || m_unanswered)
        return;
    int fd = accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0)
        return;
    if (m_client >= 0)
        close(m_client);
    m_client = fd;
    ++m_accepted;
    if (!m_greeting.empty())
        SendAll(fd, m_greeting);
}

void TcpPeer::ReadClient()
{
    std::vector<std::vector<uint8_t>> answers;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_client < 0 || m_stalled)
            return;
        uint8_t buffer[4096];
        ssize_t result = recv(m_client, buffer, sizeof buffer, MSG_DONTWAIT);
        if (result == 0 || (result < 0 && errno != EAGAIN && errno != EINTR))
        {
            close(m_client);
            m_client = -1;
            return;
        }
        if (result < 0)
            return;
        answers = Record(buffer, static_cast<size_t>(result));
        for (const auto& answer : answers)
            SendAll(m_client, answer);
    }
}

bool TcpPeer::WaitAccepted(int count, uint32_t ms) const
{
    return WaitFor(ms, [&] { return m_accepted >= count; });
}

bool TcpPeer::ClientGone() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_client < 0;
}

bool TcpPeer::WaitClientGone(uint32_t ms) const
{
    return WaitFor(ms, [&] { return ClientGone(); });
}

bool TcpPeer::Send(const std::vector<uint8_t>& bytes)
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_client >= 0 && SendAll(m_client, bytes);
}

void TcpPeer::SetGreeting(const std::vector<uint8_t>& bytes)
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_greeting = bytes;
}

void TcpPeer::CloseClient()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_client >= 0)
        close(m_client);
    m_client = -1;
}

void TcpPeer::SetRefusing(bool refusing)
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (refusing == (m_listener < 0))
            return;
        if (refusing)
        {
            close(m_listener);
            m_listener = -1;
            return;
        }
    }
    Listen(16);
}

void TcpPeer::SetStalled(bool stalled)
{
    m_stalled = stalled;
}

bool TcpPeer::SetUnanswered()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_unanswered = true;
        if (m_listener >= 0)
            close(m_listener);
        m_listener = -1;
    }
    // A listener whose queue holds one connection nobody takes: the kernel drops every later
    // SYN, so a connect waits for an answer that never comes.
    if (!Listen(0))
        return false;
    for (int attempt = 0; attempt < 8; ++attempt)
    {
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return false;
        sockaddr_in address = Loopback(m_port);
        int result = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        {
            std::lock_guard<std::mutex> lock(m_lock);
            m_fillers.push_back(fd);
        }
        if (result == 0)
            continue;
        pollfd entry{fd, POLLOUT, 0};
        if (poll(&entry, 1, 200) == 0)
            return true; // this one hangs: the queue is full
    }
    return false;
}

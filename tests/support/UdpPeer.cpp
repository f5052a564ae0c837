#include "UdpPeer.h"

#include <arpa/inet.h>
#include <chrono>
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
} // namespace

UdpPeer::UdpPeer(uint16_t port, bool reuse)
{
    m_socket = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_socket < 0)
        return;
    int on = 1;
    if (reuse)
        setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address = Loopback(port);
    socklen_t length = sizeof address;
    if (bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return;
    m_port = ntohs(address.sin_port);
    m_thread = std::thread(&UdpPeer::Run, this);
}

UdpPeer::~UdpPeer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_socket >= 0)
        close(m_socket);
}

void UdpPeer::Run()
{
    std::vector<uint8_t> buffer(65536);
    while (!m_stop)
    {
        if (m_stalled)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        pollfd entry{m_socket, POLLIN, 0};
        if (poll(&entry, 1, 10) <= 0)
            continue;
        sockaddr_in sender{};
        socklen_t length = sizeof sender;
        ssize_t result = recvfrom(m_socket, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                  reinterpret_cast<sockaddr*>(&sender), &length);
        if (result < 0)
            continue;
        uint16_t from = ntohs(sender.sin_port);
        m_lastSender = from;
        for (const auto& answer : Record(buffer.data(), static_cast<size_t>(result), from))
            SendTo(from, answer);
    }
}

bool UdpPeer::SendTo(uint16_t port, const std::vector<uint8_t>& bytes)
{
    sockaddr_in address = Loopback(port);
    ssize_t result = sendto(m_socket, bytes.data(), bytes.size(), MSG_NOSIGNAL,
                            reinterpret_cast<sockaddr*>(&address), sizeof address);
    return result == static_cast<ssize_t>(bytes.size());
}

bool UdpPeer::Answer(const std::vector<uint8_t>& bytes)
{
    return m_lastSender != 0 && SendTo(m_lastSender, bytes);
}

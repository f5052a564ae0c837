#pragma once
#include <cstdint>

// Small helpers over POSIX IPv4 sockets. Addresses are 32-bit IPv4 addresses as sockets store
// them (network byte order); ports are in host order. Every socket is non-blocking and closed on
// exec; sends never raise SIGPIPE.
namespace platform
{
constexpr uint32_t kBroadcastAddress = 0xFFFFFFFFu;

// A dotted address ("192.168.1.20", also the short forms inet_aton takes); false for a name.
bool ParseDottedAddress(const char* text, uint32_t& address);
// The first IPv4 address of a host name; false when the name does not resolve.
bool LookUpHost(const char* name, uint32_t& address);

int OpenStreamSocket();
int OpenDatagramSocket();
void CloseSocket(int fd);
// Wakes a thread that waits on or reads from the socket; the descriptor stays valid.
void ShutDownSocket(int fd);

enum class ConnectStep
{
    Done,
    Pending,
    Failed,
};
// Starts a connect on a non-blocking stream socket.
ConnectStep StartConnect(int fd, uint32_t address, uint16_t port);
// Waits at most `ms` for a started connect to finish.
ConnectStep WaitConnect(int fd, int ms);

// 1 when the socket has bytes, an error or a hang-up to report, 0 after `ms` with nothing, -1
// when the wait itself failed.
int WaitReadable(int fd, int ms);

bool BindAny(int fd, uint16_t port);
bool SetBroadcast(int fd, bool on);
bool SetReuseAddress(int fd, bool on);
bool LocalEndpoint(int fd, uint32_t& address, uint16_t& port);
// The local address the kernel picks for traffic to the peer (what a peer sees as the sender);
// 0 when there is no route.
uint32_t LocalAddressToward(uint32_t address, uint16_t port);
} // namespace platform

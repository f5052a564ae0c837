#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "devices/AbstractTransport.h"

// A UDP socket bound to a local port (0: the system chooses) that sends to one host and port and
// receives from anyone.
//
// The host is a dotted address; a host that is no dotted address sends to 255.255.255.255, as
// does 255.255.255.255 itself (broadcasting is switched on for it). Without a host the socket
// only receives. Each datagram reaches the device's OnReceive whole, on the worker; during that
// call GetSenderAddress and GetSenderPort tell who sent it. A datagram longer than the receive
// buffer is dropped whole, never delivered cut.
class CUDPTransport : public CAbstractTransport
{
public:
    static constexpr uint32_t kReceiveSize = 1024;
    static constexpr int kSendWaits = 10;
    static constexpr uint32_t kSendWaitMs = 100;
    static constexpr int kPollWaitMs = 50;
    static constexpr int kDatagramsPerPoll = 256;

    explicit CUDPTransport(CAbstractDevice* device);
    ~CUDPTransport() override;

    // Fails only when there is neither a host nor a port; stores the endpoint and the local port
    // and starts the worker.
    bool Open(const char* host, uint16_t port, uint16_t localPort, uint32_t baud, uint8_t dataBits,
              char parity) override;
    // Starts binding the socket (on the worker).
    bool Connect() override;
    void Close() override;
    // One datagram to the peer; an error only fails this send, except that a send that keeps
    // the socket full for the wait budget closes the link. False without a peer or a link.
    bool Send(const uint8_t* bytes, uint32_t length) override;
    bool Poll() override;
    // The address the kernel uses as the source toward the peer (what the peer sees).
    uint32_t GetLocalAddress() override { return m_localAddress; }
    uint16_t GetLocalPort() override { return m_localPort; }
    uint32_t GetRemoteAddress() override { return m_remoteAddress; }
    uint16_t GetRemotePort() override;

    // Set before Connect: lets the socket share its local port with other sockets (a driver that
    // listens on the port it broadcasts to).
    void SetReuseAddress(bool on) { m_reuseAddress = on; }
    // The sender of the datagram being delivered (valid inside OnReceive).
    uint32_t GetSenderAddress() const { return m_senderAddress; }
    uint16_t GetSenderPort() const { return m_senderPort; }

protected:
    bool Attempt() override;
    void TearDown(bool onWorker) override;

private:
    uint32_t ResolvePeer(const std::string& host) const;

    int m_socket = -1;
    std::unique_ptr<uint8_t[]> m_buffer;
    std::string m_host;
    uint16_t m_port = 0;
    uint16_t m_localPortWanted = 0;
    std::atomic<bool> m_reuseAddress{false};
    std::atomic<uint32_t> m_remoteAddress{0};
    std::atomic<uint32_t> m_localAddress{0};
    std::atomic<uint16_t> m_localPort{0};
    std::atomic<uint32_t> m_senderAddress{0};
    std::atomic<uint16_t> m_senderPort{0};
};

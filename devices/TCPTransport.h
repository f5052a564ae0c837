#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "devices/AbstractTransport.h"

// A TCP connection to one host and port.
//
// A driver's Configure calls Open(host, port, ...); Connect (or the standard cycle's request)
// makes the worker connect without blocking, giving up after the connect time-out; Send runs on
// the caller's thread. Received bytes reach the device's OnReceive on the worker, in blocks of
// at most 65536 bytes.
class CTCPTransport : public CAbstractTransport
{
public:
    static constexpr uint32_t kReceiveSize = 65536;
    static constexpr uint32_t kConnectTimeoutMs = 5000;
    // A send to a peer that stops reading waits this many times this long, then closes the link.
    static constexpr int kSendWaits = 10;
    static constexpr uint32_t kSendWaitMs = 100;
    static constexpr int kPollWaitMs = 50;
    static constexpr int kBlocksPerPoll = 64;

    explicit CTCPTransport(CAbstractDevice* device);
    ~CTCPTransport() override;

    // Fails for a missing or empty host or port 0; otherwise stores the endpoint (replacing the
    // one of an earlier Open) and starts the worker.
    bool Open(const char* host, uint16_t port, uint16_t localPort, uint32_t baud, uint8_t dataBits,
              char parity) override;
    bool Connect() override;
    void Close() override;
    // The whole block or false; a peer that takes nothing for the wait budget, or an error,
    // closes the link. False without a link.
    bool Send(const uint8_t* bytes, uint32_t length) override;
    bool Poll() override;
    uint32_t GetLocalAddress() override { return m_localAddress; }
    uint16_t GetLocalPort() override { return m_localPort; }
    uint32_t GetRemoteAddress() override { return m_remoteAddress; }
    uint16_t GetRemotePort() override;

    // For tests: how long one connect attempt may take.
    void SetConnectTimeout(uint32_t ms) { m_connectTimeout = ms; }

protected:
    bool Attempt() override;
    void TearDown(bool onWorker) override;

private:
    bool Resolve(const std::string& host, uint32_t& address);
    bool WaitForConnect(uint32_t serial);

    int m_socket = -1;
    std::unique_ptr<uint8_t[]> m_buffer;
    std::string m_host;
    uint16_t m_port = 0;
    std::atomic<uint32_t> m_remoteAddress{0};
    std::atomic<uint32_t> m_localAddress{0};
    std::atomic<uint16_t> m_localPort{0};
    std::atomic<uint32_t> m_connectTimeout{kConnectTimeoutMs};
};

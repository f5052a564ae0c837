#pragma once
#include <cstdint>

#include "common/NerulanCriticalSection.h"

class CAbstractDevice;

// The base of the TCP, UDP and serial transports: the owning device, a link state under a lock
// and a connected flag. The device base reads the link state to run its connection cycle; the
// transports themselves (with their worker threads) derive from this.
class CAbstractTransport
{
public:
    enum LinkState : uint8_t
    {
        LinkConnectRequested = 1,
        LinkConnected = 2,
        LinkClosed = 3,
    };

    explicit CAbstractTransport(CAbstractDevice* device);
    virtual ~CAbstractTransport();
    CAbstractTransport(const CAbstractTransport&) = delete;
    CAbstractTransport& operator=(const CAbstractTransport&) = delete;

    virtual bool Open(const char* host, uint16_t port, uint16_t localPort, uint32_t baud, uint8_t dataBits,
                      char parity) = 0;
    virtual bool Connect() = 0;
    virtual void Close() = 0;
    virtual bool Send(const uint8_t* bytes, uint32_t length) = 0;
    virtual bool Poll() = 0;
    virtual void SetDirection(bool read, bool write)
    {
        (void)read;
        (void)write;
    }
    virtual void SetReadInterval(uint16_t ms) { (void)ms; }
    virtual uint32_t GetLocalAddress() { return 0; }
    virtual uint16_t GetLocalPort() { return 0; }
    virtual uint32_t GetRemoteAddress() { return 0; }
    virtual uint16_t GetRemotePort() { return 0; }

    // 1 asks the worker to connect, but only from closed; 2 and 3 are set as they are.
    void RequestState(uint8_t state);
    uint8_t GetLinkState();
    void SetConnected(bool connected);
    bool IsConnected();
    CAbstractDevice* GetDevice() const { return m_device; }

protected:
    CAbstractDevice* m_device;
    uint8_t m_linkState = LinkClosed;
    CNerulanCriticalSection m_stateLock;
    CNerulanCriticalSection m_connectedLock;
    uint8_t m_connected = 0;
};

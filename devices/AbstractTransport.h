#pragma once
#include <cstdint>
#include <memory>

#include "common/NerulanCriticalSection.h"

class CAbstractDevice;
class CWorkerThread;

// The base of the TCP, UDP and serial transports: the owning device, a link state under a lock,
// a connected flag, and the worker thread that opens the link, reads it and notices its loss.
//
// Threads that call back into the device:
// - the worker: OnConnected after a connect succeeds, OnReceive with every block read (straight
//   from the transport's buffer, valid only during the call), OnDisconnected when the peer goes;
// - whoever calls Close (the tick thread through Disconnect, the standard Update or a failed send):
//   OnDisconnected, once per established link.
//
// Only the worker creates and closes the link's descriptor. A Close on another thread shuts the
// link down and leaves the descriptor to the worker, so that a number the kernel hands out again
// never carries one device's bytes to another.
class CAbstractTransport
{
public:
    enum LinkState : uint8_t
    {
        LinkConnectRequested = 1,
        LinkConnected = 2,
        LinkClosed = 3,
    };

    // How long the worker sleeps in a pass with nothing to do.
    static constexpr uint32_t kIdleWaitMs = 100;

    explicit CAbstractTransport(CAbstractDevice* device);
    virtual ~CAbstractTransport();
    CAbstractTransport(const CAbstractTransport&) = delete;
    CAbstractTransport& operator=(const CAbstractTransport&) = delete;

    virtual bool Open(const char* host, uint16_t port, uint16_t localPort, uint32_t baud, uint8_t dataBits,
                      char parity) = 0;
    // Starts a connect and returns at once; the worker carries it out.
    virtual bool Connect() = 0;
    virtual void Close() = 0;
    virtual bool Send(const uint8_t* bytes, uint32_t length) = 0;

    enum SendOutcome : uint8_t
    {
        SendTaken,   // handed to the link
        SendBusy,    // not now: the link is up but still holds the previous message
        SendRefused, // no link, too long, or the write failed: waiting does not change it
    };
    // As Send, but tells a refusal that only means "try again shortly" from one that waiting does
    // not cure, so that a queue can keep its head for the next try instead of losing it. A
    // transport that writes on the caller's thread never is busy.
    virtual SendOutcome Offer(const uint8_t* bytes, uint32_t length)
    {
        return Send(bytes, length) ? SendTaken : SendRefused;
    }
    // Worker thread: waits a little for the link and hands on what arrived; false = link gone.
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
    // Starts the worker (a running worker is left as it is); false when it did not start.
    bool StartWorker();
    // Asks the worker to stop and waits until it has left. Derived destructors call it before
    // their own members go, since the worker calls their operations.
    void StopWorker();
    bool OnWorkerThread() const;
    bool StopRequested();

    // The common Connect: asks the worker to connect; true when a connect is asked for or the
    // link is up.
    bool RequestConnect();
    // One pass of the worker.
    virtual void WorkerPass();
    // Worker: one connect attempt, with its time-out; true when the link came up.
    virtual bool Attempt() { return false; }
    // Under the connected lock: tears the link down. On the worker the descriptor is closed;
    // elsewhere the link is only shut down and the worker closes the descriptor later.
    virtual void TearDown(bool onWorker) { (void)onWorker; }
    // Ends the link: clears the flag, sets the link closed, tears down, and calls OnDisconnected
    // when the link had been up.
    void EndLink();
    // Worker, after a failed Poll: ends the link unless a Close on another thread already ended
    // the one that was polled (then only the descriptor is released).
    void EndPolledLink(uint32_t serial);
    // Worker, after a failed attempt: releases the descriptor and, unless a Close came in
    // meanwhile, sets the link closed.
    void FailAttempt(uint32_t serial);
    // Worker, after a successful attempt: the link is up unless a Close came in meanwhile.
    bool CompleteAttempt(uint32_t serial);
    uint32_t GetCloseSerial();

    CAbstractDevice* m_device;
    uint8_t m_linkState = LinkClosed;
    CNerulanCriticalSection m_stateLock;
    std::unique_ptr<CWorkerThread> m_worker;
    // Guards the connected flag, the close serial and each derived transport's descriptor and
    // endpoint.
    CNerulanCriticalSection m_connectedLock;
    uint8_t m_connected = 0;
    // Counts the Closes, so that an attempt or a poll in progress on the worker learns that the
    // link it works on was ended by another thread.
    uint32_t m_closeSerial = 0;

private:
    void EndLinkIf(bool checkSerial, uint32_t serial);
    static void WorkerProcedure(CWorkerThread* worker);
};

#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "common/NerulanCriticalSection.h"
#include "devices/AbstractDevice.h"
#include "devices/SendQueue.h"
#include "devices/controllers/http/HTTPOutStream.h"
#include "devices/controllers/http/HttpResponseReader.h"
#include "devices/controllers/http/HttpResponseSink.h"

// A small HTTP/1.1 client built as a device. Requests are whole GET messages waiting in a queue;
// the device opens one TCP connection per request, sends the request when the connection is up,
// parses the response head, hands the body to its subclass (OnResponseData) and closes the
// connection once the body is complete. The custom HTTP device, the dynamic image fetcher and the
// XBMC driver build on it.
//
// A subclass:
//
//     class CMyHttpDevice : public CHTTPDevice
//     {
//     public:
//         CMyHttpDevice() { SetReadsBodies(true); }        // else the first bytes end a request
//         ~CMyHttpDevice() override { DeleteTransport(); } // first: the worker calls into us
//         bool Press(uint16_t channel, CNerulanValue*) override
//         {
//             return QueueGet("/jsonrpc?x=1", kMyTag);      // or build in OutStream() yourself
//         }
//     protected:
//         void OnResponseData(uint8_t part, const uint8_t* bytes, uint32_t length) override
//         {
//             // transport thread; CurrentTag() says which request this answers
//         }
//     };
//
// Phases: idle -> (a request is queued) connecting -> (connected: the head request is taken off
// the queue and sent) awaiting the head -> reading the body -> idle when the body is complete, the
// server closes, or a time-out ends it. Each phase has a 5000 ms time-out (from the connect
// attempt, from the request, from the last bytes received). A request that times out while
// connecting is dropped from the queue; one that times out later has already left it. A response
// whose status is not 200 ends that request only (a subclass may stop instead, StopsOnRefusal).
//
// Bodies: a plain body is handed over whole (PartWhole) once its length is in; a body without a
// length or coding is handed over empty at once; a chunked body comes as PartChunk pieces and
// ends with one PartEnd at its last chunk, when the device closes the connection; a body the
// server cuts short by closing gets a PartEnd then. Request paths go through
// CHttpPathEncoder::EncodePath (slashes, queries and %XX kept); a name taken from a peer is
// encoded with CHttpPathEncoder::EncodeComponent before it goes into a path.
//
// Threads: Update, Connect, the request building and queueing run on the tick thread;
// OnConnected, OnReceive and OnResponseData on the transport thread; OnDisconnected on either.
// The phase changes that go with taking a request off the queue happen under one lock, so a
// time-out and a connect that complete at the same moment never drop two requests.
class CHTTPDevice : public CAbstractDevice, private CHttpResponseSink
{
public:
    enum Phase : uint8_t
    {
        PhaseIdle = 0,
        PhaseStopped = 1, // after a refusal, when the subclass stops on one; Disconnect restarts
        PhaseConnecting = 2,
        PhaseAwaitingHead = 3,
        PhaseReadingBody = 4,
    };

    // The part argument of OnResponseData.
    enum ResponsePart : uint8_t
    {
        PartWhole = 0, // a whole body, or one part of a multipart body (all of it when parts
                       // carry no length: then each call hands what arrived)
        PartChunk = 1, // the bytes of a chunked body, a chunk or (for a chunk larger than what
                       // has arrived) a piece of one, in order
        PartEnd = 2,   // the end of a chunked or streamed body (no bytes)
    };

    static constexpr uint32_t kTimeoutMs = 5000;
    static constexpr int32_t kInStreamSize = 524288;
    static constexpr int32_t kQueueCapacity = 128;

    CHTTPDevice();
    // Deletes the transport first. A subclass's destructor calls DeleteTransport() itself first,
    // since the transport's thread calls the subclass's operations.
    ~CHTTPDevice() override;

    int GetKind() override { return -1; }
    // Opens the transport again with the stored host and port and asks it to connect; phase
    // connecting. False without a transport.
    bool Connect() override;
    // Phase idle; closes the connection.
    void Disconnect() override;
    // Keeps the host (null when empty) and port and opens the transport with them.
    bool Configure(DeviceParams* params) override;
    // Takes every channel and keeps none (subclasses keep theirs).
    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    bool Update() override;
    void OnConnected() override;
    void OnDisconnected() override;
    void OnReceive(const uint8_t* bytes, uint32_t length) override;
    bool ReadsReportKind() const override { return false; }

    // The body of the response to the request being answered, transport thread (see
    // ResponsePart). The bytes are the device's and valid only during the call. Nothing here.
    virtual void OnResponseData(uint8_t part, const uint8_t* bytes, uint32_t length);

    // Builds "GET path", the fixed headers, Basic authorisation when a user and a password are
    // set, and the end of the head, and queues it with the tag; false without a host or path.
    // Tick thread. (To add headers, build in OutStream() under SendLock() and call QueueRequest.)
    bool QueueGet(const char* path, int32_t tag);
    // Queues what the out-stream holds with the tag; QueueRequestOnce refuses (false) when a
    // request with this tag is already waiting (a poll that must never queue twice).
    bool QueueRequest(int32_t tag);
    bool QueueRequestOnce(int32_t tag);

    const char* GetHost() const { return m_host.empty() ? nullptr : m_host.c_str(); }
    uint16_t GetPort() const { return m_port; }
    // Credentials for Basic authorisation; null or empty clears one. Tick thread.
    void SetUser(const char* user) { m_user = user ? user : ""; }
    void SetPassword(const char* password) { m_password = password ? password : ""; }
    const char* GetUser() const { return m_user.empty() ? nullptr : m_user.c_str(); }
    const char* GetPassword() const { return m_password.empty() ? nullptr : m_password.c_str(); }
    // false: the first bytes of an answer end the request (nothing is read); true: bodies are
    // read and handed to OnResponseData. Set before the first request.
    void SetReadsBodies(bool reads) { m_readsBodies = reads ? 1 : 0; }
    bool ReadsBodies() const { return m_readsBodies != 0; }

    uint8_t GetPhase() const { return m_phase.load(); }
    // The fields of the response being read (transport thread; others read them as they stand).
    int32_t GetStatus() const { return m_status.load(); }
    uint16_t GetContentType() const { return m_contentType.load(); }
    uint8_t GetResponseFlags() const { return m_responseFlags.load(); }
    uint32_t GetContentLength() const { return m_contentLength.load(); }
    // The tag of the request being answered.
    int32_t CurrentTag() const { return m_currentTag.load(); }
    CSendQueue& Queue() { return m_queue; }
    // The request builder; use it under SendLock().
    CHTTPOutStream& OutStream() { return m_out; }

protected:
    // Whether a response whose status is not 200 stops the device (phase stopped, nothing more is
    // requested until Disconnect) rather than ending just that request.
    virtual bool StopsOnRefusal() const { return false; }
    // Ends the request being answered: the phase goes to idle (stopped) first, so that the
    // close delivers no end of body, then the connection closes.
    void EndRequest(uint8_t phase = PhaseIdle);
    // EndRequest for what the transport's thread read, only while a request is still being
    // answered.
    void EndAnsweredRequest(uint8_t phase);
    // What Connect does, and what Update does when a request waits (whatever a subclass's Connect
    // does): opens the transport again with the stored host and port and asks it to connect.
    bool StartConnection();
    void SetPhase(uint8_t phase) { m_phase = phase; }

    std::string m_host;
    uint16_t m_port = 0;

private:
    // The reader's hand-over: publishes the head's fields, then OnResponseData.
    void OnResponseBody(uint8_t part, const uint8_t* bytes, uint32_t length,
                        const HttpResponseFields& fields) override;
    void PublishFields(const HttpResponseFields& fields);

    std::string m_user;
    std::string m_password;
    std::atomic<uint8_t> m_phase{PhaseIdle};
    std::atomic<uint8_t> m_readsBodies{0};
    std::atomic<uint8_t> m_responseFlags{0};
    std::atomic<int32_t> m_status{0};
    std::atomic<uint16_t> m_contentType{0};
    std::atomic<uint32_t> m_contentLength{0};
    std::atomic<uint32_t> m_lastActivity{0};
    std::atomic<int32_t> m_currentTag{0};
    // Taken with every phase change that goes with taking a request off the queue.
    CNerulanCriticalSection m_phaseLock;
    // Transport thread only (OnConnected begins each response on it).
    CHttpResponseReader m_reader{kInStreamSize};
    CHTTPOutStream m_out;
    CSendQueue m_queue{kQueueCapacity};
};

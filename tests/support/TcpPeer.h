#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "PeerLog.h"

// A scripted TCP server on 127.0.0.1 standing in for a controller. It accepts one client at a
// time (a new client replaces the old one), records what the client sends (PeerLog) and sends
// bytes when told or when a reply rule matches. On cue it refuses connects, closes the client,
// stops reading (stalls), or leaves connects unanswered.
//
//   TcpPeer peer;                                  // port chosen by the system
//   peer.AddReply(PeerText("PING\r"), PeerText("PONG\r"));
//   transport.Open("127.0.0.1", peer.Port(), 0, 0, 0, 0);
//   transport.Connect();
//   ASSERT_TRUE(peer.WaitAccepted(1, 10000));
//   peer.Send(PeerText("hello"));                      // reaches the device's OnReceive
//   ASSERT_TRUE(peer.WaitBytes(5, 10000));          // the panel's bytes: peer.Bytes(), peer.Chunks()
//   peer.CloseClient();                            // the panel sees the peer close
//   peer.SetRefusing(true);                        // next connects are refused
class TcpPeer : public PeerLog
{
public:
    TcpPeer();
    ~TcpPeer() override;

    bool Ok() const { return m_port != 0; }
    uint16_t Port() const { return m_port; }

    // Clients accepted so far.
    int Accepted() const { return m_accepted; }
    bool WaitAccepted(int count, uint32_t ms) const;
    // Whether the current client has closed its end (or there is none).
    bool ClientGone() const;
    bool WaitClientGone(uint32_t ms) const;

    // To the current client; false when there is none or it fails.
    bool Send(const std::vector<uint8_t>& bytes);
    // Sent to every client as soon as it is accepted.
    void SetGreeting(const std::vector<uint8_t>& bytes);
    // Closes the current client's connection.
    void CloseClient();
    // true: the listener is closed, so connects are refused; false: listening again, same port.
    void SetRefusing(bool refusing);
    // true: the peer reads nothing more, so a client that keeps sending fills the buffers and
    // its sends block; false: reading again.
    void SetStalled(bool stalled);
    // From now on connects are left unanswered (the listener's queue is full and never taken):
    // a client's connect stays pending until it gives up.
    bool SetUnanswered();

private:
    void Run();
    bool Listen(int backlog);
    void Accept();
    void ReadClient();

    std::atomic<uint16_t> m_port{0};
    std::atomic<int> m_accepted{0};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_stalled{false};
    mutable std::mutex m_lock; // the descriptors and the greeting
    int m_listener = -1;
    int m_client = -1;
    bool m_unanswered = false;
    std::vector<int> m_fillers;
    std::vector<uint8_t> m_greeting;
    std::thread m_thread;
};

#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "PeerLog.h"

// A scripted UDP endpoint on 127.0.0.1. It records every datagram with its time and the sender's
// port (PeerLog::Chunk::fromPort), answers reply rules to the sender, and sends datagrams when
// told. Datagrams up to 65507 bytes are taken whole.
//
//   UdpPeer peer;                                   // port chosen by the system
//   transport.Open("127.0.0.1", peer.Port(), 0, 0, 0, 0);
//   transport.Connect();                            // once up: transport.GetLocalPort()
//   peer.SendTo(transport.GetLocalPort(), PeerText("status"));
//   transport.Send(bytes, n);  ASSERT_TRUE(peer.WaitChunks(1, 10000));
//   peer.Answer(PeerText("ack"));                       // to the sender of the last datagram
class UdpPeer : public PeerLog
{
public:
    // port 0: the system chooses. reuse: shares the port with other sockets that allow it.
    explicit UdpPeer(uint16_t port = 0, bool reuse = false);
    ~UdpPeer() override;

    bool Ok() const { return m_port != 0; }
    uint16_t Port() const { return m_port; }

    // One datagram to 127.0.0.1:port.
    bool SendTo(uint16_t port, const std::vector<uint8_t>& bytes);
    // One datagram to the sender of the last datagram received.
    bool Answer(const std::vector<uint8_t>& bytes);
    // true: datagrams stay unread in the socket; false: reading again.
    void SetStalled(bool stalled) { m_stalled = stalled; }

private:
    void Run();

    int m_socket = -1;
    std::atomic<uint16_t> m_port{0};
    std::atomic<uint16_t> m_lastSender{0};
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_stalled{false};
    std::thread m_thread;
};

// The UDP transport against a scripted endpoint on 127.0.0.1: datagrams both ways with their
// senders, the receive buffer's limit, a shared local port, and sends without a peer.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "devices/UDPTransport.h"
#include "devices/support/TransportTestDevice.h"
#include "support/UdpPeer.h"

namespace
{
const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

// A port that is free at this moment (bound and released).
uint16_t FreeUdpPort()
{
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = kLoopback;
    socklen_t length = sizeof address;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

// Records the sender of every datagram as the transport reports it during OnReceive.
class CSenderDevice : public CTransportTestDevice
{
public:
    void OnReceive(const uint8_t* bytes, uint32_t length) override
    {
        auto* transport = static_cast<CUDPTransport*>(GetTransport());
        {
            std::lock_guard<std::mutex> lock(m_senderLock);
            m_senders.emplace_back(transport->GetSenderAddress(), transport->GetSenderPort());
        }
        CTransportTestDevice::OnReceive(bytes, length);
    }
    std::vector<std::pair<uint32_t, uint16_t>> Senders()
    {
        std::lock_guard<std::mutex> lock(m_senderLock);
        return m_senders;
    }

private:
    std::mutex m_senderLock;
    std::vector<std::pair<uint32_t, uint16_t>> m_senders;
};

class UdpTransport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_peer.Ok());
        m_transport = m_device.Attach<CUDPTransport>();
    }

    bool Online(uint16_t localPort = 0)
    {
        return m_transport->Open("127.0.0.1", m_peer.Port(), localPort, 0, 0, 0) &&
               TickUntil(m_device, 10000,
                         [&] { return m_device.GetState() == CAbstractDevice::StateOnline; });
    }

    UdpPeer m_peer;
    CSenderDevice m_device;
    CUDPTransport* m_transport = nullptr;
};

TEST_F(UdpTransport, OpenFailsOnlyWithNeitherHostNorPort)
{
    struct Case
    {
        const char* host;
        uint16_t port;
        bool opens;
    };
    for (const Case& c : {Case{nullptr, 0, false}, Case{"", 0, false}, Case{"", 5000, true},
                          Case{nullptr, 5000, true}, Case{"127.0.0.1", 0, true}})
        EXPECT_EQ(m_transport->Open(c.host, c.port, 0, 0, 0, 0), c.opens) << (c.host ? c.host : "null");
}

TEST_F(UdpTransport, DatagramsCrossBothWaysWithTheirSender)
{
    ASSERT_TRUE(Online());
    EXPECT_EQ(m_device.connects, 1);
    EXPECT_EQ(m_transport->GetLocalAddress(), kLoopback);
    EXPECT_EQ(m_transport->GetRemoteAddress(), kLoopback);
    EXPECT_EQ(m_transport->GetRemotePort(), m_peer.Port());
    const uint16_t local = m_transport->GetLocalPort();
    ASSERT_NE(local, 0);

    ASSERT_TRUE(m_transport->Send(PeerText("status?").data(), 7));
    ASSERT_TRUE(m_peer.WaitChunks(1, 10000));
    EXPECT_EQ(m_peer.Chunks()[0].bytes, PeerText("status?"));
    EXPECT_EQ(m_peer.Chunks()[0].fromPort, local);

    ASSERT_TRUE(m_peer.Answer(PeerText("one")));
    ASSERT_TRUE(m_peer.SendTo(local, PeerText("two")));
    ASSERT_TRUE(WaitUntil(10000, [&] { return m_device.Blocks().size() == 2; }));
    EXPECT_EQ(m_device.Blocks()[0], PeerText("one"));
    EXPECT_EQ(m_device.Blocks()[1], PeerText("two"));
    EXPECT_NE(m_device.ReceivedOn(), std::this_thread::get_id());
    for (const auto& sender : m_device.Senders())
        EXPECT_EQ(sender, std::make_pair(kLoopback, m_peer.Port()));
}

// The receive buffer holds 1024 bytes: a longer datagram is dropped whole, never cut, and the
// link goes on.
TEST_F(UdpTransport, ADatagramLongerThanTheBufferIsDroppedWhole)
{
    ASSERT_TRUE(Online());
    const uint16_t local = m_transport->GetLocalPort();
    ASSERT_TRUE(m_peer.SendTo(local, PeerGarbage(1024, 7)));
    ASSERT_TRUE(m_peer.SendTo(local, PeerGarbage(1025, 8)));
    ASSERT_TRUE(m_peer.SendTo(local, PeerText("after")));
    ASSERT_TRUE(WaitUntil(10000, [&] { return m_device.Blocks().size() >= 2; }));
    platform::SleepMs(100);
    auto blocks = m_device.Blocks();
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[0], PeerGarbage(1024, 7));
    EXPECT_EQ(blocks[1], PeerText("after"));
    EXPECT_EQ(m_device.disconnects, 0);
}

// A driver that listens on the port it sends to hears its own datagrams and tells them apart
// by their sender, which is its own local address and port.
TEST_F(UdpTransport, ADriverRecognisesItsOwnDatagramsOnASharedPort)
{
    const uint16_t shared = FreeUdpPort();
    CSenderDevice device;
    auto* transport = device.Attach<CUDPTransport>();
    transport->SetReuseAddress(true);
    ASSERT_TRUE(transport->Open("127.0.0.1", shared, shared, 0, 0, 0));
    ASSERT_TRUE(TickUntil(device, 10000, [&] { return device.GetState() == CAbstractDevice::StateOnline; }));
    EXPECT_EQ(transport->GetLocalPort(), shared);
    ASSERT_TRUE(transport->Send(PeerText("own").data(), 3));
    ASSERT_TRUE(WaitUntil(10000, [&] { return device.Blocks().size() == 1; }));
    ASSERT_EQ(device.Senders().size(), 1u);
    EXPECT_EQ(device.Senders()[0].first, transport->GetLocalAddress());
    EXPECT_EQ(device.Senders()[0].second, transport->GetLocalPort());

    // A second socket may share the port only because both allow it.
    UdpPeer sharing(shared, true);
    EXPECT_TRUE(sharing.Ok());
    CTransportTestDevice strict;
    auto* strictTransport = strict.Attach<CUDPTransport>();
    ASSERT_TRUE(strictTransport->Open("127.0.0.1", shared, shared, 0, 0, 0));
    ASSERT_TRUE(strictTransport->Connect());
    EXPECT_TRUE(
        WaitUntil(10000, [&] { return strictTransport->GetLinkState() == CAbstractTransport::LinkClosed; }));
    EXPECT_EQ(strict.connects, 0);
}

// Without a host the socket only receives: sends fail, nothing is dereferenced.
TEST_F(UdpTransport, WithoutAHostTheSocketOnlyReceives)
{
    ASSERT_TRUE(m_transport->Open(nullptr, 5000, 0, 0, 0, 0));
    ASSERT_TRUE(
        TickUntil(m_device, 10000, [&] { return m_device.GetState() == CAbstractDevice::StateOnline; }));
    EXPECT_FALSE(m_transport->Send(PeerText("x").data(), 1));
    EXPECT_EQ(m_transport->GetRemoteAddress(), 0u);
    ASSERT_TRUE(m_peer.SendTo(m_transport->GetLocalPort(), PeerText("in")));
    EXPECT_TRUE(WaitUntil(10000, [&] { return m_device.Received() == PeerText("in"); }));
}

TEST_F(UdpTransport, CloseReportsOnceAndSendsFailUntilTheNextConnect)
{
    ASSERT_TRUE(Online());
    m_transport->Close();
    m_transport->Close();
    EXPECT_EQ(m_device.disconnects, 1);
    EXPECT_FALSE(m_transport->Send(PeerText("x").data(), 1));
    ASSERT_TRUE(
        TickUntil(m_device, 10000, [&] { return m_device.GetState() == CAbstractDevice::StateOnline; }));
    ASSERT_TRUE(m_transport->Send(PeerText("y").data(), 1));
    EXPECT_TRUE(m_peer.WaitBytes(1, 10000));
}
} // namespace

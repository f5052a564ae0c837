// The TCP transport against a scripted server on 127.0.0.1: the connection cycle with refused,
// closed, stalled and unanswered peers, and what crosses between the tick thread and the worker.
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include "devices/TCPTransport.h"
#include "devices/support/TransportTestDevice.h"
#include "support/TcpPeer.h"

namespace
{
const uint32_t kLoopback = htonl(INADDR_LOOPBACK);

class TcpTransport : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_peer.Ok());
        m_transport = m_device.Attach<CTCPTransport>();
    }

    bool OpenToPeer() { return m_transport->Open("127.0.0.1", m_peer.Port(), 0, 0, 0, 0); }
    bool ConnectOnline()
    {
        // The kernel completes a connect before the peer takes it: wait for both.
        const int accepted = m_peer.Accepted();
        return OpenToPeer() &&
               TickUntil(m_device, 10000,
                         [&] { return m_device.GetState() == CAbstractDevice::StateOnline; }) &&
               m_peer.WaitAccepted(accepted + 1, 10000);
    }

    TcpPeer m_peer;
    CTransportTestDevice m_device;
    CTCPTransport* m_transport = nullptr;
};

TEST_F(TcpTransport, OpenNeedsHostAndPort)
{
    struct Case
    {
        const char* host;
        uint16_t port;
        bool opens;
    };
    for (const Case& c : {Case{nullptr, 5000, false}, Case{"", 5000, false}, Case{"127.0.0.1", 0, false},
                          Case{"127.0.0.1", 5000, true}})
        EXPECT_EQ(m_transport->Open(c.host, c.port, 0, 0, 0, 0), c.opens) << (c.host ? c.host : "null");
}

TEST_F(TcpTransport, BytesCrossBothWaysAndTheEndpointsAreTheKernels)
{
    ASSERT_TRUE(ConnectOnline());
    EXPECT_EQ(m_device.connects, 1);
    EXPECT_NE(m_device.ConnectedOn(), std::this_thread::get_id());

    ASSERT_TRUE(m_transport->Send(reinterpret_cast<const uint8_t*>("hello"), 5));
    ASSERT_TRUE(m_peer.WaitBytes(5, 10000));
    EXPECT_EQ(m_peer.Bytes(), PeerText("hello"));

    ASSERT_TRUE(m_peer.Send(PeerText("feedback")));
    ASSERT_TRUE(WaitUntil(10000, [&] { return m_device.Received().size() >= 8; }));
    EXPECT_EQ(m_device.Received(), PeerText("feedback"));
    EXPECT_NE(m_device.ReceivedOn(), std::this_thread::get_id());

    // The local address is the one the peer sees, never the host name's first address.
    EXPECT_EQ(m_transport->GetLocalAddress(), kLoopback);
    EXPECT_NE(m_transport->GetLocalPort(), 0);
    EXPECT_EQ(m_transport->GetRemoteAddress(), kLoopback);
    EXPECT_EQ(m_transport->GetRemotePort(), m_peer.Port());
}

TEST_F(TcpTransport, ScriptedAnswersAndAGreetingArrive)
{
    m_peer.SetGreeting(PeerText("WELCOME\r"));
    m_peer.AddReply(PeerText("PING\r"), PeerText("PONG\r"));
    ASSERT_TRUE(ConnectOnline());
    ASSERT_TRUE(WaitUntil(10000, [&] { return m_device.Received() == PeerText("WELCOME\r"); }));
    ASSERT_TRUE(m_transport->Send(PeerText("PI").data(), 2));
    ASSERT_TRUE(m_transport->Send(PeerText("NG\r").data(), 3));
    EXPECT_TRUE(WaitUntil(10000, [&] { return m_device.Received() == PeerText("WELCOME\rPONG\r"); }));
}

// A refused attempt is not repeated on every tick: the next comes once the reconnect wait has
// passed since the last one started, and no attempt leaves a descriptor behind.
TEST_F(TcpTransport, RefusedConnectIsRetriedAfterTheReconnectWaitAndLeaksNothing)
{
    m_peer.SetRefusing(true);
    ASSERT_TRUE(OpenToPeer());
    const int descriptors = OpenDescriptorCount();
    for (int attempt = 1; attempt <= 5; ++attempt)
    {
        ASSERT_TRUE(TickUntil(m_device, 10000, [&] { return m_device.connectCalls == attempt; }));
        ASSERT_TRUE(
            WaitUntil(10000, [&] { return m_transport->GetLinkState() == CAbstractTransport::LinkClosed; }));
        // Still connecting: ticks within the wait start nothing.
        TickUntil(m_device, 60, [] { return false; });
        EXPECT_EQ(m_device.connectCalls, attempt);
        EXPECT_EQ(m_device.GetState(), CAbstractDevice::StateConnecting);
        m_device.Advance(CAbstractDevice::kReconnectWait + 1);
    }
    EXPECT_EQ(OpenDescriptorCount(), descriptors);
    EXPECT_EQ(m_device.connects, 0);

    m_peer.SetRefusing(false);
    ASSERT_TRUE(
        TickUntil(m_device, 10000, [&] { return m_device.GetState() == CAbstractDevice::StateOnline; }));
    EXPECT_TRUE(m_peer.WaitAccepted(1, 10000));
}

TEST_F(TcpTransport, PeerCloseIsReportedOnceAndTheLinkReopensAtTheNextTick)
{
    ASSERT_TRUE(ConnectOnline());
    m_peer.CloseClient();
    ASSERT_TRUE(WaitUntil(10000, [&] { return m_device.disconnects == 1; }));
    EXPECT_NE(m_device.DisconnectedOn(), std::this_thread::get_id());
    EXPECT_EQ(m_transport->GetLinkState(), CAbstractTransport::LinkClosed);
    EXPECT_FALSE(m_transport->Send(PeerText("x").data(), 1));

    ASSERT_TRUE(
        TickUntil(m_device, 10000, [&] { return m_device.GetState() == CAbstractDevice::StateOnline; }));
    EXPECT_TRUE(m_peer.WaitAccepted(2, 10000));
    EXPECT_EQ(m_device.disconnects, 1);
}

TEST_F(TcpTransport, CloseOnTheTickThreadReportsOnceAndTheWorkerReleasesTheDescriptor)
{
    const int descriptors = OpenDescriptorCount();
    ASSERT_TRUE(ConnectOnline());
    EXPECT_GT(OpenDescriptorCount(), descriptors);
    m_transport->Close();
    m_transport->Close();
    EXPECT_EQ(m_device.disconnects, 1);
    EXPECT_EQ(m_device.DisconnectedOn(), std::this_thread::get_id());
    EXPECT_TRUE(m_peer.WaitClientGone(10000));
    EXPECT_TRUE(WaitUntil(10000, [&] { return OpenDescriptorCount() == descriptors; }));
}

// A peer that stops reading: the send waits ten times 100 ms, then gives up and closes the link.
TEST_F(TcpTransport, SendToAStalledPeerGivesUpAfterItsWaitsAndCloses)
{
    ASSERT_TRUE(ConnectOnline());
    m_peer.SetStalled(true);
    std::vector<uint8_t> block(65536, 0x55);
    uint32_t failedAfter = 0;
    for (int i = 0; i < 2000 && !failedAfter; ++i)
    {
        uint32_t start = platform::ClockMs();
        if (!m_transport->Send(block.data(), static_cast<uint32_t>(block.size())))
            failedAfter = platform::ElapsedMs(platform::ClockMs(), start);
    }
    ASSERT_NE(failedAfter, 0u) << "the buffers never filled";
    EXPECT_GE(failedAfter, 950u);
    EXPECT_LT(failedAfter, 3000u);
    EXPECT_EQ(m_device.disconnects, 1);
    EXPECT_EQ(m_transport->GetLinkState(), CAbstractTransport::LinkClosed);
}

// A host that never answers a connect: the tick that starts the connect returns at once, every
// tick keeps its period while the worker waits, and the attempt ends at the time-out.
TEST_F(TcpTransport, UnansweredConnectNeverHoldsTheTick)
{
    ASSERT_TRUE(m_peer.SetUnanswered());
    CTransportTestDevice device(true);
    auto* transport = device.Attach<CTCPTransport>();
    // A tick that waited for the connect would take the whole time-out: the limits below are far
    // under it, and far over what a busy machine may add to a tick.
    transport->SetConnectTimeout(2000);
    ASSERT_TRUE(transport->Open("127.0.0.1", m_peer.Port(), 0, 0, 0, 0));

    uint32_t start = platform::ClockMs();
    EXPECT_TRUE(device.Connect());
    EXPECT_LT(platform::ElapsedMs(platform::ClockMs(), start), 500u);
    uint32_t longestTick = 0;
    bool sawPending = false;
    for (int tick = 0; tick < 60; ++tick)
    {
        uint32_t before = platform::ClockMs();
        device.Update();
        longestTick = std::max(longestTick, platform::ElapsedMs(platform::ClockMs(), before));
        sawPending |= transport->GetLinkState() == CAbstractTransport::LinkConnectRequested;
        platform::SleepMs(5);
    }
    EXPECT_TRUE(sawPending);
    EXPECT_LT(longestTick, 500u);
    EXPECT_TRUE(
        WaitUntil(10000, [&] { return transport->GetLinkState() == CAbstractTransport::LinkClosed; }));
    EXPECT_EQ(device.connects, 0);
}

// A Close while the connect waits ends the attempt; deleting the transport then is quick.
TEST_F(TcpTransport, CloseDuringAConnectAbandonsItAndDeletionIsQuick)
{
    ASSERT_TRUE(m_peer.SetUnanswered());
    ASSERT_TRUE(OpenToPeer());
    ASSERT_TRUE(m_transport->Connect());
    platform::SleepMs(150);
    EXPECT_EQ(m_transport->GetLinkState(), CAbstractTransport::LinkConnectRequested);
    m_transport->Close();
    EXPECT_EQ(m_transport->GetLinkState(), CAbstractTransport::LinkClosed);
    EXPECT_EQ(m_device.disconnects, 0);

    auto* device = new CTransportTestDevice;
    auto* transport = device->Attach<CTCPTransport>();
    ASSERT_TRUE(transport->Open("127.0.0.1", m_peer.Port(), 0, 0, 0, 0));
    ASSERT_TRUE(transport->Connect());
    platform::SleepMs(150);
    uint32_t start = platform::ClockMs();
    delete device;
    // Far under the 5 s connect time-out the worker would otherwise sit out.
    EXPECT_LT(platform::ElapsedMs(platform::ClockMs(), start), 2000u);
    EXPECT_EQ(m_device.connects, 0);
}
} // namespace

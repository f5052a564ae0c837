// The codecs against knxd, a real KNXnet/IP tunnelling server, in a network namespace of the
// test's own: what the builders write is accepted, and what knxd sends is read as knxtool wrote it.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "devices/buses/knx/CemiFrame.h"
#include "devices/buses/knx/EIBInStream.h"
#include "devices/buses/knx/KnxNetIpFrame.h"
#include "devices/buses/knx/KnxValueCodec.h"
#include "support/KnxdPeer.h"

namespace
{
using Bytes = std::vector<uint8_t>;
using namespace KnxNetIp;

// A tunnel client made of the codecs and a plain UDP socket.
class RawTunnel
{
public:
    ~RawTunnel()
    {
        if (m_fd >= 0)
            close(m_fd);
    }

    bool Open()
    {
        m_fd = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in server{};
        server.sin_family = AF_INET;
        server.sin_port = htons(KnxdPeer::kPort);
        server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (m_fd < 0 || connect(m_fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0)
            return false;
        sockaddr_in local{};
        socklen_t length = sizeof local;
        getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length);
        m_local.address = ntohl(local.sin_addr.s_addr);
        m_local.port = ntohs(local.sin_port);
        return true;
    }

    void Send(const Bytes& bytes)
    {
        ASSERT_EQ(send(m_fd, bytes.data(), bytes.size(), 0), ssize_t(bytes.size()));
    }

    // The next frame of the service (others are passed over); false after the time-out.
    bool Receive(uint16_t service, Bytes& body, int timeoutMs = 3000)
    {
        for (int waited = 0; waited < timeoutMs; waited += 50)
        {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            uint8_t buffer[1500];
            ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                continue;
            // One datagram holds one frame: nothing of it is kept for the next.
            CEIBInStream stream;
            stream.Append(buffer, static_cast<int32_t>(n));
            FrameSpan span;
            const uint8_t* frameBody = nullptr;
            size_t length = 0;
            while (stream.ReadFrame(span, frameBody, length))
            {
                if (span.service == TunnellingRequest)
                    AckRequest(frameBody, length);
                if (span.service == service)
                {
                    body.assign(frameBody, frameBody + length);
                    return true;
                }
            }
        }
        return false;
    }

    const Hpai& Local() const { return m_local; }
    uint8_t channel = 0;

private:
    void AckRequest(const uint8_t* body, size_t length)
    {
        ConnectionHeader header;
        if (!ParseConnectionHeader(body, length, header))
            return;
        Bytes ack;
        BuildTunnellingAck(header.channel, header.sequence, 0, ack);
        send(m_fd, ack.data(), ack.size(), 0);
    }

    int m_fd = -1;
    Hpai m_local;
};

TEST(KnxdCodec, TunnelConnectsWritesReadsAndDisconnects)
{
    RunInOwnNetworkNamespace(
        []
        {
            KnxdPeer knxd;
            ASSERT_TRUE(knxd.Start()) << knxd.Error();
            RawTunnel tunnel;
            ASSERT_TRUE(tunnel.Open());
            // The host address block holds the address the kernel uses toward the server.
            EXPECT_EQ(tunnel.Local().address, 0x7F000001u);

            Bytes request, body;
            BuildConnectRequest(tunnel.Local(), tunnel.Local(), request);
            tunnel.Send(request);
            ASSERT_TRUE(tunnel.Receive(ConnectResponse, body));
            ConnectResult connected;
            ASSERT_TRUE(ParseConnectResponse(body.data(), body.size(), connected));
            ASSERT_EQ(connected.status, 0);
            EXPECT_EQ(connected.area, 0);
            EXPECT_EQ(connected.line, 0);
            EXPECT_GE(connected.device, 100);

            // A 2-byte float written by knxtool reaches the tunnel and decodes to 21.5.
            int status = -1;
            knxd.Tool("groupwrite " + knxd.Url() + " 1/2/4 0C 33", &status);
            ASSERT_EQ(status, 0);
            bool seen = false;
            for (int i = 0; i < 5 && !seen; ++i)
            {
                ASSERT_TRUE(tunnel.Receive(TunnellingRequest, body));
                ConnectionHeader header;
                ASSERT_TRUE(ParseConnectionHeader(body.data(), body.size(), header));
                uint8_t code = 0;
                CemiFrame frame;
                ASSERT_TRUE(ParseCemiFrame(body.data() + header.cemiOffset, body.size() - header.cemiOffset,
                                           code, frame));
                if (frame.groupFlag && frame.destMain == 1 && frame.destMiddle == 2 && frame.destSub == 4)
                {
                    KnxDecodedValue value;
                    ASSERT_TRUE(KnxDecodeChannelValue(ValueKnxFloat16, 0, frame.data.data(),
                                                      frame.data.size(), value));
                    EXPECT_FLOAT_EQ(value.posted, 21.5f);
                    EXPECT_EQ(frame.apci, CemiFrame::kGroupValueWrite);
                    seen = true;
                }
            }
            EXPECT_TRUE(seen);

            // A group write from the tunnel is seen on the bus.
            ASSERT_TRUE(knxd.StartListener("groupsocketlisten " + knxd.Url()));
            CemiFrame write;
            write.priority = 3;
            write.hopCount = 6;
            write.groupFlag = 1;
            write.sourceDevice = connected.device;
            write.destMain = 1;
            write.destMiddle = 2;
            write.destSub = 3;
            write.apci = CemiFrame::kGroupValueWrite;
            std::unique_ptr<CNerulanValue> value(CNerulanValue::NewFloat(20.3f));
            ASSERT_TRUE(KnxEncodeChannelValue(ValueKnxFloat16, 0, *value, write.data));
            Bytes cemi;
            WriteCemiFrame(CemiFrame::kDataRequest, write, cemi);
            request.clear();
            BuildTunnellingRequest(connected.channel, 0, cemi, request);
            tunnel.Send(request);
            ASSERT_TRUE(tunnel.Receive(TunnellingAck, body));
            ConnectionHeader ack;
            ASSERT_TRUE(ParseConnectionHeader(body.data(), body.size(), ack));
            EXPECT_EQ(ack.sequence, 0);
            EXPECT_EQ(ack.status, 0);
            std::string heard = knxd.EndListenerWhenHeard({"to 1/2/3: 07 EE"});
            EXPECT_NE(heard.find("to 1/2/3: 07 EE"), std::string::npos) << heard;

            request.clear();
            BuildConnectionStateRequest(connected.channel, tunnel.Local(), request);
            tunnel.Send(request);
            ASSERT_TRUE(tunnel.Receive(ConnectionStateResponse, body));
            uint8_t channel = 0, state = 0xFF;
            ASSERT_TRUE(ParseChannelStatus(body.data(), body.size(), channel, state));
            EXPECT_EQ(state, 0);

            request.clear();
            BuildDisconnectRequest(connected.channel, tunnel.Local(), request);
            tunnel.Send(request);
            ASSERT_TRUE(tunnel.Receive(DisconnectResponse, body));
            ASSERT_TRUE(ParseChannelStatus(body.data(), body.size(), channel, state));
            EXPECT_EQ(channel, connected.channel);
            EXPECT_EQ(state, 0);
        });
}
} // namespace

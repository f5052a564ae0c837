// The custom HTTP device (0xE1) against a scripted server: the paths its channels request and how
// it reads (or does not read) the answers.
#include "HttpTestSupport.h"
#include "common/NerulanValue.h"
#include "devices/DeviceFactory.h"
#include "devices/controllers/custom/CustomChannel.h"
#include "devices/controllers/http/CustomHTTPDevice.h"
#include "devices/support/TransportTestDevice.h"
#include "support/TcpPeer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
using http_test::ConfigureLoopback;
using http_test::RequestFor;
using http_test::Text;

std::vector<uint8_t> Blob(uint8_t kind, uint8_t repeat, const std::string& bytes)
{
    std::vector<uint8_t> blob;
    auto u32 = [&](uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            blob.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    blob.push_back(kind);
    u32(0);
    u32(0);
    blob.push_back(repeat);
    u32(static_cast<uint32_t>(bytes.size()));
    blob.insert(blob.end(), bytes.begin(), bytes.end());
    return blob;
}

class CustomHttpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        ASSERT_TRUE(ConfigureLoopback(device, peer.Port()));
    }
    void Add(uint32_t id, uint8_t kind, const std::string& bytes, uint8_t repeat = 1)
    {
        auto blob = Blob(kind, repeat, bytes);
        ASSERT_TRUE(device.AddChannel(id, 0, 0, 0, static_cast<uint32_t>(blob.size()), blob.data()));
    }
    bool Received(const std::string& text, uint32_t ms = 10000)
    {
        return TickUntil(device, ms, [&] { return Text(peer.Bytes()).find(text) != std::string::npos; });
    }
    bool Drained(uint32_t ms = 10000)
    {
        return TickUntil(
            device, ms,
            [&] { return device.Queue().GetCount() == 0 && device.GetPhase() == CHTTPDevice::PhaseIdle; });
    }

    TcpPeer peer;
    CCustomHTTPDevice device;
};

TEST_F(CustomHttpTest, AValuePatternRequestsThePathWithTheValue)
{
    Add(9, CustomKindValue, "/level?v=%d");
    std::unique_ptr<CNerulanValue> value(CNerulanValue::NewInt(42));
    ASSERT_TRUE(device.SetValue(9, value.get()));
    EXPECT_EQ(peer.Accepted(), 0); // a value alone sends nothing
    ASSERT_TRUE(device.Release(9, nullptr));
    ASSERT_TRUE(Received("\r\n\r\n"));
    EXPECT_EQ(Text(peer.Bytes()),
              "GET /level?v=42 HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Nerulan/1.5.6\r\n"
              "Accept: */*\r\n\r\n");
}

TEST_F(CustomHttpTest, APatternThatIsNoSingleIntegerConversionIsSentAsText)
{
    Add(9, CustomKindValue, "/say?%s%n");
    std::unique_ptr<CNerulanValue> value(CNerulanValue::NewInt(42));
    ASSERT_TRUE(device.SetValue(9, value.get()));
    ASSERT_TRUE(device.Release(9, nullptr));
    ASSERT_TRUE(Received("\r\n\r\n"));
    EXPECT_EQ(Text(peer.Bytes()), RequestFor("/say?%s%n"));
}

TEST_F(CustomHttpTest, PressAndReleasePathsAreEncoded)
{
    Add(1, CustomKindPress, "/a b:c");
    Add(1, CustomKindRelease, "/off");
    ASSERT_TRUE(device.Press(1, nullptr));
    ASSERT_TRUE(Received("\r\n\r\n"));
    EXPECT_EQ(Text(peer.Bytes()), RequestFor("/a%20b%3Ac"));
    peer.CloseClient();
    ASSERT_TRUE(Drained());
    peer.Clear();
    ASSERT_TRUE(device.Release(1, nullptr));
    ASSERT_TRUE(Received("\r\n\r\n"));
    EXPECT_EQ(Text(peer.Bytes()), RequestFor("/off"));
}

TEST_F(CustomHttpTest, ARequestIsQueuedRepeatCountTimesEachOnItsOwnConnection)
{
    Add(2, CustomKindPress, "/again", 3);
    peer.AddReply(PeerText("GET /again "), PeerText("HTTP/1.1 200 OK\r\n"));
    ASSERT_TRUE(device.Press(2, nullptr));
    EXPECT_EQ(device.Queue().GetCount(), 3);
    ASSERT_TRUE(Drained());
    EXPECT_EQ(peer.Accepted(), 3);
    EXPECT_EQ(Text(peer.Bytes()), RequestFor("/again") + RequestFor("/again") + RequestFor("/again"));
}

TEST_F(CustomHttpTest, WithoutAFeedbackChannelTheFirstBytesEndTheRequest)
{
    Add(2, CustomKindPress, "/go");
    peer.AddReply(PeerText("GET /go "), PeerText("HTTP/1.1 200 OK\r\n")); // a head never finished
    ASSERT_TRUE(device.Press(2, nullptr));
    ASSERT_TRUE(Received("GET /go "));
    ASSERT_TRUE(Drained());
    EXPECT_TRUE(peer.WaitClientGone(10000));
}

TEST_F(CustomHttpTest, AFeedbackChannelMakesItReadWholeAnswers)
{
    Add(2, CustomKindPress, "/go");
    Add(3, CustomKindFeedback, "ok");
    EXPECT_TRUE(device.ReadsBodies());
    ASSERT_TRUE(device.Press(2, nullptr));
    ASSERT_TRUE(Received("GET /go "));
    peer.Send(PeerText("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"));
    ASSERT_TRUE(WaitUntil(10000, [&] { return device.GetPhase() == CHTTPDevice::PhaseAwaitingHead; }));
    peer.Send(PeerText("Content-Length: 2\r\n\r\nok"));
    ASSERT_TRUE(Drained());
    EXPECT_EQ(device.GetStatus(), 200);
}

TEST_F(CustomHttpTest, ARefusalDoesNotStopLaterRequests)
{
    Add(1, CustomKindPress, "/nope");
    Add(2, CustomKindPress, "/yes");
    Add(3, CustomKindFeedback, "x");
    peer.AddReply(PeerText("GET /nope "),
                  PeerText("HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n\r\n"));
    peer.AddReply(PeerText("GET /yes "), PeerText("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n\r\n"));
    ASSERT_TRUE(device.Press(1, nullptr));
    ASSERT_TRUE(device.Press(2, nullptr));
    ASSERT_TRUE(Received("GET /yes "));
    ASSERT_TRUE(Drained());
    ASSERT_TRUE(device.Press(1, nullptr));
    ASSERT_TRUE(Drained());
    EXPECT_EQ(peer.Accepted(), 3);
}

TEST_F(CustomHttpTest, OperationsThatHaveNothingToSendAnswerFalse)
{
    Add(1, CustomKindPress, "/p");
    Add(4, CustomKindValue, "/v=%d");
    std::unique_ptr<CNerulanValue> value(CNerulanValue::NewInt(1));
    EXPECT_FALSE(device.Press(7, nullptr));
    EXPECT_FALSE(device.Release(1, nullptr));
    EXPECT_FALSE(device.SetValue(1, value.get()));
    EXPECT_FALSE(device.SetValue(4, nullptr));
    EXPECT_FALSE(device.Hold(1, 100));
    EXPECT_EQ(device.Queue().GetCount(), 0);
}

TEST(CustomHttpDevice, WithoutAHostNothingIsQueued)
{
    CCustomHTTPDevice device;
    auto blob = Blob(CustomKindPress, 1, "/p");
    device.AddChannel(1, 0, 0, 0, static_cast<uint32_t>(blob.size()), blob.data());
    EXPECT_FALSE(device.Press(1, nullptr));
    EXPECT_EQ(device.Queue().GetCount(), 0);
}

TEST(CustomHttpDevice, IsOnlineFromItsFirstUpdate)
{
    CCustomHTTPDevice device;
    EXPECT_NE(device.GetState(), CAbstractDevice::StateOnline);
    device.Update();
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateOnline);
}

TEST(CustomHttpDevice, TheFactoryMakesItForItsTypeCode)
{
    CDeviceFactory factory;
    const DeviceTypeRow* row = factory.FindRow(0xE1);
    ASSERT_NE(row, nullptr);
    ASSERT_NE(row->make, nullptr);
    std::unique_ptr<CAbstractDevice> device(row->make());
    EXPECT_NE(dynamic_cast<CCustomHTTPDevice*>(device.get()), nullptr);
}
} // namespace

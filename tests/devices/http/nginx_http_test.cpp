// The HTTP devices against nginx on loopback: Basic authorisation, refusals, chunked bodies and
// the request lines the server saw.
#include "HttpTestSupport.h"
#include "common/NerulanValue.h"
#include "devices/HTTPDynamicImage.h"
#include "devices/controllers/custom/CustomChannel.h"
#include "devices/controllers/http/CustomHTTPDevice.h"
#include "devices/support/TransportTestDevice.h"
#include "support/NginxPeer.h"
#include "support/TcpPeer.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace
{
using http_test::ConfigureLoopback;
using http_test::CRecordingHttp;

std::vector<uint8_t> Bytes(const std::string& text)
{
    return std::vector<uint8_t>(text.begin(), text.end());
}

std::vector<uint8_t> ChannelBlob(uint8_t kind, const std::string& bytes)
{
    std::vector<uint8_t> blob = {kind, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    const auto n = static_cast<uint32_t>(bytes.size());
    for (int i = 0; i < 4; ++i)
        blob.push_back(static_cast<uint8_t>(n >> (8 * i)));
    blob.insert(blob.end(), bytes.begin(), bytes.end());
    return blob;
}

class CPictures : public CImageReceiver
{
public:
    void OnImageData(const uint8_t* bytes, uint32_t length) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_pictures.emplace_back(bytes, bytes + length);
    }
    std::vector<std::vector<uint8_t>> Pictures()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_pictures;
    }

private:
    std::mutex m_lock;
    std::vector<std::vector<uint8_t>> m_pictures;
};

class NginxHttp : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(nginx.Ok()) << nginx.Error(); }

    NginxPeer nginx;
};

TEST_F(NginxHttp, TheCustomDeviceSendsThePathsAsTheServerLogsThem)
{
    CCustomHTTPDevice device;
    ASSERT_TRUE(ConfigureLoopback(device, nginx.Port()));
    auto pattern = ChannelBlob(CustomKindValue, "/level?v=%d");
    auto spaced = ChannelBlob(CustomKindPress, "/a b:c");
    device.AddChannel(1, 0, 0, 0, static_cast<uint32_t>(pattern.size()), pattern.data());
    device.AddChannel(2, 0, 0, 0, static_cast<uint32_t>(spaced.size()), spaced.data());
    std::unique_ptr<CNerulanValue> value(CNerulanValue::NewInt(42));
    ASSERT_TRUE(device.SetValue(1, value.get()));
    ASSERT_TRUE(device.Release(1, nullptr));
    ASSERT_TRUE(device.Press(2, nullptr));
    ASSERT_TRUE(TickUntil(device, 10000, [&] { return nginx.LogLines().size() >= 2; }));
    const auto lines = nginx.LogLines();
    EXPECT_EQ(lines[0], "GET /level?v=42 HTTP/1.1 200");
    EXPECT_EQ(lines[1], "GET /a%20b%3Ac HTTP/1.1 404");
}

TEST_F(NginxHttp, ANotFoundEndsOnlyThatRequest)
{
    ASSERT_TRUE(nginx.WriteFile("here.txt", Bytes("here")));
    CRecordingHttp device;
    ASSERT_TRUE(ConfigureLoopback(device, nginx.Port()));
    ASSERT_TRUE(device.QueueGet("/missing.txt", 1));
    ASSERT_TRUE(device.QueueGet("/here.txt", 2));
    ASSERT_TRUE(TickUntil(device, 10000, [&] { return device.PieceCount() == 1; }));
    EXPECT_EQ(device.Pieces()[0].bytes, "here");
    EXPECT_EQ(device.Pieces()[0].tag, 2);
    ASSERT_TRUE(nginx.WaitLogLines(2, 10000));
    EXPECT_EQ(nginx.LogLines()[0], "GET /missing.txt HTTP/1.1 404");
}

TEST_F(NginxHttp, AChunkedBodyArrivesWholeAndTheRequestEndsAtItsLastChunk)
{
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "banana " + std::to_string(i) + "\n";
    ASSERT_TRUE(nginx.WriteFile("chunked/fruit.txt", Bytes(text)));
    CRecordingHttp device;
    ASSERT_TRUE(ConfigureLoopback(device, nginx.Port()));
    ASSERT_TRUE(device.QueueGet("/chunked/fruit.txt", 0));
    ASSERT_TRUE(device.QueueGet("/level", 0));
    ASSERT_TRUE(TickUntil(device, 10000,
                          [&]
                          {
                              auto pieces = device.Pieces();
                              return !pieces.empty() && pieces.back().part == CHTTPDevice::PartWhole;
                          }));
    std::string expected = text;
    for (char& c : expected)
        if (c == 'a')
            c = 'A';
    EXPECT_EQ(device.Joined(CHTTPDevice::PartChunk), expected);
    EXPECT_TRUE(device.GetResponseFlags() == HttpResponseFields::FlagStatusLine);
    EXPECT_EQ(device.Joined(CHTTPDevice::PartWhole), "level\n");
    int ends = 0;
    for (const auto& piece : device.Pieces())
        ends += piece.part == CHTTPDevice::PartEnd;
    EXPECT_EQ(ends, 1);
}

TEST_F(NginxHttp, TheFetcherAuthorisesItselfAndStopsWhenRefused)
{
    std::vector<uint8_t> picture = {0xFF, 0xD8, 1, 2, 3, 4, 5, 0xFF, 0xD9};
    ASSERT_TRUE(nginx.WriteFile("secret/cam/snap.jpg", picture));
    CPictures pictures;
    CHTTPDynamicImage fetcher;
    fetcher.SetSprite(&pictures);
    const DynamicImageAddress right{
        "127.0.0.1", nginx.Port(), "secret/cam", "snap.jpg", NginxPeer::kUser, NginxPeer::kPassword, 0, 0};
    fetcher.Configure(right);
    fetcher.SetActive(true);
    fetcher.Connect();
    ASSERT_TRUE(TickUntil(fetcher, 10000, [&] { return !pictures.Pictures().empty(); }));
    EXPECT_EQ(pictures.Pictures()[0], picture);

    const DynamicImageAddress wrong{
        "127.0.0.1", nginx.Port(), "secret/cam", "snap.jpg", NginxPeer::kUser, "guess", 0, 0};
    // What the image does on a change of its address.
    fetcher.Disconnect();
    fetcher.SetPictureReceived(false);
    fetcher.Configure(wrong);
    fetcher.Connect();
    ASSERT_TRUE(TickUntil(fetcher, 10000, [&] { return fetcher.GetPhase() == CHTTPDevice::PhaseStopped; }));
    EXPECT_EQ(fetcher.GetStatus(), 401);
    ASSERT_TRUE(nginx.WaitLogLines(2, 10000));
    EXPECT_EQ(nginx.LogLines()[1], "GET /secret/cam/snap.jpg HTTP/1.1 401");
    EXPECT_EQ(pictures.Pictures().size(), 1u);
    fetcher.SetSprite(nullptr);
}
// A camera behind nginx: nginx passes the stream on in chunks, and the fetcher still hands on
// each picture as soon as it is whole.
TEST(NginxCameraProxy, ACameraStreamPassedOnInChunksArrivesPictureByPicture)
{
    TcpPeer camera;
    ASSERT_TRUE(camera.Ok());
    NginxPeer nginx("location /video/ { proxy_pass http://127.0.0.1:" + std::to_string(camera.Port()) +
                    "; proxy_buffering off; }");
    ASSERT_TRUE(nginx.Ok()) << nginx.Error();
    const std::string head =
        "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=frame\r\n\r\n";
    auto part = [](char tag)
    {
        const std::string picture = "\xFF\xD8" + std::string(3000, tag) + "\xFF\xD9";
        return "--frame\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(picture.size()) +
               "\r\n\r\n" + picture + "\r\n";
    };
    camera.AddReply(PeerText("GET /video/mjpg "), PeerText((head + part('1')).c_str()));

    CPictures pictures;
    CHTTPDynamicImage fetcher;
    fetcher.SetSprite(&pictures);
    const DynamicImageAddress address{"127.0.0.1", nginx.Port(), "video", "mjpg", nullptr, nullptr, 0, 0};
    fetcher.Configure(address);
    fetcher.SetActive(true);
    fetcher.Connect();
    ASSERT_TRUE(TickUntil(fetcher, 10000, [&] { return pictures.Pictures().size() == 1; }));
    EXPECT_TRUE(fetcher.GetResponseFlags() & HttpResponseFields::FlagChunked);
    camera.Send(PeerText(part('2').c_str()));
    ASSERT_TRUE(TickUntil(fetcher, 10000, [&] { return pictures.Pictures().size() == 2; }));
    const auto second = pictures.Pictures()[1];
    ASSERT_EQ(second.size(), 3004u);
    EXPECT_EQ(second[2], '2');
    fetcher.SetSprite(nullptr);
}
} // namespace

// A dynamic image with its real fetcher against a camera on loopback, driven by the refresh pass
// that the dialog system runs every tick: the picture is fetched only while the image is shown on
// the current page, decoded into the image, and fetched again when the image comes back.
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <memory>
#include <string>
#include <vector>

#include "common/DynamicSpriteData.h"
#include "common/Vector.h"
#include "devices/HTTPDynamicImage.h"
#include "devices/support/TransportTestDevice.h"
#include "render/DynamicSprite.h"
#include "support/TcpPeer.h"

namespace
{
// A JPEG of the given size in one colour, made in memory.
std::vector<uint8_t> Jpeg(int width, int height, uint8_t red)
{
    FIBITMAP* bitmap = FreeImage_Allocate(width, height, 24);
    for (int y = 0; y < height; ++y)
    {
        BYTE* row = FreeImage_GetScanLine(bitmap, y);
        for (int x = 0; x < width; ++x)
        {
            row[x * 3 + FI_RGBA_RED] = red;
            row[x * 3 + FI_RGBA_GREEN] = 0;
            row[x * 3 + FI_RGBA_BLUE] = 0;
        }
    }
    FIMEMORY* memory = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(FIF_JPEG, bitmap, memory, JPEG_QUALITYGOOD);
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(memory, &data, &size);
    std::vector<uint8_t> bytes(data, data + size);
    FreeImage_CloseMemory(memory);
    FreeImage_Unload(bitmap);
    return bytes;
}

std::string Text(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

class DynamicImageFetch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FreeImage_Initialise(FALSE);
        ASSERT_TRUE(camera.Ok());
        CDynamicSpriteData data;
        data.mask = CDynamicSpriteData::ChangeHost | CDynamicSpriteData::ChangePort |
                    CDynamicSpriteData::ChangePath | CDynamicSpriteData::ChangeFile;
        CDynamicSpriteData::SetText(data.host, "127.0.0.1");
        data.port = camera.Port();
        CDynamicSpriteData::SetText(data.path, "cam");
        CDynamicSpriteData::SetText(data.file, File());
        image.ApplyChanges(&data);
    }
    void TearDown() override { FreeImage_DeInitialise(); }
    virtual const char* File() const { return "snapshot.jpg"; }

    // One tick's refresh pass: the image is drawn (in use) when its page is the current one.
    void Tick(bool shown)
    {
        CVector images(4);
        images.Add(&image);
        CDynamicSprite::ClearInUse(&images);
        if (shown)
            image.SetInUse(true);
        CDynamicSprite::UpdateFetchers(&images);
        images.RemoveAll();
    }
    bool TickUntil(bool shown, uint32_t ms, const std::function<bool()>& done)
    {
        return WaitUntil(ms,
                         [&]
                         {
                             Tick(shown);
                             std::this_thread::sleep_for(std::chrono::milliseconds(3));
                             return done();
                         });
    }

    TcpPeer camera;
    CDynamicSprite image{std::make_unique<CHTTPDynamicImage>()};
};

TEST_F(DynamicImageFetch, APictureIsFetchedOnlyWhileItsPageIsCurrent)
{
    const std::vector<uint8_t> picture = Jpeg(12, 6, 200);
    std::string answer =
        "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(picture.size()) +
        "\r\n\r\n" + Text(picture);
    camera.AddReply(PeerText("GET /cam/snapshot.jpg "), std::vector<uint8_t>(answer.begin(), answer.end()));

    // Another page is current: nothing is asked.
    EXPECT_FALSE(TickUntil(false, 300, [&] { return camera.Accepted() > 0; }));
    EXPECT_FALSE(image.HasBitmap());

    ASSERT_TRUE(TickUntil(true, 10000, [&] { return image.HasBitmap(); }));
    EXPECT_EQ(image.GetWidth(), 12);
    EXPECT_EQ(image.GetHeight(), 6);
    EXPECT_EQ(camera.Accepted(), 1);
    // Without a period the picture is fetched once while the page stays.
    EXPECT_FALSE(TickUntil(true, 300, [&] { return camera.Accepted() > 1; }));

    // Leaving the page and coming back fetches it again.
    EXPECT_FALSE(TickUntil(false, 200, [&] { return camera.Accepted() > 1; }));
    const uint32_t version = image.GetVersion();
    ASSERT_TRUE(TickUntil(true, 10000, [&] { return image.GetVersion() > version; }));
    EXPECT_EQ(camera.Accepted(), 2);
}

class DynamicImageStream : public DynamicImageFetch
{
protected:
    const char* File() const override { return "video.mjpg"; }
};

TEST_F(DynamicImageStream, ACameraStreamShowsEachPictureAndEndsWhenThePageIsLeft)
{
    ASSERT_TRUE(
        TickUntil(true, 10000, [&] { return Text(camera.Bytes()).find("\r\n\r\n") != std::string::npos; }));
    EXPECT_EQ(Text(camera.Bytes()).rfind("GET /cam/video.mjpg HTTP/1.1\r\n", 0), 0u);
    const std::string partHead = "--frame\r\nContent-Type: image/jpeg\r\n\r\n";
    std::string stream = "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=frame\r\n\r\n";
    for (int i = 0; i < 3; ++i)
        stream += partHead + Text(Jpeg(8 + 4 * i, 8, static_cast<uint8_t>(60 * i))) + "\r\n";
    stream += partHead;
    camera.Send(std::vector<uint8_t>(stream.begin(), stream.end()));
    camera.Send(PeerText("\xFF\xD8"));
    ASSERT_TRUE(TickUntil(true, 10000, [&] { return image.GetVersion() >= 3; }));
    EXPECT_EQ(image.GetWidth(), 16);

    TickUntil(false, 100, [] { return false; });
    EXPECT_TRUE(camera.WaitClientGone(10000));
}
} // namespace

// The program on a private X display with a page that shows a camera: a scripted camera on
// loopback streams JPEG pictures (multipart/x-mixed-replace), and the page shows them.
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <string>
#include <vector>

#include "platform/Clock.h"
#include "support/LoaderTestSupport.h"
#include "support/PanelEndToEndTest.h"
#include "support/TcpPeer.h"

namespace
{
constexpr uint32_t kCameraImage = 1;

// A JPEG of one colour, made in memory.
std::string Jpeg(int width, int height, uint8_t red, uint8_t green, uint8_t blue)
{
    FreeImage_Initialise(FALSE);
    FIBITMAP* bitmap = FreeImage_Allocate(width, height, 24);
    for (int y = 0; y < height; ++y)
    {
        BYTE* row = FreeImage_GetScanLine(bitmap, y);
        for (int x = 0; x < width; ++x)
        {
            row[x * 3 + FI_RGBA_RED] = red;
            row[x * 3 + FI_RGBA_GREEN] = green;
            row[x * 3 + FI_RGBA_BLUE] = blue;
        }
    }
    FIMEMORY* memory = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(FIF_JPEG, bitmap, memory, JPEG_QUALITYSUPERB);
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(memory, &data, &size);
    std::string bytes(reinterpret_cast<const char*>(data), size);
    FreeImage_CloseMemory(memory);
    FreeImage_Unload(bitmap);
    FreeImage_DeInitialise();
    return bytes;
}

std::string Part(const std::string& jpeg)
{
    return "--frame\r\nContent-Type: image/jpeg\r\nContent-Length: " + std::to_string(jpeg.size()) +
           "\r\n\r\n" + jpeg + "\r\n";
}

class CameraEndToEnd : public PanelEndToEndTest
{
protected:
    CameraEndToEnd() : PanelEndToEndTest("/tmp/nerulan-camera-XXXXXX") {}

    // An 800 x 600 design with one black page; a button at 100,100 (200 x 100) shows the camera.
    bool WriteInterface(uint16_t cameraPort)
    {
        CInterfaceFileWriter w;
        CInterfaceFileWriter::Header header;
        header.designWidth = 800;
        header.designHeight = 600;
        w.PutHeader(header);
        w.PutDeviceTable({});
        auto page = loadertest::Page("Camera", 0x000000FF);
        PageRecordWriter::ChildRecord child = loadertest::FilledChild("view", 100, 100, 200, 100, 0x000000FF);
        child.item.states[0].bitmapId = kCameraImage;
        page.children.push_back(child);
        w.PutResourceStart(2, "Camera", {});
        w.PutCount(1);
        w.PutU32(kCameraImage);
        w.PutU8(2); // a dynamic image
        w.PutText("camera");
        w.PutU8(1);
        w.PutText("127.0.0.1");
        w.PutU16(cameraPort);
        w.PutText("cam");
        w.PutText("video.mjpg");
        w.PutText(nullptr);
        w.PutText(nullptr);
        w.PutU32(0); // no refresh period: a stream
        w.PutU8(0);
        w.PutCount(0);
        w.PutCount(0);
        if (w.HasSoundsSection())
            w.PutCount(0);
        w.PutCount(1);
        PageRecordWriter::PutPage(w, page);
        w.PutCount(0);
        return w.Save(m_dir + "/Main.qvr");
    }

    // The pixel at x, y (screen) as 0xRRGGBB, 0xFFFFFFFF without a screenshot.
    uint32_t PixelAt(int x, int y)
    {
        std::string shot = Screenshot();
        if (shot.empty())
            return 0xFFFFFFFF;
        return RgbAt(shot, (static_cast<size_t>(y) * kScreenWidth + x) * 3);
    }

    // Waits until the pixel is near the colour (JPEG is not exact).
    bool WaitForColour(int x, int y, uint32_t rgb, uint32_t timeoutMs)
    {
        const uint32_t start = platform::ClockMs();
        while (platform::ElapsedMs(platform::ClockMs(), start) < timeoutMs)
        {
            const uint32_t pixel = PixelAt(x, y);
            bool near = pixel != 0xFFFFFFFF;
            for (int shift = 0; shift <= 16 && near; shift += 8)
            {
                const int a = static_cast<int>((pixel >> shift) & 0xFF);
                const int b = static_cast<int>((rgb >> shift) & 0xFF);
                near = a - b < 24 && b - a < 24;
            }
            if (near)
                return true;
            platform::SleepMs(50);
        }
        return false;
    }
};

TEST_F(CameraEndToEnd, TheCameraPageShowsEachPictureOfTheStream)
{
    TcpPeer camera;
    ASSERT_TRUE(camera.Ok());
    const std::string head =
        "HTTP/1.0 200 OK\r\nContent-Type: multipart/x-mixed-replace; boundary=frame\r\n\r\n";
    const std::string red = Jpeg(64, 32, 230, 20, 20);
    const std::string green = Jpeg(64, 32, 20, 200, 40);
    const std::string answer = head + Part(red);
    camera.AddReply(PeerText("GET /cam/video.mjpg "), std::vector<uint8_t>(answer.begin(), answer.end()));
    ASSERT_TRUE(WriteInterface(camera.Port()));
    ASSERT_TRUE(Start());

    // The 800 x 600 design sits at the screen's top left; the view's centre is at 200,150.
    EXPECT_TRUE(WaitForColour(200, 150, 0xE61414, 20000)) << std::hex << PixelAt(200, 150);
    EXPECT_TRUE(WaitForColour(20, 20, 0x000000, 10000)) << "the page around it";
    const std::string next = Part(green);
    camera.Send(std::vector<uint8_t>(next.begin(), next.end()));
    EXPECT_TRUE(WaitForColour(200, 150, 0x14C828, 10000)) << std::hex << PixelAt(200, 150);
    EXPECT_EQ(camera.Accepted(), 1);
}
} // namespace

// The two back ends on a real X server (Xvfb, 1280 x 1024): what reaches the screen is read
// back with the X tools.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_syswm.h>

#include <cstdlib>
#include <string>

#include "platform/Clock.h"
#include "render/PixelBuffer.h"
#include "screen/DirectXDialogSystem.h"
#include "screen/GDIDialogSystem.h"
#include "support/XvfbServer.h"

namespace
{
constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 1024;

class BackendXvfb : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("ALSOFT_DRIVERS", "null", 1);
        ASSERT_TRUE(m_server.Start(kScreenWidth, kScreenHeight, 24)) << m_server.Error();
        setenv("DISPLAY", m_server.Display().c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        ASSERT_EQ(0, SDL_InitSubSystem(SDL_INIT_VIDEO)) << SDL_GetError();
        m_sdl = true;
        m_window = SDL_CreateWindow("Nerulan 1.5.6", 0, 0, 640, 480, SDL_WINDOW_SHOWN);
        ASSERT_NE(nullptr, m_window) << SDL_GetError();
    }

    void TearDown() override
    {
        delete m_system;
        if (m_window)
            SDL_DestroyWindow(m_window);
        if (m_sdl)
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        m_server.Stop();
    }

    // What the app's main loop does: presents on the back end's event and after an expose.
    void RunMainLoop(uint32_t milliseconds)
    {
        uint32_t start = platform::ClockMs();
        while (platform::ElapsedMs(platform::ClockMs(), start) < milliseconds)
        {
            SDL_Event event;
            while (SDL_PollEvent(&event))
            {
                if (event.type == CAbstractDialogSystem::PresentEventType())
                    m_system->Present();
                else if (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_EXPOSED)
                    m_system->PresentAll();
            }
            platform::SleepMs(5);
        }
    }

    // One tick's worth of drawing: the design area filled with a colour word, then flushed.
    void DrawDesign(uint32_t colour)
    {
        {
            CCriticalSectionGuard guard(m_system->GetLock());
            CPixelBuffer* surface = m_system->GetSurface();
            FillPixelBuffer(surface, surface->height, surface->width, colour);
            // A marker in the design's top-left cell tells the placement apart from a shift.
            FillPixelBuffer(surface, 8, 8, 0xFF00FF00u);
        }
        m_system->InvalidateAll();
        m_system->Flush();
    }

    // The whole screen as R, G, B bytes.
    std::string Screenshot()
    {
        int code = -1;
        std::string bytes =
            RunWithDisplay(m_server.Display(), "import -window root -depth 8 rgb:- 2>/dev/null", &code);
        EXPECT_EQ(0, code);
        EXPECT_EQ(static_cast<size_t>(kScreenWidth * kScreenHeight * 3), bytes.size());
        return bytes;
    }

    static uint32_t ScreenPixel(const std::string& shot, int x, int y)
    {
        size_t at = (static_cast<size_t>(y) * kScreenWidth + x) * 3;
        if (at + 2 >= shot.size())
            return 0xDEADBEEF;
        return (uint32_t(uint8_t(shot[at])) << 16) | (uint32_t(uint8_t(shot[at + 1])) << 8) |
               uint8_t(shot[at + 2]);
    }

    unsigned long XWindowId()
    {
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (!SDL_GetWindowWMInfo(m_window, &info))
            return 0;
        return static_cast<unsigned long>(info.info.x11.window);
    }

    XvfbServer m_server;
    bool m_sdl = false;
    SDL_Window* m_window = nullptr;
    CAbstractDialogSystem* m_system = nullptr;
};

TEST_F(BackendXvfb, FullScreenCentresTheDesignWithBlackAround)
{
    m_system = new CDirectXDialogSystem(0x04);
    ASSERT_TRUE(m_system->Init(m_window, 1024, 768, true, 0x10501)) << m_system->GetInitError();
    EXPECT_EQ(128, m_system->GetOffsetX());
    EXPECT_EQ(128, m_system->GetOffsetY());
    DrawDesign(0xFF336699u);
    RunMainLoop(600);
    std::string shot = Screenshot();
    struct Probe
    {
        int x, y;
        uint32_t rgb;
    } probes[] = {
        {0, 0, 0x000000},      {127, 127, 0x000000},   {128, 128, 0x00FF00},  {135, 135, 0x00FF00},
        {136, 128, 0x336699},  {640, 512, 0x336699},   {1151, 895, 0x336699}, {1152, 895, 0x000000},
        {1151, 896, 0x000000}, {1279, 1023, 0x000000}, {127, 500, 0x000000},  {640, 127, 0x000000},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(p.rgb, ScreenPixel(shot, p.x, p.y)) << p.x << "," << p.y;
}

TEST_F(BackendXvfb, WindowedClientAreaIsTheDesignSize)
{
    m_system = new CGDIDialogSystem(0);
    ASSERT_TRUE(m_system->Init(m_window, 320, 200, false, 0x10501)) << m_system->GetInitError();
    DrawDesign(0xFFCC3300u);
    RunMainLoop(600);
    unsigned long id = XWindowId();
    ASSERT_NE(0ul, id) << SDL_GetError();
    std::string info = RunWithDisplay(m_server.Display(), "xwininfo -id " + std::to_string(id));
    EXPECT_NE(std::string::npos, info.find("Width: 320")) << info;
    EXPECT_NE(std::string::npos, info.find("Height: 200")) << info;
    EXPECT_NE(std::string::npos, info.find("Absolute upper-left X:  0")) << info;
    EXPECT_NE(std::string::npos, info.find("Absolute upper-left Y:  0")) << info;
    std::string shot = Screenshot();
    EXPECT_EQ(0x00FF00u, ScreenPixel(shot, 0, 0));
    EXPECT_EQ(0xCC3300u, ScreenPixel(shot, 8, 0));
    EXPECT_EQ(0xCC3300u, ScreenPixel(shot, 319, 199));
    EXPECT_NE(0xCC3300u, ScreenPixel(shot, 320, 199));
}
} // namespace

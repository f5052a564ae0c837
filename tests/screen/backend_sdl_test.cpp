// The two back ends against SDL's headless video driver: window set-up, the present event and
// the pixels that reach the window.
#include <gtest/gtest.h>

#include <SDL.h>

#include <atomic>
#include <cstdlib>
#include <thread>

#include "render/PixelBuffer.h"
#include "screen/DirectXDialogSystem.h"
#include "screen/GDIDialogSystem.h"

namespace
{
class BackendSdl : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        setenv("ALSOFT_DRIVERS", "null", 1);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
    }

    void SetUp() override
    {
        ASSERT_EQ(0, SDL_InitSubSystem(SDL_INIT_VIDEO)) << SDL_GetError();
        m_window = SDL_CreateWindow("backend", 40, 30, 50, 40, 0);
        ASSERT_NE(nullptr, m_window) << SDL_GetError();
    }

    void TearDown() override
    {
        delete m_system;
        SDL_DestroyWindow(m_window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    // Number of present events waiting (they are taken from the queue).
    static int TakePresentEvents()
    {
        SDL_PumpEvents();
        SDL_Event events[64];
        int count = SDL_PeepEvents(events, 64, SDL_GETEVENT, CAbstractDialogSystem::PresentEventType(),
                                   CAbstractDialogSystem::PresentEventType());
        return count < 0 ? 0 : count;
    }

    // The pixel at (x, y) of the window as 0xRRGGBB.
    uint32_t WindowPixel(int32_t x, int32_t y)
    {
        SDL_Surface* surface = SDL_GetWindowSurface(m_window);
        if (!surface || x >= surface->w || y >= surface->h)
            return 0xDEADBEEF;
        const uint8_t* p = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch +
                           x * surface->format->BytesPerPixel;
        uint32_t value = 0;
        memcpy(&value, p, surface->format->BytesPerPixel);
        uint8_t r, g, b;
        SDL_GetRGB(value, surface->format, &r, &g, &b);
        return (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
    }

    // Writes a pattern into the surface, as items would under the lock.
    void PaintPattern(uint32_t seed)
    {
        CCriticalSectionGuard guard(m_system->GetLock());
        CPixelBuffer* surface = m_system->GetSurface();
        for (int32_t y = 0; y < surface->height; ++y)
        {
            for (int32_t x = 0; x < surface->width; ++x)
            {
                uint8_t* p = surface->Row(y) + x * 4;
                p[0] = static_cast<uint8_t>(x * 3 + seed);
                p[1] = static_cast<uint8_t>(y * 5 + seed);
                p[2] = static_cast<uint8_t>(x + y + seed);
                p[3] = 255;
            }
        }
    }

    uint32_t SurfacePixel(int32_t x, int32_t y)
    {
        const uint8_t* p = m_system->GetSurface()->Row(y) + x * 4;
        return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }

    SDL_Window* m_window = nullptr;
    CAbstractDialogSystem* m_system = nullptr;
};

TEST_F(BackendSdl, WindowedClientAreaIsTheDesignSizeAtTheOrigin)
{
    m_system = new CGDIDialogSystem(0);
    ASSERT_TRUE(m_system->Init(m_window, 300, 170, false, 0x10501)) << m_system->GetInitError();
    int w = 0, h = 0;
    SDL_GetWindowSize(m_window, &w, &h);
    EXPECT_EQ(300, w);
    EXPECT_EQ(170, h);
    int x = -1, y = -1;
    SDL_GetWindowPosition(m_window, &x, &y);
    EXPECT_EQ(0, x);
    EXPECT_EQ(0, y);
    EXPECT_EQ(300, m_system->GetOutputWidth());
    EXPECT_EQ(170, m_system->GetOutputHeight());
    EXPECT_FALSE(m_system->IsFullScreen());
}

TEST_F(BackendSdl, WindowedPresentShowsTheSurface)
{
    m_system = new CGDIDialogSystem(0);
    ASSERT_TRUE(m_system->Init(m_window, 100, 60, false, 0x10501));
    TakePresentEvents();
    PaintPattern(7);
    m_system->InvalidateAll();
    m_system->Flush();
    // Several flushes before the main thread gets round to it still ask only once.
    m_system->InvalidateAll();
    m_system->Flush();
    EXPECT_EQ(1, TakePresentEvents());
    m_system->Present();
    for (int32_t y = 0; y < 60; ++y)
        for (int32_t x = 0; x < 100; ++x)
            ASSERT_EQ(SurfacePixel(x, y), WindowPixel(x, y)) << x << "," << y;
}

TEST_F(BackendSdl, OnlyDirtyCellsReachTheWindow)
{
    m_system = new CGDIDialogSystem(0);
    ASSERT_TRUE(m_system->Init(m_window, 64, 64, false, 0x10501));
    PaintPattern(1);
    m_system->Flush(); // whatever Init left dirty
    m_system->PresentAll();
    uint32_t before = WindowPixel(40, 40);
    PaintPattern(101);
    // Cells (1, 1) and (2, 1): pixels 8..23 x 8..15, and the row below that the merge takes.
    m_system->Invalidate(10, 10, 10, 4);
    m_system->Flush();
    EXPECT_EQ(1, TakePresentEvents());
    m_system->Present();
    EXPECT_EQ(SurfacePixel(8, 8), WindowPixel(8, 8));
    EXPECT_EQ(SurfacePixel(23, 15), WindowPixel(23, 15));
    EXPECT_EQ(before, WindowPixel(40, 40));
    EXPECT_NE(SurfacePixel(40, 40), WindowPixel(40, 40));
    EXPECT_NE(SurfacePixel(7, 8), WindowPixel(7, 8));
    // Nothing dirty: nothing asked for.
    m_system->Flush();
    EXPECT_EQ(0, TakePresentEvents());
}

TEST_F(BackendSdl, WindowedPaintOutsideTheDesignAreaCopiesNothing)
{
    m_system = new CGDIDialogSystem(0);
    ASSERT_TRUE(m_system->Init(m_window, 64, 64, false, 0x10501));
    PaintPattern(1);
    m_system->PresentAll();
    uint32_t before = WindowPixel(63, 63);
    PaintPattern(50);
    m_system->Paint(DialogRect{64, 0, 200, 64});
    m_system->Paint(DialogRect{-50, -50, 0, 0});
    m_system->Present();
    EXPECT_EQ(before, WindowPixel(63, 63));
    m_system->Paint(DialogRect{60, 60, 200, 200});
    m_system->Present();
    EXPECT_EQ(SurfacePixel(63, 63), WindowPixel(63, 63));
}

TEST_F(BackendSdl, FullScreenFailsClearlyWhenNoModeHoldsTheDesign)
{
    m_system = new CDirectXDialogSystem(0x04);
    EXPECT_FALSE(m_system->Init(m_window, 20000, 20000, true, 0x10501));
    EXPECT_STRNE("", m_system->GetInitError());
    EXPECT_EQ(nullptr, m_system->GetSurface());
    // The tick's calls on a back end whose Init failed do nothing.
    m_system->InvalidateAll();
    m_system->Flush();
    m_system->Present();
    m_system->PresentAll();
}

// The tick thread flushes while the main thread presents: the pixels end up the same and
// ThreadSanitizer finds no race.
TEST_F(BackendSdl, FlushOnTickThreadWhileMainThreadPresents)
{
    m_system = new CGDIDialogSystem(0);
    ASSERT_TRUE(m_system->Init(m_window, 96, 64, false, 0x10501));
    std::atomic<bool> done{false};
    std::thread tick(
        [&]
        {
            for (uint32_t round = 0; round < 200; ++round)
            {
                PaintPattern(round);
                m_system->Invalidate(static_cast<int32_t>(round % 90), static_cast<int32_t>(round % 60), 9,
                                     9);
                m_system->InvalidateAll();
                m_system->Flush();
                std::this_thread::yield();
            }
            done = true;
        });
    while (!done)
    {
        if (TakePresentEvents() > 0)
            m_system->Present();
    }
    tick.join();
    TakePresentEvents();
    m_system->Present();
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 96; ++x)
            ASSERT_EQ(SurfacePixel(x, y), WindowPixel(x, y)) << x << "," << y;
}
} // namespace

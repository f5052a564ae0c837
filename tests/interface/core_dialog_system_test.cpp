#include <gtest/gtest.h>

#include <SDL.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "interface/DialogItem.h"
#include "render/Fnt.h"
#include "render/PixelBuffer.h"
#include "screen/DirectXDialogSystem.h"
#include "screen/GDIDialogSystem.h"

namespace
{
// Each test gets a back end of its own; sound stays silent and video runs headless.
class CoreDialogSystem : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        setenv("ALSOFT_DRIVERS", "null", 1);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
    }

    void SetUp() override { m_system = new CGDIDialogSystem(0); }
    void TearDown() override
    {
        delete m_system;
        if (m_window)
            SDL_DestroyWindow(m_window);
        if (m_sdl)
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    SDL_Window* MakeWindow()
    {
        if (!m_sdl)
        {
            if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
                return nullptr;
            m_sdl = true;
        }
        m_window = SDL_CreateWindow("core", 0, 0, 64, 48, SDL_WINDOW_HIDDEN);
        return m_window;
    }

    CAbstractDialogSystem* m_system = nullptr;
    SDL_Window* m_window = nullptr;
    bool m_sdl = false;
};

TEST_F(CoreDialogSystem, ConstructionMakesItTheGlobalBackEndAndDestructionForgetsIt)
{
    EXPECT_EQ(m_system, g_pDialogSystem);
    EXPECT_TRUE(m_system->IsRunning());
    m_system->RequestQuit();
    EXPECT_FALSE(m_system->IsRunning());
    delete m_system;
    m_system = nullptr;
    EXPECT_EQ(nullptr, g_pDialogSystem);
}

TEST_F(CoreDialogSystem, RenderHandlesAreOneBasedAndTheRootItemHoldsTheFirst)
{
    ASSERT_NE(nullptr, m_system->GetRootItem());
    EXPECT_EQ(1, m_system->GetRootItem()->m_renderHandle);
    EXPECT_EQ(2, m_system->NewRenderHandle());
    EXPECT_EQ(3, m_system->NewRenderHandle());
    EXPECT_EQ(nullptr, m_system->GetRenderHandle(0));
    EXPECT_EQ(nullptr, m_system->GetRenderHandle(-1));
    EXPECT_EQ(nullptr, m_system->GetRenderHandle(2));
    EXPECT_EQ(nullptr, m_system->GetRenderHandle(4));
}

TEST_F(CoreDialogSystem, SetRenderHandleOwnsTheBlockAndKeepsTheSameOne)
{
    int32_t handle = m_system->NewRenderHandle();
    CPixelBuffer* first = CPixelBuffer::Create(4, 4);
    m_system->SetRenderHandle(handle, first);
    // Storing the block already stored must not free it (ASan sees the use below otherwise).
    m_system->SetRenderHandle(handle, first);
    ASSERT_EQ(first, m_system->GetRenderHandle(handle));
    EXPECT_EQ(4, m_system->GetRenderHandle(handle)->width);
    // Null changes nothing.
    m_system->SetRenderHandle(handle, nullptr);
    EXPECT_EQ(first, m_system->GetRenderHandle(handle));
    // A new block replaces (and frees) the old one; the last is freed with the back end.
    CPixelBuffer* second = CPixelBuffer::Create(2, 2);
    m_system->SetRenderHandle(handle, second);
    EXPECT_EQ(second, m_system->GetRenderHandle(handle));
    // FreeRenderHandle empties the entry; the handle is not reused.
    m_system->FreeRenderHandle(handle);
    EXPECT_EQ(nullptr, m_system->GetRenderHandle(handle));
    EXPECT_EQ(handle + 1, m_system->NewRenderHandle());
}

TEST_F(CoreDialogSystem, SetRenderHandleOutOfRangeStoresNothing)
{
    CPixelBuffer* block = CPixelBuffer::Create(1, 1);
    m_system->SetRenderHandle(0, block);
    m_system->SetRenderHandle(99, block);
    EXPECT_EQ(nullptr, m_system->GetRenderHandle(99));
    CPixelBuffer::Free(block); // still the caller's
}

TEST(CoreOffsets, DesignAreaIsCentredByIntegerHalving)
{
    struct Case
    {
        int32_t output, design, offset;
    } cases[] = {
        {1280, 1024, 128}, {1024, 768, 128}, {1024, 1024, 0}, {800, 1024, -112},
        {600, 768, -84},   {1025, 1024, 0},  {1023, 1024, 0}, {0, 1024, -512},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.offset, CAbstractDialogSystem::CentredOffset(c.output, c.design))
            << c.output << " " << c.design;
}

TEST_F(CoreDialogSystem, InitFailsForAMissingWindowOrAZeroDesignSize)
{
    EXPECT_FALSE(m_system->Init(nullptr, 320, 200, false, 0x10501));
    EXPECT_STRNE("", m_system->GetInitError());
    SDL_Window* window = MakeWindow();
    ASSERT_NE(nullptr, window) << SDL_GetError();
    struct Size
    {
        int32_t width, height;
    } sizes[] = {{0, 200}, {320, 0}, {0, 0}, {-5, 200}};
    for (const Size& s : sizes)
    {
        EXPECT_FALSE(m_system->Init(window, s.width, s.height, false, 0x10501)) << s.width << "x" << s.height;
        EXPECT_STRNE("", m_system->GetInitError());
        EXPECT_EQ(nullptr, m_system->GetSurface());
    }
    // Without a surface the tick's calls are harmless.
    m_system->InvalidateAll();
    m_system->Flush();
    m_system->Update(5);
}

TEST_F(CoreDialogSystem, InitSetsSurfaceFileVersionAndRootRectangle)
{
    SDL_Window* window = MakeWindow();
    ASSERT_NE(nullptr, window) << SDL_GetError();
    ASSERT_TRUE(m_system->Init(window, 100, 60, false, 0x10501)) << m_system->GetInitError();
    EXPECT_EQ(0x10501u, g_fileVersion);
    CPixelBuffer* surface = m_system->GetSurface();
    ASSERT_NE(nullptr, surface);
    EXPECT_EQ(100, surface->width);
    EXPECT_EQ(60, surface->height);
    EXPECT_EQ(32, surface->bitsPerPixel);
    EXPECT_EQ(400, surface->stride);
    EXPECT_EQ(100, m_system->GetRootItem()->GetWidth());
    EXPECT_EQ(60, m_system->GetRootItem()->GetHeight());
    EXPECT_EQ(0, m_system->GetOffsetX());
    EXPECT_EQ(0, m_system->GetOffsetY());
    // The default font is registered even where no font file can be found (a font that draws
    // nothing).
    EXPECT_EQ(1, m_system->GetFonts()->GetCount());
}

TEST_F(CoreDialogSystem, DefaultFontComesFromArialInTheCurrentDirectory)
{
    char folder[] = "/tmp/nerulan-core-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(folder));
    std::string font = std::string(folder) + "/arial.ttf";
    std::string copy = "cp /usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf " + font;
    ASSERT_EQ(0, system(copy.c_str()));
    char previous[4096];
    ASSERT_NE(nullptr, getcwd(previous, sizeof(previous)));
    ASSERT_EQ(0, chdir(folder));
    SDL_Window* window = MakeWindow();
    bool ok = window && m_system->Init(window, 100, 60, false, 0x10501);
    EXPECT_EQ(0, chdir(previous));
    unlink(font.c_str());
    rmdir(folder);
    ASSERT_TRUE(ok);
    CFnt* fnt = m_system->FindFont(CAbstractDialogSystem::kDefaultFontId);
    ASSERT_NE(nullptr, fnt);
    EXPECT_TRUE(fnt->HasFace());
    EXPECT_EQ(15, fnt->GetSize());
}

// An item's picture is composited with its opacity times the opacity of its last rendered state.
TEST_F(CoreDialogSystem, DrawItemBitmapBlendsWithItemAndStateOpacity)
{
    SDL_Window* window = MakeWindow();
    ASSERT_NE(nullptr, window) << SDL_GetError();
    ASSERT_TRUE(m_system->Init(window, 8, 8, false, 0x10501));
    struct Case
    {
        uint8_t itemOpacity, stateOpacity, parentOpacity;
        uint8_t alpha;
    } cases[] = {
        {128, 255, 255, 128}, {128, 128, 255, 64}, {255, 255, 255, 255},
        {0, 255, 255, 0},     {255, 128, 128, 64},
    };
    for (const Case& c : cases)
    {
        CDialogItem parent(0, nullptr);
        parent.m_currentOpacity = c.parentOpacity;
        CDialogItem item(0, &parent);
        item.m_currentOpacity = c.itemOpacity;
        item.m_renderedOpacity = c.stateOpacity;
        CPixelBuffer* block = CPixelBuffer::Create(1, 1);
        FillPixelBuffer(block, 1, 1, 0xFFFFFFFFu); // opaque white
        m_system->SetRenderHandle(item.m_renderHandle, block);
        CPixelBuffer* surface = m_system->GetSurface();
        FillPixelBuffer(surface, surface->height, surface->width, 0u);
        m_system->DrawItemBitmap(&item, item.m_renderHandle, 2, 3, nullptr);
        const uint8_t* pixel = surface->Row(3) + 2 * 4;
        // Onto a transparent pixel the colour arrives whole and the weight becomes its alpha.
        EXPECT_EQ(c.alpha, pixel[3]) << int(c.itemOpacity) << " " << int(c.stateOpacity);
        if (c.alpha)
        {
            EXPECT_EQ(255, pixel[0]);
        }
        EXPECT_EQ(0, surface->Row(3)[3 * 4 + 3]);
    }
}

TEST_F(CoreDialogSystem, DrawItemBitmapRespectsClipAndIgnoresEmptyHandles)
{
    SDL_Window* window = MakeWindow();
    ASSERT_NE(nullptr, window) << SDL_GetError();
    ASSERT_TRUE(m_system->Init(window, 8, 8, false, 0x10501));
    CDialogItem item(0, nullptr);
    CPixelBuffer* surface = m_system->GetSurface();
    FillPixelBuffer(surface, surface->height, surface->width, 0u);
    // No block behind the handle: nothing is drawn, nothing crashes.
    m_system->DrawItemBitmap(&item, item.m_renderHandle, 0, 0, nullptr);
    m_system->DrawItemBitmap(&item, 0, 0, 0, nullptr);
    m_system->DrawItemBitmap(nullptr, 1, 0, 0, nullptr);
    CPixelBuffer* block = CPixelBuffer::Create(8, 8);
    FillPixelBuffer(block, 8, 8, 0xFF102030u);
    m_system->SetRenderHandle(item.m_renderHandle, block);
    DialogRect clip = {2, 2, 4, 4};
    m_system->DrawItemBitmap(&item, item.m_renderHandle, 0, 0, &clip);
    for (int32_t y = 0; y < 8; ++y)
    {
        for (int32_t x = 0; x < 8; ++x)
        {
            bool inside = x >= 2 && x < 4 && y >= 2 && y < 4;
            EXPECT_EQ(inside ? 255 : 0, surface->Row(y)[x * 4 + 3]) << x << "," << y;
        }
    }
}

TEST(CoreDisplayModes, FirstListedModeThatHoldsTheDesignIsChosen)
{
    setenv("ALSOFT_DRIVERS", "null", 1);
    struct Mode
    {
        uint8_t bits;
        int32_t width, height;
    };
    struct Case
    {
        const char* name;
        std::vector<Mode> modes;
        int32_t designWidth, designHeight;
        int32_t width, height; // chosen mode, 0 when none
    } cases[] = {
        // The list order decides, not the size: a closer fit listed later is not looked for.
        {"ListedOutOfOrder", {{32, 800, 600}, {32, 1280, 1024}, {32, 1024, 768}}, 1024, 768, 1280, 1024},
        {"LargerNeeded", {{32, 1920, 1080}, {32, 1280, 1024}, {32, 1024, 768}}, 1100, 800, 1920, 1080},
        {"SmallestFirst", {{32, 1024, 768}, {32, 1280, 1024}, {32, 1920, 1080}}, 1100, 800, 1280, 1024},
        {"SixteenBitNeverListed", {{16, 1024, 768}, {24, 1600, 1200}}, 1024, 768, 1600, 1200},
        {"BothSidesMustFit", {{32, 2000, 700}, {32, 900, 900}, {32, 1280, 800}}, 1000, 760, 1280, 800},
        {"NoneHolds", {{32, 800, 600}, {32, 640, 480}}, 1024, 768, 0, 0},
        {"OnlySixteenBit", {{16, 1920, 1080}}, 1024, 768, 0, 0},
    };
    for (const Case& c : cases)
    {
        CDirectXDialogSystem system(0x04);
        for (const Mode& m : c.modes)
            system.AddDisplayMode(m.bits, m.width, m.height);
        int32_t index = system.FindModeFor(c.designWidth, c.designHeight);
        if (c.width == 0)
        {
            EXPECT_EQ(-1, index) << c.name;
            continue;
        }
        ASSERT_GE(index, 0) << c.name;
        const DisplayMode* mode = system.GetDisplayModes()->Get<DisplayMode>(index);
        EXPECT_EQ(c.width, mode->width) << c.name;
        EXPECT_EQ(c.height, mode->height) << c.name;
        for (int32_t i = 0; i < system.GetDisplayModes()->GetCount(); ++i)
            EXPECT_GE(system.GetDisplayModes()->Get<DisplayMode>(i)->bitsPerPixel, 24) << c.name;
    }
}
} // namespace

#include "screen/DirectXDialogSystem.h"

#include <SDL.h>

#include <algorithm>

#include "interface/DialogItem.h"
#include "render/PixelBuffer.h"

namespace
{
constexpr int32_t kModeGrowStep = 4;
} // namespace

CDirectXDialogSystem::CDirectXDialogSystem(uint8_t displayFlags) : CAbstractDialogSystem(displayFlags)
{
    m_displayModes = new CVector(kModeGrowStep);
}

CDirectXDialogSystem::~CDirectXDialogSystem()
{
    ReleaseSurface();
}

void CDirectXDialogSystem::AddDisplayMode(uint8_t bitsPerPixel, int32_t width, int32_t height)
{
    if (bitsPerPixel < 24 || !m_displayModes)
        return;
    // Kept in the order reported: the first listed mode that holds the design is the one taken.
    m_displayModes->Add(new DisplayMode{bitsPerPixel, width, height});
}

int32_t CDirectXDialogSystem::FindModeFor(int32_t designWidth, int32_t designHeight) const
{
    if (!m_displayModes)
        return -1;
    for (int32_t i = 0; i < m_displayModes->GetCount(); ++i)
    {
        const DisplayMode* mode = m_displayModes->Get<DisplayMode>(i);
        if (mode->width >= designWidth && mode->height >= designHeight)
            return i;
    }
    return -1;
}

void CDirectXDialogSystem::ClearDisplayModes()
{
    if (!m_displayModes)
        return;
    for (int32_t i = 0; i < m_displayModes->GetCount(); ++i)
        delete m_displayModes->Get<DisplayMode>(i);
    m_displayModes->RemoveAll();
}

bool CDirectXDialogSystem::EnumerateDisplayModes(int displayIndex)
{
    ClearDisplayModes();
    int count = SDL_GetNumDisplayModes(displayIndex);
    if (count < 1)
        return false;
    // SDL lists the modes largest first; they are reported smallest first, so that the first one
    // that holds the design is the closest fit.
    for (int i = count - 1; i >= 0; --i)
    {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(displayIndex, i, &mode) == 0)
            AddDisplayMode(static_cast<uint8_t>(SDL_BITSPERPIXEL(mode.format)), mode.w, mode.h);
    }
    return true;
}

bool CDirectXDialogSystem::Init(SDL_Window* window, int32_t designWidth, int32_t designHeight,
                                bool fullScreen, uint32_t version)
{
    (void)fullScreen;
    if (!InitCommonBegin(window, designWidth, designHeight, version))
        return false;
    m_fullScreen = 1;
    int displayIndex = SDL_GetWindowDisplayIndex(window);
    if (displayIndex < 0)
        displayIndex = 0;
    if (!EnumerateDisplayModes(displayIndex))
    {
        SetInitError("The display modes of the screen could not be read!");
        FreeSurface();
        return false;
    }
    int32_t index = FindModeFor(designWidth, designHeight);
    if (index < 0)
    {
        SetInitError("No display mode of the screen is large enough for the interface!");
        FreeSurface();
        return false;
    }
    const DisplayMode* chosen = m_displayModes->Get<DisplayMode>(index);
    SDL_DisplayMode wanted;
    SDL_zero(wanted);
    wanted.w = chosen->width;
    wanted.h = chosen->height;
    SDL_DisplayMode closest;
    // The window takes the mode's size and the screen's corner before it goes full screen:
    // without a window manager nothing else would move or resize it.
    SDL_SetWindowBordered(window, SDL_FALSE);
    SDL_SetWindowPosition(window, 0, 0);
    SDL_SetWindowSize(window, chosen->width, chosen->height);
    if (!SDL_GetClosestDisplayMode(displayIndex, &wanted, &closest) ||
        SDL_SetWindowDisplayMode(window, &closest) != 0 ||
        SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0)
    {
        SetInitError("The screen could not be switched to full screen!");
        FreeSurface();
        return false;
    }
    m_outputWidth = chosen->width;
    m_outputHeight = chosen->height;
    InitCommonEnd();
    return true;
}

void CDirectXDialogSystem::ReleaseSurface()
{
    FreeSurface();
    ClearDisplayModes();
    delete m_displayModes;
    m_displayModes = nullptr;
}

void CDirectXDialogSystem::Paint(const DialogRect& rect)
{
    if (!m_surface)
        return;
    CCriticalSectionGuard guard(&m_lock);
    CDialogItem* page = GetCurrentPage();
    if (page)
        page->Draw(rect);
    QueuePresent(rect);
}

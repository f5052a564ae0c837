#include "screen/GDIDialogSystem.h"

#include <SDL.h>

#include <algorithm>

#include "interface/DialogItem.h"
#include "render/PixelBuffer.h"

CGDIDialogSystem::CGDIDialogSystem(uint8_t displayFlags) : CAbstractDialogSystem(displayFlags) {}

CGDIDialogSystem::~CGDIDialogSystem()
{
    ReleaseSurface();
}

bool CGDIDialogSystem::Init(SDL_Window* window, int32_t designWidth, int32_t designHeight, bool fullScreen,
                            uint32_t version)
{
    if (!InitCommonBegin(window, designWidth, designHeight, version))
        return false;
    m_fullScreen = fullScreen ? 1 : 0;
    // The output is the design area itself: SDL sizes are client sizes, so the window is given
    // exactly the design size, placed at the top-left corner of the screen.
    m_outputWidth = designWidth;
    m_outputHeight = designHeight;
    SDL_SetWindowSize(window, designWidth, designHeight);
    SDL_SetWindowPosition(window, 0, 0);
    InitCommonEnd();
    return true;
}

void CGDIDialogSystem::ReleaseSurface()
{
    FreeSurface();
}

void CGDIDialogSystem::Paint(const DialogRect& rect)
{
    if (!m_surface)
        return;
    // The rectangle is in window coordinates; only the design area is drawn.
    DialogRect clip = {std::max(rect.left, m_offsetX) - m_offsetX, std::max(rect.top, m_offsetY) - m_offsetY,
                       std::min(rect.right, m_offsetX + m_surface->width) - m_offsetX,
                       std::min(rect.bottom, m_offsetY + m_surface->height) - m_offsetY};
    if (clip.right <= clip.left || clip.bottom <= clip.top)
        return;
    CCriticalSectionGuard guard(&m_lock);
    CDialogItem* page = GetCurrentPage();
    if (page)
        page->Draw(clip);
    QueuePresent(clip);
}

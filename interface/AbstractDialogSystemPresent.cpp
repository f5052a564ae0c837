// Getting finished pixels from the tick thread's surface onto the screen: the tick thread draws
// the dirty rectangles and records them; the main thread copies them to the window.
#include <SDL.h>

#include <algorithm>

#include "interface/AbstractDialogSystem.h"
#include "render/DirtyMap.h"
#include "render/PixelBuffer.h"

uint32_t CAbstractDialogSystem::PresentEventType()
{
    // Registered once, on first use (Init, on the main thread); thread-safe after that.
    static const uint32_t type = SDL_RegisterEvents(1);
    return type;
}

void CAbstractDialogSystem::FlushDirtyCells()
{
    if (!m_dirtyMap || !m_surface)
        return;
    int32_t drawn = m_dirtyMap->Merge(
        [this](const DialogRect& rect)
        {
            DialogRect shifted = {rect.left + m_offsetX, rect.top + m_offsetY, rect.right + m_offsetX,
                                  rect.bottom + m_offsetY};
            Paint(IsFullScreen() ? rect : shifted);
        });
    if (drawn > 0)
        RequestPresent();
}

void CAbstractDialogSystem::QueuePresent(const DialogRect& rect)
{
    CCriticalSectionGuard guard(&m_lock);
    if (m_pendingAll)
        return;
    // Rectangles pile up only while the main thread is behind; beyond a screenful of them
    // one full copy is cheaper than keeping count.
    if (m_pendingRects.size() >= kMaxPendingRects)
    {
        m_pendingAll = true;
        m_pendingRects.clear();
        return;
    }
    m_pendingRects.push_back(rect);
}

void CAbstractDialogSystem::RequestPresent()
{
    if (m_presentQueued.exchange(true))
        return;
    SDL_Event event;
    SDL_zero(event);
    event.type = PresentEventType();
    if (SDL_PushEvent(&event) != 1)
        m_presentQueued.store(false);
}

void CAbstractDialogSystem::Present()
{
    m_presentQueued.store(false);
    {
        CCriticalSectionGuard guard(&m_lock);
        if (m_pendingAll)
        {
            m_pendingAll = false;
            m_pendingRects.clear();
            CopyToWindow(nullptr, 0, true);
        }
        else if (!m_pendingRects.empty())
        {
            CopyToWindow(m_pendingRects.data(), static_cast<int32_t>(m_pendingRects.size()), false);
            m_pendingRects.clear();
        }
    }
    ShowCopied();
}

void CAbstractDialogSystem::PresentAll()
{
    {
        CCriticalSectionGuard guard(&m_lock);
        m_pendingAll = false;
        m_pendingRects.clear();
        CopyToWindow(nullptr, 0, true);
    }
    ShowCopied();
}

namespace
{
// The part of a design rectangle that lies on both the surface and the window.
bool ClipToWindow(const DialogRect& design, const CPixelBuffer& surface, int32_t offsetX, int32_t offsetY,
                  const SDL_Surface& window, SDL_Rect& out)
{
    int32_t left = std::max({design.left, 0, -offsetX});
    int32_t top = std::max({design.top, 0, -offsetY});
    int32_t right = std::min({design.right, surface.width, window.w - offsetX});
    int32_t bottom = std::min({design.bottom, surface.height, window.h - offsetY});
    if (right <= left || bottom <= top)
        return false;
    out = {left, top, right - left, bottom - top};
    return true;
}
} // namespace

void CAbstractDialogSystem::CopyToWindow(const DialogRect* rects, int32_t count, bool clearOutside)
{
    if (!m_window || !m_surface)
        return;
    SDL_Surface* window = SDL_GetWindowSurface(m_window);
    if (!window)
        return;
    DialogRect whole = {0, 0, m_surface->width, m_surface->height};
    if (!rects)
    {
        rects = &whole;
        count = 1;
    }
    if (clearOutside)
        SDL_FillRect(window, nullptr, SDL_MapRGB(window->format, 0, 0, 0));
    if (SDL_MUSTLOCK(window) && SDL_LockSurface(window) != 0)
        return;
    m_copiedAll = m_copiedAll || clearOutside;
    for (int32_t i = 0; i < count; ++i)
    {
        SDL_Rect part;
        if (!ClipToWindow(rects[i], *m_surface, m_offsetX, m_offsetY, *window, part))
            continue;
        const uint8_t* source = m_surface->Row(part.y) + static_cast<size_t>(part.x) * 4;
        uint8_t* target = static_cast<uint8_t*>(window->pixels) +
                          static_cast<size_t>(part.y + m_offsetY) * window->pitch +
                          static_cast<size_t>(part.x + m_offsetX) * window->format->BytesPerPixel;
        // The surface's bytes B, G, R, A are the 32-bit word 0xAARRGGBB.
        SDL_ConvertPixels(part.w, part.h, SDL_PIXELFORMAT_ARGB8888, source, m_surface->stride,
                          window->format->format, target, window->pitch);
        if (m_copiedRects.size() < kMaxShownRects)
        {
            const int32_t left = part.x + m_offsetX;
            const int32_t top = part.y + m_offsetY;
            m_copiedRects.push_back({left, top, left + part.w, top + part.h});
        }
        else
        {
            m_copiedAll = true;
        }
    }
    if (SDL_MUSTLOCK(window))
        SDL_UnlockSurface(window);
}

void CAbstractDialogSystem::ShowCopied()
{
    if (m_window && m_copiedAll)
    {
        SDL_UpdateWindowSurface(m_window);
    }
    else if (m_window && !m_copiedRects.empty())
    {
        SDL_Rect shown[kMaxShownRects];
        int32_t count = 0;
        for (const DialogRect& rect : m_copiedRects)
            shown[count++] = {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
        SDL_UpdateWindowSurfaceRects(m_window, shown, count);
    }
    m_copiedAll = false;
    m_copiedRects.clear();
}

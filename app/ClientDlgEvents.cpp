// The main thread's side of the window: SDL events become pointer events in the mouse queue,
// presents of finished pixels, or the end of the run.
#include <SDL.h>

#include "app/ClientDlg.h"
#include "interface/AbstractDialogSystem.h"
#include "platform/FloatToInt.h"

bool CClientDlg::HandleEvent(const SDL_Event& event)
{
    const uint32_t windowId = m_window ? SDL_GetWindowID(m_window) : 0;
    if (event.type == CloseEventType())
        return false;
    if (m_backEnd && event.type == CAbstractDialogSystem::PresentEventType())
    {
        m_backEnd->Present();
        return true;
    }
    switch (event.type)
    {
    case SDL_QUIT:
        return false;
    case SDL_WINDOWEVENT:
        if (event.window.windowID != windowId)
            return true;
        switch (event.window.event)
        {
        case SDL_WINDOWEVENT_CLOSE:
            return false;
        case SDL_WINDOWEVENT_EXPOSED:
            if (m_backEnd)
                m_backEnd->PresentAll();
            break;
        case SDL_WINDOWEVENT_LEAVE:
            OnMouseLeave();
            break;
        default:
            break;
        }
        return true;
    case SDL_KEYDOWN:
        // Enter and Escape end the run like a dialog's default OK and Cancel. A key that arrives
        // before SDL has noted the window's focus carries no window: the main window is the only
        // one that can have it then.
        // A repeat belongs to a key pressed earlier, possibly in the password prompt.
        if ((event.key.windowID == windowId || event.key.windowID == 0) && event.key.repeat == 0 &&
            (event.key.keysym.sym == SDLK_RETURN || event.key.keysym.sym == SDLK_KP_ENTER ||
             event.key.keysym.sym == SDLK_ESCAPE))
            return false;
        return true;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        // Touches arrive as finger events; SDL's mouse copies of them would count twice.
        if (event.button.which == SDL_TOUCH_MOUSEID || event.button.button != SDL_BUTTON_LEFT ||
            event.button.windowID != windowId)
            return true;
        // A double click arrives as a second button-down, which is what it should be.
        if (event.type == SDL_MOUSEBUTTONDOWN)
            OnLButtonDown(event.button.x, event.button.y);
        else
            OnLButtonUp(event.button.x, event.button.y);
        return true;
    case SDL_MOUSEMOTION:
        if (event.motion.which != SDL_TOUCH_MOUSEID && event.motion.windowID == windowId)
            OnMouseMove(event.motion.x, event.motion.y);
        return true;
    case SDL_FINGERDOWN:
    case SDL_FINGERUP:
    case SDL_FINGERMOTION:
        if (event.tfinger.touchId != SDL_MOUSE_TOUCHID)
            HandleFinger(event);
        return true;
    default:
        return true;
    }
}

void CClientDlg::HandleFinger(const SDL_Event& event)
{
    // One finger acts as the pointer: from its touch to its lift, other fingers are ignored.
    const int64_t finger = static_cast<int64_t>(event.tfinger.fingerId);
    if (event.type == SDL_FINGERDOWN)
    {
        if (m_fingerDown)
            return;
        m_fingerDown = true;
        m_finger = finger;
    }
    else if (!m_fingerDown || finger != m_finger)
    {
        return;
    }
    int width = 0;
    int height = 0;
    if (m_window)
        SDL_GetWindowSize(m_window, &width, &height);
    // Finger positions are fractions of the window.
    int32_t x = platform::FloatToInt32(event.tfinger.x * static_cast<float>(width));
    int32_t y = platform::FloatToInt32(event.tfinger.y * static_cast<float>(height));
    if (event.type == SDL_FINGERDOWN)
    {
        OnLButtonDown(x, y);
    }
    else if (event.type == SDL_FINGERUP)
    {
        m_fingerDown = false;
        OnLButtonUp(x, y);
    }
    else
    {
        OnMouseMove(x, y);
    }
}

void CClientDlg::PushMouse(uint8_t kind, int32_t x, int32_t y)
{
    if (!m_mouseQueue)
        return;
    CMouseData data(kind, x, y);
    m_mouseQueue->Push(&data);
}

void CClientDlg::OnLButtonDown(int32_t x, int32_t y)
{
    PushMouse(CMouseData::Down, x, y);
}

void CClientDlg::OnLButtonUp(int32_t x, int32_t y)
{
    PushMouse(CMouseData::Up, x, y);
}

void CClientDlg::OnMouseMove(int32_t x, int32_t y)
{
    PushMouse(CMouseData::Move, x, y);
}

void CClientDlg::OnMouseLeave()
{
    // A pointer that leaves the window releases whatever it held.
    PushMouse(CMouseData::Up, 0, 0);
}

#include "screen/PromptWindow.h"

#include <SDL.h>

namespace platform
{
namespace
{
// Layout in pixels (the window is about 186 x 66 dialog units of an 8-point dialog font).
constexpr int32_t kMargin = 14;
constexpr int32_t kLabelTop = 10;
constexpr int32_t kEditTop = 34;
constexpr int32_t kEditHeight = 24;
constexpr int32_t kButtonTop = 70;
constexpr int32_t kButtonWidth = 86;
constexpr int32_t kButtonHeight = 26;
constexpr int32_t kButtonGap = 12;
constexpr int32_t kOkLeft = (PromptWindow::kWidth - 2 * kButtonWidth - kButtonGap) / 2;
constexpr int32_t kCancelLeft = kOkLeft + kButtonWidth + kButtonGap;
constexpr int32_t kTextHeight = 15;
constexpr char16_t kMaskCharacter = u'*';
// How long the prompt sleeps when no event waits: short beside a typist's keys.
constexpr uint32_t kPollGapMs = 10;

constexpr uint32_t kBackground = 0xF0F0F0;
constexpr uint32_t kEditFace = 0xFFFFFF;
constexpr uint32_t kEditBorder = 0x7A7A7A;
constexpr uint32_t kButtonFace = 0xE1E1E1;
constexpr uint32_t kButtonPressedFace = 0xCCE4F7;
constexpr uint32_t kButtonBorder = 0xADADAD;
constexpr uint32_t kDefaultBorder = 0x0078D7;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kDisabledText = 0xA0A0A0;

void Fill(SDL_Surface* surface, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t rgb)
{
    SDL_Rect rect{x, y, w, h};
    SDL_FillRect(surface, &rect, SDL_MapRGB(surface->format, rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF));
}

void Frame(SDL_Surface* surface, int32_t x, int32_t y, int32_t w, int32_t h, uint32_t border, uint32_t face)
{
    Fill(surface, x, y, w, h, border);
    Fill(surface, x + 1, y + 1, w - 2, h - 2, face);
}

bool Inside(int32_t x, int32_t y, int32_t left, int32_t top, int32_t w, int32_t h)
{
    return x >= left && x < left + w && y >= top && y < top + h;
}
} // namespace

PromptWindow::PromptWindow(const char* caption, const char* label, bool masked, PromptModel& model)
    : m_caption(caption ? caption : ""), m_label(PromptModel::DecodeUtf8(label)), m_masked(masked),
      m_model(model), m_painter(kTextHeight)
{
}

PromptWindow::~PromptWindow()
{
    if (m_window)
        SDL_DestroyWindow(m_window);
}

bool PromptWindow::Open()
{
    if (m_window)
        return true;
    m_window = SDL_CreateWindow(m_caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth,
                                kHeight, SDL_WINDOW_SHOWN);
    if (!m_window)
        return false;
    m_painter.Load();
    SDL_RaiseWindow(m_window);
    SDL_StartTextInput();
    Render();
    return true;
}

uint32_t PromptWindow::GetWindowId() const
{
    return m_window ? SDL_GetWindowID(m_window) : 0;
}

void PromptWindow::HandleEvent(const SDL_Event& event)
{
    const uint32_t id = GetWindowId();
    switch (event.type)
    {
    case SDL_QUIT:
        // The program is asked to end: the prompt closes, and the request is handed on to
        // whoever runs the event loop after it.
        m_quitRequested = true;
        m_model.Close();
        break;
    case SDL_WINDOWEVENT:
        if (event.window.windowID == id && event.window.event == SDL_WINDOWEVENT_CLOSE)
            m_model.Close();
        break;
    // Keys that arrive before SDL has noted the focus carry no window; while the prompt runs
    // they can only be meant for it.
    case SDL_TEXTINPUT:
        if (event.text.windowID == id || event.text.windowID == 0)
            m_model.InsertUtf8(event.text.text);
        break;
    case SDL_KEYDOWN:
        if (event.key.windowID == id || event.key.windowID == 0)
            HandleKey(event.key.keysym.sym);
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (event.button.windowID == id && event.button.button == SDL_BUTTON_LEFT)
            m_pressed = HitTest(event.button.x, event.button.y);
        break;
    case SDL_MOUSEBUTTONUP:
        if (event.button.windowID == id && event.button.button == SDL_BUTTON_LEFT)
        {
            Part released = HitTest(event.button.x, event.button.y);
            if (released == m_pressed && released == Part::Ok)
                m_model.ClickOk();
            else if (released == m_pressed && released == Part::Cancel)
                m_model.ClickCancel();
            m_pressed = Part::None;
        }
        break;
    default:
        break;
    }
}

void PromptWindow::HandleKey(int32_t keycode)
{
    switch (keycode)
    {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        m_model.PressKey(PromptModel::Key::Enter);
        break;
    case SDLK_ESCAPE:
        m_model.PressKey(PromptModel::Key::Escape);
        break;
    case SDLK_BACKSPACE:
        m_model.PressKey(PromptModel::Key::Backspace);
        break;
    case SDLK_DELETE:
        m_model.PressKey(PromptModel::Key::Delete);
        break;
    case SDLK_LEFT:
        m_model.PressKey(PromptModel::Key::Left);
        break;
    case SDLK_RIGHT:
        m_model.PressKey(PromptModel::Key::Right);
        break;
    case SDLK_HOME:
        m_model.PressKey(PromptModel::Key::Home);
        break;
    case SDLK_END:
        m_model.PressKey(PromptModel::Key::End);
        break;
    default:
        break;
    }
}

PromptWindow::Part PromptWindow::HitTest(int32_t x, int32_t y) const
{
    if (Inside(x, y, kOkLeft, kButtonTop, kButtonWidth, kButtonHeight))
        return Part::Ok;
    if (Inside(x, y, kCancelLeft, kButtonTop, kButtonWidth, kButtonHeight))
        return Part::Cancel;
    return Part::None;
}

PromptModel::Result PromptWindow::Run()
{
    if (!Open())
        return PromptModel::Result::Cancel;
    while (m_model.GetResult() == PromptModel::Result::Running)
    {
        // Polled, not waited for: a wait lets the windowing library address a wake-up message to
        // this window over its second display connection, and the display may take that message
        // only after the window is gone, an error that ends the whole program.
        SDL_Event event;
        if (!SDL_PollEvent(&event))
        {
            SDL_Delay(kPollGapMs);
            continue;
        }
        HandleEvent(event);
        while (m_model.GetResult() == PromptModel::Result::Running && SDL_PollEvent(&event))
            HandleEvent(event);
        Render();
    }
    SDL_StopTextInput();
    // The keys still waiting were typed into the prompt: the rest of the key that closed it (or
    // its auto-repeat on a busy display) must not reach the window that comes next.
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
    if (m_quitRequested)
    {
        SDL_Event quit;
        SDL_zero(quit);
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
    return m_model.GetResult();
}

void PromptWindow::DrawButton(SDL_Surface* surface, int32_t x, const std::u16string& text, bool enabled,
                              bool pressed, bool isDefault)
{
    uint32_t border = isDefault && enabled ? kDefaultBorder : kButtonBorder;
    Frame(surface, x, kButtonTop, kButtonWidth, kButtonHeight, border,
          pressed ? kButtonPressedFace : kButtonFace);
    int32_t textX = x + (kButtonWidth - m_painter.Measure(text)) / 2;
    int32_t textY = kButtonTop + (kButtonHeight - m_painter.LineHeight()) / 2;
    m_painter.Draw(surface, textX, textY, text, enabled ? kText : kDisabledText);
}

void PromptWindow::Render()
{
    SDL_Surface* surface = m_window ? SDL_GetWindowSurface(m_window) : nullptr;
    if (!surface)
        return;
    SDL_SetClipRect(surface, nullptr);
    Fill(surface, 0, 0, kWidth, kHeight, kBackground);
    m_painter.Draw(surface, (kWidth - m_painter.Measure(m_label)) / 2, kLabelTop, m_label, kText);

    // The edit line scrolls horizontally so that the caret stays in view.
    const int32_t editWidth = kWidth - 2 * kMargin;
    Frame(surface, kMargin, kEditTop, editWidth, kEditHeight, kEditBorder, kEditFace);
    std::u16string shown = m_masked ? m_model.MaskedText(kMaskCharacter) : m_model.GetText();
    std::u16string beforeCaret = m_masked ? shown.substr(0, m_model.CaretCharacters())
                                          : m_model.GetText().substr(0, m_model.GetCaret());
    const int32_t inner = editWidth - 8;
    const int32_t caretX = m_painter.Measure(beforeCaret);
    const int32_t scroll = caretX > inner ? caretX - inner : 0;
    SDL_Rect editClip{kMargin + 2, kEditTop + 2, editWidth - 4, kEditHeight - 4};
    SDL_SetClipRect(surface, &editClip);
    const int32_t textY = kEditTop + (kEditHeight - m_painter.LineHeight()) / 2;
    m_painter.Draw(surface, kMargin + 4 - scroll, textY, shown, kText);
    Fill(surface, kMargin + 4 - scroll + caretX, kEditTop + 4, 1, kEditHeight - 8, kText);
    SDL_SetClipRect(surface, nullptr);

    DrawButton(surface, kOkLeft, u"OK", m_model.IsOkEnabled(), m_pressed == Part::Ok, true);
    DrawButton(surface, kCancelLeft, u"Cancel", true, m_pressed == Part::Cancel, false);
    SDL_UpdateWindowSurface(m_window);
}

PromptModel::Result RunModalPrompt(const char* caption, const char* label, bool masked, PromptModel& model)
{
    PromptWindow window(caption, label, masked, model);
    return window.Run();
}
} // namespace platform

#pragma once
#include <cstdint>
#include <string>

#include "screen/PromptModel.h"
#include "screen/PromptTextPainter.h"

struct SDL_Window;
struct SDL_Surface;
union SDL_Event;

namespace platform
{
// A small modal window on SDL: a centred label, a (masked) edit line, OK and Cancel side by
// side. Enter is OK (while enabled), Escape and the close box are Cancel; a quit request of the
// program cancels too and stays in the event queue for the caller's loop. It only shows and
// feeds a PromptModel; what the text means is the model's owner's business.
// Main thread only (it makes SDL video calls).
class PromptWindow
{
public:
    static constexpr int32_t kWidth = 280;
    static constexpr int32_t kHeight = 108;

    PromptWindow(const char* caption, const char* label, bool masked, PromptModel& model);
    ~PromptWindow();
    PromptWindow(const PromptWindow&) = delete;
    PromptWindow& operator=(const PromptWindow&) = delete;

    // Creates and shows the window; false when SDL cannot make one.
    bool Open();
    uint32_t GetWindowId() const;
    // Feeds one event to the model when it belongs to this window (or is a quit request).
    void HandleEvent(const SDL_Event& event);
    // Runs the event loop until the model has a result; Cancel when the window cannot be opened.
    PromptModel::Result Run();
    // Draws the current state into the window.
    void Render();

private:
    enum class Part
    {
        None,
        Ok,
        Cancel,
    };

    void HandleKey(int32_t keycode);
    Part HitTest(int32_t x, int32_t y) const;
    void DrawButton(SDL_Surface* surface, int32_t x, const std::u16string& text, bool enabled, bool pressed,
                    bool isDefault);

    std::string m_caption;
    std::u16string m_label;
    bool m_masked;
    PromptModel& m_model;
    PromptTextPainter m_painter;
    SDL_Window* m_window = nullptr;
    Part m_pressed = Part::None;
    bool m_quitRequested = false;
};

// Runs a prompt from start to end: the window, its loop, its result.
PromptModel::Result RunModalPrompt(const char* caption, const char* label, bool masked, PromptModel& model);
} // namespace platform

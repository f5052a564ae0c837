// The main thread's events: pointer, touch, keys and window events become mouse-queue entries or
// end the run.
#include <gtest/gtest.h>

#include <SDL.h>

#include "support/AppTestSupport.h"

namespace
{
// Builders of synthetic SDL events for the window with id `w` (0: the main window).
struct EventPlan
{
    enum Kind
    {
        Button,
        Motion,
        Finger,
        Window,
        Key,
        Quit,
        CloseRequest,
    } kind;
    uint32_t type = 0;    // SDL event type (buttons, fingers) or window event / key code
    int32_t a = 0, b = 0; // x, y
    float fx = 0, fy = 0; // finger position
    uint8_t button = SDL_BUTTON_LEFT;
    int64_t which = 0; // mouse id, or touch id for fingers
    int64_t finger = 1;
    bool otherWindow = false;
    bool noWindow = false;
    uint8_t clicks = 1;
};

SDL_Event Build(const EventPlan& plan, uint32_t mainWindow)
{
    SDL_Event event;
    SDL_zero(event);
    uint32_t window = plan.noWindow ? 0 : plan.otherWindow ? mainWindow + 1000 : mainWindow;
    switch (plan.kind)
    {
    case EventPlan::Button:
        event.type = plan.type;
        event.button.windowID = window;
        event.button.which = static_cast<uint32_t>(plan.which);
        event.button.button = plan.button;
        event.button.clicks = plan.clicks;
        event.button.x = plan.a;
        event.button.y = plan.b;
        break;
    case EventPlan::Motion:
        event.type = SDL_MOUSEMOTION;
        event.motion.windowID = window;
        event.motion.which = static_cast<uint32_t>(plan.which);
        event.motion.x = plan.a;
        event.motion.y = plan.b;
        break;
    case EventPlan::Finger:
        event.type = plan.type;
        event.tfinger.touchId = plan.which;
        event.tfinger.fingerId = plan.finger;
        event.tfinger.x = plan.fx;
        event.tfinger.y = plan.fy;
        break;
    case EventPlan::Window:
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = window;
        event.window.event = static_cast<uint8_t>(plan.type);
        break;
    case EventPlan::Key:
        event.type = SDL_KEYDOWN;
        event.key.windowID = window;
        event.key.keysym.sym = static_cast<SDL_Keycode>(plan.type);
        break;
    case EventPlan::Quit:
        event.type = SDL_QUIT;
        break;
    case EventPlan::CloseRequest:
        event.type = CClientDlg::CloseEventType();
        break;
    }
    return event;
}

EventPlan Down(int x, int y)
{
    return {EventPlan::Button, SDL_MOUSEBUTTONDOWN, x, y};
}
EventPlan Up(int x, int y)
{
    return {EventPlan::Button, SDL_MOUSEBUTTONUP, x, y};
}
EventPlan Move(int x, int y)
{
    return {EventPlan::Motion, 0, x, y};
}
EventPlan FingerEvent(uint32_t type, float x, float y, int64_t finger = 1)
{
    EventPlan plan{EventPlan::Finger, type};
    plan.fx = x;
    plan.fy = y;
    plan.which = 7;
    plan.finger = finger;
    return plan;
}
template <class F> EventPlan With(EventPlan plan, F change)
{
    change(plan);
    return plan;
}

struct EventCase
{
    const char* name;
    std::vector<EventPlan> events;
    bool keepsRunning;  // the answer to the last event
    const char* queued; // what reached the mouse queue, "kind x y" joined
};

void PrintTo(const EventCase& c, std::ostream* os)
{
    *os << c.name;
}

class EventTest : public ::testing::TestWithParam<EventCase>
{
protected:
    HeadlessSdl m_sdl;
};

std::string Drain(CMouseQueue* queue)
{
    std::string out;
    while (queue->GetCount() > 0)
    {
        CMouseData* data = static_cast<CMouseData*>(queue->Peek());
        out += (out.empty() ? "" : ", ") + std::to_string(data->m_kind) + " " + std::to_string(data->m_x) +
               " " + std::to_string(data->m_y);
        delete data;
        queue->Pop();
    }
    return out;
}

TEST_P(EventTest, QueueAndRun)
{
    const EventCase& c = GetParam();
    CClientDlg dialog(nullptr, nullptr);
    ASSERT_TRUE(dialog.CreateMainWindow());
    uint32_t id = SDL_GetWindowID(dialog.GetWindow());
    bool running = true;
    for (const EventPlan& plan : c.events)
        running = dialog.HandleEvent(Build(plan, id));
    EXPECT_EQ(running, c.keepsRunning);
    EXPECT_EQ(Drain(dialog.GetMouseQueue()), c.queued);
}

// The window is 482 x 327 before an interface sizes it: a finger at (0.5, 0.25) is at (241, 81).
INSTANTIATE_TEST_SUITE_P(
    Events, EventTest,
    ::testing::Values(
        EventCase{"LeftDownMoveUp", {Down(5, 6), Move(7, 8), Up(9, 10)}, true, "2 5 6, 0 7 8, 1 9 10"},
        EventCase{"DoubleClickIsASecondDown",
                  {Down(5, 6), Up(5, 6), With(Down(5, 6), [](EventPlan& s) { s.clicks = 2; })},
                  true,
                  "2 5 6, 1 5 6, 2 5 6"},
        EventCase{"OtherButtonsIgnored",
                  {With(Down(1, 1), [](EventPlan& s) { s.button = SDL_BUTTON_RIGHT; }),
                   With(Up(1, 1), [](EventPlan& s) { s.button = SDL_BUTTON_MIDDLE; })},
                  true,
                  ""},
        EventCase{"NegativeCoordinatesKept", {Move(-3, -4)}, true, "0 -3 -4"},
        // The pointer leaving the window releases what it held.
        EventCase{"LeaveIsAnUpAtOrigin",
                  {Down(50, 60), {EventPlan::Window, SDL_WINDOWEVENT_LEAVE}},
                  true,
                  "2 50 60, 1 0 0"},
        // SDL's mouse copies of touches are dropped: the finger events carry them.
        EventCase{"MouseCopiesOfTouchesIgnored",
                  {With(Down(1, 1), [](EventPlan& s) { s.which = SDL_TOUCH_MOUSEID; }),
                   With(Move(2, 2), [](EventPlan& s) { s.which = SDL_TOUCH_MOUSEID; }),
                   With(Up(3, 3), [](EventPlan& s) { s.which = SDL_TOUCH_MOUSEID; })},
                  true,
                  ""},
        EventCase{"FingerScaledToTheWindow",
                  {FingerEvent(SDL_FINGERDOWN, 0.5f, 0.25f), FingerEvent(SDL_FINGERMOTION, 0.0f, 1.0f),
                   FingerEvent(SDL_FINGERUP, 1.0f, 0.0f)},
                  true,
                  "2 241 81, 0 0 327, 1 482 0"},
        EventCase{"TouchCopiesOfTheMouseIgnored",
                  {With(FingerEvent(SDL_FINGERDOWN, 0.5f, 0.5f),
                        [](EventPlan& s) { s.which = SDL_MOUSE_TOUCHID; })},
                  true,
                  ""},
        // One finger is the pointer from its touch to its lift; a second one is ignored.
        EventCase{"SecondFingerIgnored",
                  {FingerEvent(SDL_FINGERDOWN, 0.5f, 0.25f, 1), FingerEvent(SDL_FINGERDOWN, 0.1f, 0.1f, 2),
                   FingerEvent(SDL_FINGERMOTION, 0.2f, 0.2f, 2), FingerEvent(SDL_FINGERUP, 0.2f, 0.2f, 2),
                   FingerEvent(SDL_FINGERUP, 0.5f, 0.25f, 1), FingerEvent(SDL_FINGERDOWN, 0.0f, 0.0f, 2)},
                  true,
                  "2 241 81, 1 241 81, 2 0 0"},
        EventCase{"FingerUpWithoutDownIgnored", {FingerEvent(SDL_FINGERUP, 0.5f, 0.5f)}, true, ""},
        EventCase{"OtherWindowIgnored",
                  {With(Down(1, 1), [](EventPlan& s) { s.otherWindow = true; }),
                   With(Move(1, 1), [](EventPlan& s) { s.otherWindow = true; }),
                   With(EventPlan{EventPlan::Window, SDL_WINDOWEVENT_CLOSE},
                        [](EventPlan& s) { s.otherWindow = true; }),
                   With(EventPlan{EventPlan::Key, SDLK_ESCAPE}, [](EventPlan& s) { s.otherWindow = true; })},
                  true,
                  ""},
        EventCase{"CloseBoxEnds", {{EventPlan::Window, SDL_WINDOWEVENT_CLOSE}}, false, ""},
        EventCase{"EnterEnds", {{EventPlan::Key, SDLK_RETURN}}, false, ""},
        EventCase{"KeypadEnterEnds", {{EventPlan::Key, SDLK_KP_ENTER}}, false, ""},
        EventCase{"EscapeEnds", {{EventPlan::Key, SDLK_ESCAPE}}, false, ""},
        // Before SDL has noted the focus a key carries no window.
        EventCase{"EscapeWithoutFocusEnds",
                  {With(EventPlan{EventPlan::Key, SDLK_ESCAPE}, [](EventPlan& s) { s.noWindow = true; })},
                  false,
                  ""},
        EventCase{"OtherKeysDoNot", {{EventPlan::Key, SDLK_a}, {EventPlan::Key, SDLK_SPACE}}, true, ""},
        EventCase{"QuitEnds", {{EventPlan::Quit}}, false, ""},
        EventCase{"InterfaceQuitEnds", {{EventPlan::CloseRequest}}, false, ""}),
    [](const ::testing::TestParamInfo<EventCase>& info) { return std::string(info.param.name); });
} // namespace

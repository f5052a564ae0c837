// The modal prompt: its editing model fed with synthetic events, and its SDL window fed with
// SDL events on the dummy video driver.
#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "screen/PromptModel.h"
#include "screen/PromptTextPainter.h"
#include "screen/PromptWindow.h"

namespace
{
using platform::PromptModel;
using Key = PromptModel::Key;
using Result = PromptModel::Result;

struct DecodeCase
{
    const char* name;
    const char* utf8;
    std::u16string expected;
};

void PrintTo(const DecodeCase& c, std::ostream* os)
{
    *os << c.name;
}

class PromptDecodeTest : public ::testing::TestWithParam<DecodeCase>
{
};

TEST_P(PromptDecodeTest, Utf8ToUtf16)
{
    EXPECT_EQ(PromptModel::DecodeUtf8(GetParam().utf8), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, PromptDecodeTest,
    ::testing::Values(DecodeCase{"Ascii", "abc", u"abc"}, DecodeCase{"TwoBytes", "\xC3\xBC", u"\u00FC"},
                      DecodeCase{"ThreeBytes", "\xE2\x82\xAC", u"\u20AC"},
                      DecodeCase{"FourBytesBecomePair", "\xF0\x9F\x98\x80", u"\U0001F600"},
                      // Malformed bytes are skipped one at a time; what follows still decodes.
                      DecodeCase{"LoneContinuation",
                                 "a\x80"
                                 "b",
                                 u"ab"},
                      DecodeCase{"OverlongSlash",
                                 "\xC0\xAF"
                                 "x",
                                 u"x"},
                      DecodeCase{"OverlongThreeBytes", "\xE0\x80\xAF", u""},
                      DecodeCase{"EncodedSurrogate",
                                 "\xED\xA0\x80"
                                 "z",
                                 u"z"},
                      DecodeCase{"BeyondUnicode", "\xF4\x90\x80\x80", u""},
                      DecodeCase{"CutAtTheEnd", "ok\xE2\x82", u"ok"}, DecodeCase{"Null", nullptr, u""}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

bool EnableWhenAbc(void* context, const std::u16string& text)
{
    ++*static_cast<int*>(context);
    return text == u"abc";
}

TEST(PromptModel, EditingKeepsCharactersWhole)
{
    int changes = 0;
    PromptModel model(&EnableWhenAbc, &changes, 100);
    model.InsertText(u"a\U0001F600b");
    EXPECT_EQ(model.GetCaret(), 4u);
    EXPECT_EQ(model.MaskedText(u'*'), u"***");
    model.PressKey(Key::Left);
    model.PressKey(Key::Left); // over the pair in one step
    EXPECT_EQ(model.GetCaret(), 1u);
    EXPECT_EQ(model.CaretCharacters(), 1u);
    model.PressKey(Key::Delete);
    EXPECT_EQ(model.GetText(), u"ab");
    model.PressKey(Key::End);
    model.InsertText(u"\U0001F600");
    model.PressKey(Key::Backspace);
    EXPECT_EQ(model.GetText(), u"ab");
    model.PressKey(Key::Home);
    model.PressKey(Key::Backspace); // nothing before the caret: no change
    model.PressKey(Key::End);
    model.PressKey(Key::Delete); // nothing after the caret: no change
    model.PressKey(Key::Right);
    model.InsertUtf8("c");
    EXPECT_EQ(model.GetText(), u"abc");
    EXPECT_TRUE(model.IsOkEnabled());
    EXPECT_EQ(changes, 5); // insert, delete, insert, backspace, insert
}

TEST(PromptModel, InputIsFilteredAndBounded)
{
    int changes = 0;
    PromptModel model(&EnableWhenAbc, &changes, 4);
    model.InsertText(u"\t\r\n\x7F");
    model.InsertText(std::u16string(1, u'\xD800') + u"x" + std::u16string(1, u'\xDC00'));
    EXPECT_EQ(model.GetText(), u"x");
    // The limit never splits a pair: the pair that does not fit is dropped with what follows.
    model.InsertText(u"yz\U0001F600w");
    EXPECT_EQ(model.GetText(), u"xyz");
    EXPECT_EQ(changes, 2);
    model.InsertText(u"\U0001F600");
    EXPECT_EQ(model.GetText(), u"xyz");
    EXPECT_EQ(changes, 2);
}

TEST(PromptModel, OkOnlyWhileEnabledAndTheResultIsFinal)
{
    int changes = 0;
    PromptModel model(&EnableWhenAbc, &changes, 100);
    model.InsertUtf8("ab");
    model.PressKey(Key::Enter);
    model.ClickOk();
    EXPECT_EQ(model.GetResult(), Result::Running);
    model.InsertUtf8("c");
    model.PressKey(Key::Enter);
    EXPECT_EQ(model.GetResult(), Result::Ok);
    // Nothing changes the text or the result once it has ended.
    model.InsertUtf8("d");
    model.PressKey(Key::Escape);
    model.Close();
    EXPECT_EQ(model.GetText(), u"abc");
    EXPECT_EQ(model.GetResult(), Result::Ok);
}

// The prompt's window on the dummy video driver, fed with SDL events.
class PromptWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS), 0) << SDL_GetError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
    void TearDown() override { SDL_Quit(); }

    static void PushKey(uint32_t window, SDL_Keycode key)
    {
        SDL_Event event;
        SDL_zero(event);
        event.type = SDL_KEYDOWN;
        event.key.windowID = window;
        event.key.keysym.sym = key;
        SDL_PushEvent(&event);
    }
    static void PushText(uint32_t window, const char* text)
    {
        SDL_Event event;
        SDL_zero(event);
        event.type = SDL_TEXTINPUT;
        event.text.windowID = window;
        SDL_strlcpy(event.text.text, text, sizeof(event.text.text));
        SDL_PushEvent(&event);
    }
    static void PushButton(uint32_t window, bool down, int x, int y)
    {
        SDL_Event event;
        SDL_zero(event);
        event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.windowID = window;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.x = x;
        event.button.y = y;
        SDL_PushEvent(&event);
    }
    static void PushClose(uint32_t window)
    {
        SDL_Event event;
        SDL_zero(event);
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = window;
        event.window.event = SDL_WINDOWEVENT_CLOSE;
        SDL_PushEvent(&event);
    }
};

// Centres of the two buttons (the window lays them out side by side, centred).
constexpr int kButtonY = 83;
constexpr int kOkX = 90;
constexpr int kCancelX = 190;

TEST_F(PromptWindowTest, TypedTextThenEnter)
{
    int changes = 0;
    PromptModel model(&EnableWhenAbc, &changes, 100);
    platform::PromptWindow window("Password request", "Password request", true, model);
    ASSERT_TRUE(window.Open());
    uint32_t id = window.GetWindowId();
    PushText(id, "ab");
    PushText(id + 1000, "zzz"); // another window's input is not the prompt's
    PushKey(id, SDLK_RETURN);   // disabled: nothing happens
    PushText(0, "c");           // before SDL has noted the focus
    PushKey(id, SDLK_KP_ENTER);
    EXPECT_EQ(window.Run(), Result::Ok);
    EXPECT_EQ(model.GetText(), u"abc");
}

TEST_F(PromptWindowTest, ButtonsNeedPressAndReleaseOnThemselves)
{
    int changes = 0;
    PromptModel model(&EnableWhenAbc, &changes, 100);
    platform::PromptWindow window("Prompt", "Label", false, model);
    ASSERT_TRUE(window.Open());
    uint32_t id = window.GetWindowId();
    PushText(id, "abc");
    PushButton(id, true, kOkX, kButtonY);
    PushButton(id, false, kCancelX, kButtonY); // released elsewhere: no click
    PushButton(id, true, kCancelX, kButtonY);
    PushButton(id, false, kOkX, kButtonY); // nor here
    PushButton(id, true, kOkX, kButtonY);
    PushButton(id, false, kOkX, kButtonY);
    EXPECT_EQ(window.Run(), Result::Ok);
}

TEST_F(PromptWindowTest, CloseBoxEscapeAndCancelButtonCancel)
{
    for (int way = 0; way < 3; ++way)
    {
        int changes = 0;
        PromptModel model(&EnableWhenAbc, &changes, 100);
        platform::PromptWindow window("Prompt", "Label", true, model);
        ASSERT_TRUE(window.Open());
        uint32_t id = window.GetWindowId();
        PushText(id, "abc");
        if (way == 0)
            PushClose(id);
        else if (way == 1)
            PushKey(id, SDLK_ESCAPE);
        else
        {
            PushButton(id, true, kCancelX, kButtonY);
            PushButton(id, false, kCancelX, kButtonY);
        }
        EXPECT_EQ(window.Run(), Result::Cancel) << way;
        EXPECT_TRUE(model.IsOkEnabled());
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }
}

TEST_F(PromptWindowTest, QuitRequestCancelsAndIsHandedOn)
{
    int changes = 0;
    PromptModel model(&EnableWhenAbc, &changes, 100);
    platform::PromptWindow window("Prompt", "Label", true, model);
    ASSERT_TRUE(window.Open());
    PushText(window.GetWindowId(), "abc");
    SDL_Event quit;
    SDL_zero(quit);
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_EQ(window.Run(), Result::Cancel);
    SDL_PumpEvents();
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_QUIT, SDL_QUIT), 1);
}

TEST_F(PromptWindowTest, TextPainterFallsBackToTheSystemFont)
{
    namespace fs = std::filesystem;
    fs::path folder = fs::temp_directory_path() / ("nerulan-prompt-" + std::to_string(getpid()));
    fs::create_directories(folder);
    fs::path previous = fs::current_path();
    fs::current_path(folder);
    {
        // A local "arial.ttf" that is no font does not stop the prompt from finding one.
        std::ofstream(folder / "arial.ttf") << "not a font";
        platform::PromptTextPainter painter(15);
        EXPECT_EQ(painter.Load(), fs::exists(platform::PromptTextPainter::kSystemFont));
        if (painter.HasFace())
        {
            EXPECT_GT(painter.Measure(u"OK"), 0);
            EXPECT_GT(painter.Measure(u"Cancel"), painter.Measure(u"OK"));
        }
        // Drawing black text on white changes pixels only inside the clip rectangle.
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, 60, 30, 32, SDL_PIXELFORMAT_ARGB8888);
        ASSERT_NE(surface, nullptr);
        SDL_FillRect(surface, nullptr, 0xFFFFFFFF);
        SDL_Rect clip{0, 0, 30, 30};
        SDL_SetClipRect(surface, &clip);
        painter.Draw(surface, 2, 2, u"WWWWWW", 0x000000);
        int insideDark = 0, outsideDark = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 60; ++x)
            {
                uint32_t pixel = static_cast<uint32_t*>(surface->pixels)[y * surface->pitch / 4 + x];
                if (pixel != 0xFFFFFFFF)
                    ++(x < 30 ? insideDark : outsideDark);
            }
        EXPECT_EQ(insideDark > 0, painter.HasFace());
        EXPECT_EQ(outsideDark, 0);
        SDL_FreeSurface(surface);
    }
    fs::current_path(previous);
    fs::remove_all(folder);
}

TEST_F(PromptWindowTest, WithoutAnyFontThePainterDrawsNothing)
{
    platform::PromptTextPainter painter(15);
    // Not loaded: no face, every text measures 0 and drawing is a no-op.
    EXPECT_FALSE(painter.HasFace());
    EXPECT_EQ(painter.Measure(u"OK"), 0);
    painter.Draw(nullptr, 0, 0, u"OK", 0);
}
} // namespace

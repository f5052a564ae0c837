// The program on the demo interface, on a private X display, clicked through with xdotool: its
// buttons change the page, show and hide a popup, toggle a switch and switch a light through a
// byte-string device on a loopback peer, read back from the screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Clock.h"
#include "support/PanelEndToEndTest.h"
#include "support/TcpPeer.h"

namespace
{
const std::string kBuild = NERULAN_BUILD_DIR;

// Colours of the demo (0xRRGGBB).
constexpr uint32_t kHomeBackground = 0x1B2A3A;
constexpr uint32_t kLightsBackground = 0x1F3325;
constexpr uint32_t kClimateBackground = 0x3A1F1F;
constexpr uint32_t kButtonFill = 0x2E4A62;
constexpr uint32_t kSwitchOn = 0xC9A227;

// Places in the 800 x 600 demo, in window coordinates.
struct Place
{
    int x;
    int y;
};
constexpr Place kBackground = {10, 100};
constexpr Place kLightsTab = {250, 548};
constexpr Place kClimateTab = {410, 548};
constexpr Place kBackTab = {560, 548};
constexpr Place kHomeScenesButton = {360, 292};
constexpr Place kScenesClose = {490, 370};
// Inside the Lights page's night-mode switch, clear of its text and frame.
constexpr Place kNightSwitch = {55, 380};
// Inside the Scenes popup's first button, where the Home page shows its background.
constexpr Place kInsideScenes = {240, 250};

std::string Trim(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

class ClickEndToEnd : public PanelEndToEndTest
{
protected:
    ClickEndToEnd() : PanelEndToEndTest("/tmp/nerulan-click-XXXXXX") {}

    // The program's window and its position on the screen; false when it does not appear in time.
    bool FindWindow()
    {
        uint32_t start = platform::ClockMs();
        while (platform::ElapsedMs(platform::ClockMs(), start) < 20000)
        {
            std::string found = Trim(RunWithDisplay(
                m_x.Display(), "xdotool search --onlyvisible --name '^Nerulan 1.5.6$' 2>/dev/null"));
            if (!found.empty())
            {
                m_window = found.substr(0, found.find('\n'));
                std::string geometry = RunWithDisplay(m_x.Display(), "xdotool getwindowgeometry " + m_window);
                size_t at = geometry.find("Position: ");
                if (at != std::string::npos &&
                    std::sscanf(geometry.c_str() + at, "Position: %d,%d", &m_left, &m_top) == 2)
                    return true;
            }
            platform::SleepMs(50);
        }
        return false;
    }

    uint32_t PixelAt(Place place)
    {
        int code = -1;
        std::string geometry =
            "1x1+" + std::to_string(m_left + place.x) + "+" + std::to_string(m_top + place.y);
        std::string rgb = RunWithDisplay(
            m_x.Display(), "import -window root -crop " + geometry + " -depth 8 rgb:- 2>/dev/null", &code);
        if (code != 0 || rgb.size() != 3)
            return 0xFFFFFFFF;
        return RgbAt(rgb, 0);
    }

    // Polls the screen until the place shows the colour; the last colour seen.
    uint32_t WaitFor(Place place, uint32_t rgb, uint32_t timeoutMs = 10000)
    {
        uint32_t start = platform::ClockMs();
        uint32_t seen = PixelAt(place);
        while (seen != rgb && platform::ElapsedMs(platform::ClockMs(), start) < timeoutMs)
        {
            platform::SleepMs(50);
            seen = PixelAt(place);
        }
        return seen;
    }

    void Click(Place place)
    {
        int code = -1;
        RunWithDisplay(m_x.Display(),
                       "xdotool mousemove --window " + m_window + " " + std::to_string(place.x) + " " +
                           std::to_string(place.y) + " click 1 2>/dev/null",
                       &code);
        EXPECT_EQ(code, 0);
    }

    // Presses at one place, moves through the others and lets go at the last.
    void Drag(const std::vector<Place>& path)
    {
        std::string command = "xdotool";
        for (size_t i = 0; i < path.size(); i++)
        {
            command += " mousemove --window " + m_window + " " + std::to_string(path[i].x) + " " +
                       std::to_string(path[i].y) + " sleep 0.1";
            if (i == 0)
                command += " mousedown 1 sleep 0.1";
        }
        command += " mouseup 1 2>/dev/null";
        int code = -1;
        RunWithDisplay(m_x.Display(), command, &code);
        EXPECT_EQ(code, 0);
    }

    // The demo in the test's folder, its lights' device pointed at the test's peer.
    void MakeDemo()
    {
        ASSERT_TRUE(m_peer.Ok());
        std::string command =
            kBuild + "/make-demo '" + m_dir + "' " + std::to_string(m_peer.Port()) + " >/dev/null";
        ASSERT_EQ(0, system(command.c_str()));
    }

    TcpPeer m_peer;
    std::string m_window;
    int m_left = 0;
    int m_top = 0;
};

TEST_F(ClickEndToEnd, ButtonsOfTheDemoChangePagesShowPopupsAndToggle)
{
    MakeDemo();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(FindWindow());
    ASSERT_EQ(WaitFor(kBackground, kHomeBackground, 20000), kHomeBackground) << "the start page";

    EXPECT_EQ(PixelAt(kInsideScenes), kHomeBackground);
    Click(kHomeScenesButton);
    EXPECT_EQ(WaitFor(kInsideScenes, kButtonFill), kButtonFill) << "the Scenes popup is shown";
    Click(kScenesClose);
    EXPECT_EQ(WaitFor(kInsideScenes, kHomeBackground), kHomeBackground) << "its Close button hides it";

    Click(kLightsTab);
    EXPECT_EQ(WaitFor(kBackground, kLightsBackground), kLightsBackground) << "the Lights page";
    // The switch toggles its look with its value on every touch.
    EXPECT_EQ(PixelAt(kNightSwitch), kButtonFill);
    Click(kNightSwitch);
    EXPECT_EQ(WaitFor(kNightSwitch, kSwitchOn), kSwitchOn) << "the switch turned on";
    Click(kNightSwitch);
    EXPECT_EQ(WaitFor(kNightSwitch, kButtonFill), kButtonFill) << "the switch turned off";
    Click(kClimateTab);
    EXPECT_EQ(WaitFor(kBackground, kClimateBackground), kClimateBackground) << "the Climate page";
    Click(kBackTab);
    EXPECT_EQ(WaitFor(kBackground, kLightsBackground), kLightsBackground) << "back to the Lights page";
}

// The Lights page's dimmer: (300, 330), 280 x 50, a frame of 3 pixels and a thumb of 16, so the
// track is 258 pixels long from x = 303. Dragged to the middle of the track, the fill reaches the
// thumb's middle and the thumb stands at the level.
TEST_F(ClickEndToEnd, DraggingTheDimmerMovesItsFillAndThumb)
{
    constexpr uint32_t kTrack = 0x2E4A62;
    constexpr uint32_t kFill = 0xC9A227;
    constexpr Place kLeftOfTrack = {320, 355};
    constexpr Place kRightOfTrack = {540, 355};
    constexpr Place kThumbMiddle = {440, 355};
    MakeDemo();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(FindWindow());
    ASSERT_EQ(WaitFor(kBackground, kHomeBackground, 20000), kHomeBackground) << "the start page";
    Click(kLightsTab);
    ASSERT_EQ(WaitFor(kBackground, kLightsBackground), kLightsBackground) << "the Lights page";
    EXPECT_EQ(PixelAt(kLeftOfTrack), kTrack) << "level 0: no fill";

    // 129 of 258 pixels: level 50, the thumb at x = 432 to 447, the fill up to x = 440.
    Drag({{310, 355}, {380, 355}, {432, 355}});
    EXPECT_EQ(WaitFor(kLeftOfTrack, kFill), kFill) << "the fill";
    EXPECT_EQ(PixelAt({436, 345}), PixelAt(kThumbMiddle)) << "the thumb is one colour";
    uint32_t thumb = PixelAt(kThumbMiddle);
    EXPECT_NE(thumb, kFill);
    EXPECT_NE(thumb, kTrack);
    EXPECT_EQ(PixelAt({452, 355}), kTrack) << "the track after the thumb";
    EXPECT_EQ(PixelAt(kRightOfTrack), kTrack);

    // Back to the start: the fill is gone.
    Drag({{432, 355}, {350, 355}, {303, 355}});
    EXPECT_EQ(WaitFor(kLeftOfTrack, kTrack), kTrack) << "the fill is gone";
}
// The Kitchen light's button sends its command to the lights' device; the peer's answer matches
// a pattern whose channel reports kind 59 (a state by item id) with the button's id, which turns
// the button to its second look. The button itself does not change on a touch.
TEST_F(ClickEndToEnd, LightButtonSendsItsCommandAndTheAnswerSwitchesIt)
{
    constexpr Place kKitchen = {55, 270}; // inside the button, clear of its text and frame
    m_peer.AddReply(PeerText("KITCHEN TOGGLE\r\n"), PeerText("KITCHEN=ON\r\n"));
    MakeDemo();
    ASSERT_TRUE(Start());
    ASSERT_TRUE(m_peer.WaitAccepted(1, 20000)) << "the panel connects to the lights' device";
    ASSERT_TRUE(FindWindow());
    ASSERT_EQ(WaitFor(kBackground, kHomeBackground, 20000), kHomeBackground) << "the start page";
    Click(kLightsTab);
    ASSERT_EQ(WaitFor(kBackground, kLightsBackground), kLightsBackground) << "the Lights page";
    EXPECT_EQ(PixelAt(kKitchen), kButtonFill) << "off until the peer says otherwise";

    Click(kKitchen);
    ASSERT_TRUE(m_peer.WaitBytes(16, 10000)) << "the command reaches the peer";
    auto sent = m_peer.Bytes();
    EXPECT_EQ(std::string(sent.begin(), sent.end()), "KITCHEN TOGGLE\r\n");
    EXPECT_EQ(WaitFor(kKitchen, kSwitchOn), kSwitchOn) << "the peer's answer switched the light on";
    // Its neighbour has a pattern of its own and stays off.
    EXPECT_EQ(PixelAt({240, 270}), kButtonFill);

    // An answer the peer sends unasked switches it back.
    ASSERT_TRUE(m_peer.Send(PeerText("KITCHEN=OFF\r\n")));
    EXPECT_EQ(WaitFor(kKitchen, kButtonFill), kButtonFill) << "the peer switched the light off";
}
} // namespace

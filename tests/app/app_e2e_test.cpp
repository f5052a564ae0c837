// The program itself (build/nerulan) on a private X display: its title, its start-up failures,
// the password prompt typed into, and the keys that end the run.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/Clock.h"
#include "support/AppTestSupport.h"
#include "support/ChildProcess.h"
#include "support/XvfbServer.h"

namespace
{
const std::string kProgram = std::string(NERULAN_BUILD_DIR) + "/nerulan";

std::string Trim(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

class AppEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_x.Start(1024, 768)) << m_x.Error();
        m_environment = {"DISPLAY=" + m_x.Display(), "SDL_VIDEODRIVER=x11", "ALSOFT_DRIVERS=null",
                         "SDL_AUDIODRIVER=dummy", "NERULAN_NO_MESSAGE_BOX=1"};
        m_stderr = m_folder.File("stderr.txt");
    }

    bool Start(const std::vector<std::string>& arguments)
    {
        return m_child.Start(kProgram, arguments, m_folder.Path(), m_environment, m_stderr);
    }

    // The id of the first window whose title is exactly `title`, "" when none appears in time.
    std::string WaitForWindow(const std::string& title, int timeoutMs = 30000)
    {
        uint32_t start = platform::ClockMs();
        while (platform::ElapsedMs(platform::ClockMs(), start) < static_cast<uint32_t>(timeoutMs))
        {
            std::string found = Trim(RunWithDisplay(m_x.Display(), "xdotool search --onlyvisible --name '^" +
                                                                       title + "$' 2>/dev/null"));
            if (!found.empty())
                return found.substr(0, found.find('\n'));
            platform::SleepMs(50);
        }
        return "";
    }

    void Xdotool(const std::string& arguments)
    {
        int code = -1;
        RunWithDisplay(m_x.Display(), "xdotool " + arguments + " 2>/dev/null", &code);
        EXPECT_EQ(code, 0) << arguments;
    }

    XvfbServer m_x;
    TempFolder m_folder;
    ChildProcess m_child;
    std::vector<std::string> m_environment;
    std::string m_stderr;
};

TEST_F(AppEndToEnd, TitleFromTheCaptionAndEscapeEnds)
{
    CInterfaceFileWriter::Header header;
    header.designWidth = 320;
    header.designHeight = 200;
    m_folder.Write("plan.qvr", CInterfaceFileWriter::MinimalFile(header));
    ASSERT_TRUE(Start({"plan.qvr", "/CAPTION", "Hall"}));

    std::string window = WaitForWindow("Hall 1.5.6");
    ASSERT_FALSE(window.empty()) << ReadTextFile(m_stderr);
    EXPECT_EQ(Trim(RunWithDisplay(m_x.Display(), "xdotool getwindowname " + window)), "Hall 1.5.6");
    // The client area is the design size.
    std::string geometry = RunWithDisplay(m_x.Display(), "xdotool getwindowgeometry " + window);
    EXPECT_NE(geometry.find("320x200"), std::string::npos) << geometry;
    // The window carries the program's icon.
    std::string icon = RunWithDisplay(m_x.Display(), "xprop -id " + window + " _NET_WM_ICON 2>&1");
    EXPECT_NE(icon.find("_NET_WM_ICON(CARDINAL)"), std::string::npos) << icon;

    Xdotool("windowfocus --sync " + window + " key Escape");
    EXPECT_EQ(m_child.Wait(30000), 0) << ReadTextFile(m_stderr);
}

TEST_F(AppEndToEnd, FullScreenCoversTheScreen)
{
    CInterfaceFileWriter::Header header;
    header.designWidth = 640;
    header.designHeight = 480;
    header.displayFlags = 0x84;
    header.extraFlags = 0x01;
    m_folder.Write("Main.qvr", CInterfaceFileWriter::MinimalFile(header));
    ASSERT_TRUE(Start({}));

    std::string window = WaitForWindow("Nerulan 1.5.6");
    ASSERT_FALSE(window.empty()) << ReadTextFile(m_stderr);
    std::string geometry = RunWithDisplay(m_x.Display(), "xdotool getwindowgeometry " + window);
    EXPECT_NE(geometry.find("Position: 0,0"), std::string::npos) << geometry;
    EXPECT_NE(geometry.find("1024x768"), std::string::npos) << geometry;
    Xdotool("windowfocus --sync " + window + " key Escape");
    EXPECT_EQ(m_child.Wait(30000), 0) << ReadTextFile(m_stderr);
}

TEST_F(AppEndToEnd, MissingFileIsReportedWithExitCodeOne)
{
    ASSERT_TRUE(Start({}));
    EXPECT_EQ(m_child.Wait(30000), 1);
    EXPECT_NE(ReadTextFile(m_stderr).find("Error! Interface file has not been found!"), std::string::npos)
        << ReadTextFile(m_stderr);
}

TEST_F(AppEndToEnd, CutFileIsReportedLikeAMissingOne)
{
    std::vector<uint8_t> file = CInterfaceFileWriter::MinimalFile({});
    file.resize(9);
    m_folder.Write("Main.qvr", file);
    ASSERT_TRUE(Start({}));
    EXPECT_EQ(m_child.Wait(30000), 1);
    EXPECT_NE(ReadTextFile(m_stderr).find("Interface file has not been found!"), std::string::npos);
}

TEST_F(AppEndToEnd, OversizedDesignIsReportedWithExitCodeOne)
{
    CInterfaceFileWriter::Header header;
    header.designWidth = 65535;
    header.designHeight = 65535;
    m_folder.Write("Main.qvr", CInterfaceFileWriter::MinimalFile(header));
    ASSERT_TRUE(Start({}));
    // The sanitizer build on a busy machine may take a while to start.
    EXPECT_EQ(m_child.Wait(30000), 1);
    EXPECT_NE(ReadTextFile(m_stderr).find("The display could not be set up!"), std::string::npos)
        << ReadTextFile(m_stderr);
}

TEST_F(AppEndToEnd, PasswordTypedIntoThePrompt)
{
    CInterfaceFileWriter::Header header;
    header.passwordFlag = 1;
    header.passwordCrc = CInterfaceFileWriter::PasswordCrc("open sesame");
    m_folder.Write("Main.qvr", CInterfaceFileWriter::MinimalFile(header));
    ASSERT_TRUE(Start({}));

    std::string prompt = WaitForWindow("Password request");
    ASSERT_FALSE(prompt.empty()) << ReadTextFile(m_stderr);
    Xdotool("windowfocus --sync " + prompt + " type --delay 20 'open sesame'");
    Xdotool("windowfocus --sync " + prompt + " key Return");

    std::string window = WaitForWindow("Nerulan 1.5.6");
    ASSERT_FALSE(window.empty()) << ReadTextFile(m_stderr);
    Xdotool("windowfocus --sync " + window + " key Return");
    EXPECT_EQ(m_child.Wait(30000), 0) << ReadTextFile(m_stderr);
}

TEST_F(AppEndToEnd, WrongPasswordThenEscapeFails)
{
    CInterfaceFileWriter::Header header;
    header.passwordFlag = 255;
    header.passwordCrc = CInterfaceFileWriter::PasswordCrc("open sesame");
    m_folder.Write("Main.qvr", CInterfaceFileWriter::MinimalFile(header));
    ASSERT_TRUE(Start({}));

    std::string prompt = WaitForWindow("Password request");
    ASSERT_FALSE(prompt.empty()) << ReadTextFile(m_stderr);
    Xdotool("windowfocus --sync " + prompt + " type --delay 20 'open sesame!'");
    Xdotool("windowfocus --sync " + prompt + " key Return Escape");
    EXPECT_EQ(m_child.Wait(30000), 1);
    EXPECT_NE(ReadTextFile(m_stderr).find("Error! Password protection error!"), std::string::npos)
        << ReadTextFile(m_stderr);
}
} // namespace

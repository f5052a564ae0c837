#include "PanelEndToEndTest.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/Clock.h"

void PanelEndToEndTest::SetUp()
{
    ASSERT_TRUE(m_x.Start(kScreenWidth, kScreenHeight, 24)) << m_x.Error();
    std::vector<char> pattern(m_dirPattern.begin(), m_dirPattern.end());
    pattern.push_back('\0');
    ASSERT_NE(nullptr, mkdtemp(pattern.data()));
    m_dir = pattern.data();
}

void PanelEndToEndTest::TearDown()
{
    Stop();
    m_x.Stop();
    std::string command = "rm -rf '" + m_dir + "'";
    EXPECT_EQ(0, system(command.c_str()));
}

bool PanelEndToEndTest::Start()
{
    m_pid = fork();
    if (m_pid == 0)
    {
        if (chdir(m_dir.c_str()) != 0)
            _exit(127);
        setenv("DISPLAY", m_x.Display().c_str(), 1);
        setenv("SDL_VIDEODRIVER", "x11", 1);
        setenv("ALSOFT_DRIVERS", "null", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("NERULAN_NO_MESSAGE_BOX", "1", 1);
        int null = open("/dev/null", O_WRONLY);
        if (null >= 0)
        {
            dup2(null, 1);
            dup2(null, 2);
        }
        std::string program = std::string(NERULAN_BUILD_DIR) + "/nerulan";
        execl(program.c_str(), program.c_str(), "Main.qvr", static_cast<char*>(nullptr));
        _exit(127);
    }
    return m_pid > 0;
}

void PanelEndToEndTest::Stop()
{
    if (m_pid <= 0)
        return;
    kill(m_pid, SIGTERM);
    for (int i = 0; i < 100 && waitpid(m_pid, nullptr, WNOHANG) == 0; i++)
        platform::SleepMs(20);
    if (waitpid(m_pid, nullptr, WNOHANG) == 0)
    {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    m_pid = -1;
}

std::string PanelEndToEndTest::Screenshot()
{
    int code = -1;
    std::string shot = RunWithDisplay(m_x.Display(), "import -window root -depth 8 rgb:- 2>/dev/null", &code);
    return code == 0 && shot.size() == static_cast<size_t>(kScreenWidth) * kScreenHeight * 3 ? shot : "";
}

uint32_t PanelEndToEndTest::RgbAt(const std::string& bytes, size_t at)
{
    return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8 |
           static_cast<uint8_t>(bytes[at + 2]);
}

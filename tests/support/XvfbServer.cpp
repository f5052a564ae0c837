#include "XvfbServer.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Clock.h"

extern char** environ;

XvfbServer::~XvfbServer()
{
    Stop();
}

bool XvfbServer::Start(int width, int height, int depth, int timeoutMs)
{
    Stop();
    m_error.clear();
    int fds[2];
    if (pipe(fds) != 0)
    {
        m_error = "pipe failed";
        return false;
    }
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x" + std::to_string(depth);
    std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen",  "0",
                          screen.c_str(), "-nolisten",  "tcp",      "-noreset", nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    // Xvfb's chatter about missing fonts and keymaps is of no interest to a test log.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0)
    {
        close(fds[0]);
        m_error = std::string("Xvfb could not be started: ") + std::strerror(rc);
        return false;
    }
    m_pid = pid;

    // Xvfb writes the display number followed by a newline once it accepts connections.
    std::string number;
    uint32_t start = platform::ClockMs();
    while (number.find('\n') == std::string::npos)
    {
        uint32_t elapsed = platform::ElapsedMs(platform::ClockMs(), start);
        if (elapsed >= static_cast<uint32_t>(timeoutMs))
            break;
        pollfd p = {fds[0], POLLIN, 0};
        int ready = poll(&p, 1, static_cast<int>(timeoutMs - elapsed));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[32];
        ssize_t got = read(fds[0], buffer, sizeof(buffer));
        if (got <= 0)
            break;
        number.append(buffer, static_cast<size_t>(got));
    }
    close(fds[0]);
    size_t end = number.find('\n');
    if (end == std::string::npos || end == 0)
    {
        m_error = "Xvfb did not report a display";
        Stop();
        return false;
    }
    m_display = ":" + number.substr(0, end);
    return true;
}

void XvfbServer::Stop()
{
    if (m_pid > 0)
    {
        kill(m_pid, SIGTERM);
        int status = 0;
        uint32_t start = platform::ClockMs();
        while (waitpid(m_pid, &status, WNOHANG) == 0)
        {
            if (platform::ElapsedMs(platform::ClockMs(), start) > 5000)
            {
                kill(m_pid, SIGKILL);
                waitpid(m_pid, &status, 0);
                break;
            }
            platform::SleepMs(5);
        }
    }
    m_pid = -1;
    m_display.clear();
}

std::string RunWithDisplay(const std::string& display, const std::string& command, int* exitCode)
{
    std::string full = display.empty() ? command : "DISPLAY=" + display + " " + command;
    std::string output;
    FILE* pipe = popen(full.c_str(), "r");
    if (!pipe)
    {
        if (exitCode)
            *exitCode = -1;
        return output;
    }
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        output.append(buffer, got);
    int status = pclose(pipe);
    if (exitCode)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

#include "ChildProcess.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Clock.h"

extern char** environ;

ChildProcess::~ChildProcess()
{
    if (m_pid > 0)
        Wait(0);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& folder, const std::vector<std::string>& environment,
                         const std::string& stderrFile)
{
    std::vector<std::string> env;
    for (char** entry = environ; *entry; ++entry)
    {
        std::string item = *entry;
        std::string name = item.substr(0, item.find('='));
        bool replaced = false;
        for (const std::string& extra : environment)
            replaced = replaced || extra.substr(0, extra.find('=')) == name;
        if (!replaced)
            env.push_back(item);
    }
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> envp;
    for (std::string& item : env)
        envp.push_back(item.data());
    envp.push_back(nullptr);

    std::vector<std::string> args = {program};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& item : args)
        argv.push_back(item.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = -1;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return false;
    m_pid = pid;
    return true;
}

int ChildProcess::Wait(int timeoutMs)
{
    if (m_pid <= 0)
        return -1;
    int status = 0;
    uint32_t start = platform::ClockMs();
    for (;;)
    {
        pid_t done = waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid)
            break;
        if (done < 0 || platform::ElapsedMs(platform::ClockMs(), start) >= static_cast<uint32_t>(timeoutMs))
        {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
            m_pid = -1;
            return -1;
        }
        platform::SleepMs(10);
    }
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadTextFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

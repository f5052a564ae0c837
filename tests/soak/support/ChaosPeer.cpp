#include "ChaosPeer.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <sstream>

extern char** environ;

namespace
{
int64_t SteadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

CChaosPeer::~CChaosPeer()
{
    if (m_pid > 0)
        kill(m_pid, SIGKILL);
    Reap();
}

bool CChaosPeer::Start(const std::string& script, uint32_t seed, const std::string& comFolder,
                       const std::vector<std::string>& devices)
{
    int in[2];
    int out[2];
    if (pipe(in) != 0)
        return false;
    if (pipe(out) != 0)
    {
        close(in[0]);
        close(in[1]);
        return false;
    }
    std::vector<std::string> arguments = {"python3",      script,   "--seed", std::to_string(seed),
                                          "--com-folder", comFolder};
    arguments.insert(arguments.end(), devices.begin(), devices.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    int failed = posix_spawnp(&m_pid, "python3", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    m_toPeer = in[1];
    m_fromPeer = out[0];
    if (failed != 0)
    {
        m_pid = -1;
        m_error = "python3 could not be started";
        return false;
    }
    std::string line;
    while (ReadLine(line, 10000))
    {
        std::istringstream words(line);
        std::string kind;
        std::string name;
        unsigned port = 0;
        words >> kind >> name >> port;
        if (kind == "READY")
            return m_ports.size() == devices.size();
        if (kind != "PORT" || port == 0 || port > 65535)
        {
            m_error = "peer: " + line;
            return false;
        }
        m_ports[name] = static_cast<uint16_t>(port);
    }
    m_error = "the peer did not name its ports";
    return false;
}

uint16_t CChaosPeer::Port(const std::string& name) const
{
    auto found = m_ports.find(name);
    return found == m_ports.end() ? 0 : found->second;
}

bool CChaosPeer::Stop()
{
    if (m_toPeer >= 0)
    {
        static const char kStop[] = "STOP\n";
        ssize_t ignored = write(m_toPeer, kStop, sizeof kStop - 1);
        (void)ignored;
        close(m_toPeer);
        m_toPeer = -1;
    }
    std::string line;
    bool ended = false;
    while (!ended && ReadLine(line, 10000))
    {
        std::istringstream words(line);
        std::string kind;
        std::string name;
        words >> kind >> name;
        if (kind == "END")
            ended = true;
        else if (kind == "STAT")
        {
            std::string field;
            while (words >> field)
            {
                size_t equals = field.find('=');
                if (equals != std::string::npos)
                    m_reports[name].counters[field.substr(0, equals)] =
                        std::strtoull(field.c_str() + equals + 1, nullptr, 10);
            }
        }
        else if (kind == "STALL")
        {
            double start = 0;
            double end = 0;
            words >> start >> end;
            m_reports[name].stalls.emplace_back(start, end);
        }
    }
    Reap();
    if (!ended)
        m_error = "the peer did not report";
    return ended;
}

const CChaosPeer::DeviceReport* CChaosPeer::Report(const std::string& name) const
{
    auto found = m_reports.find(name);
    return found == m_reports.end() ? nullptr : &found->second;
}

bool CChaosPeer::ReadLine(std::string& line, int timeoutMs)
{
    int64_t deadline = SteadyMs() + timeoutMs;
    for (;;)
    {
        size_t end = m_buffered.find('\n');
        if (end != std::string::npos)
        {
            line = m_buffered.substr(0, end);
            m_buffered.erase(0, end + 1);
            return true;
        }
        int64_t left = deadline - SteadyMs();
        if (m_fromPeer < 0 || left <= 0)
            return false;
        pollfd waiting = {m_fromPeer, POLLIN, 0};
        if (poll(&waiting, 1, static_cast<int>(left)) <= 0)
            continue;
        char chunk[4096];
        ssize_t got = read(m_fromPeer, chunk, sizeof chunk);
        if (got <= 0)
            return false;
        m_buffered.append(chunk, static_cast<size_t>(got));
    }
}

void CChaosPeer::Reap()
{
    if (m_toPeer >= 0)
        close(m_toPeer);
    if (m_fromPeer >= 0)
        close(m_fromPeer);
    m_toPeer = -1;
    m_fromPeer = -1;
    if (m_pid > 0)
    {
        int status = 0;
        // The peer ends once it has reported; one that hangs is not waited for.
        for (int i = 0; i < 100 && waitpid(m_pid, &status, WNOHANG) == 0; ++i)
            usleep(50000);
        if (waitpid(m_pid, &status, WNOHANG) == 0)
        {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, &status, 0);
        }
        m_pid = -1;
    }
}

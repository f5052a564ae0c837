#include "KnxdPeer.h"

#include "support/OwnNetwork.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace
{
std::string UniquePath(const char* stem)
{
    static int serial = 0;
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    return folder + "/nerulan-" + stem + "-" + std::to_string(getpid()) + "-" + std::to_string(++serial);
}

// Forks and runs the program with its output going to the file; the child ends with the test.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& outputFile)
{
    pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    int out = open(outputFile.empty() ? "/dev/null" : outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0)
    {
        dup2(out, 1);
        dup2(out, 2);
        close(out);
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

void EndProcess(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i)
    {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
        {
            pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    pid = -1;
}

bool UnixSocketAnswers(const std::string& path)
{
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// Sockets on the server's path: the listening one and one for every client connected to it.
int SocketsOn(const std::string& path)
{
    std::ifstream table("/proc/net/unix");
    int count = 0;
    for (std::string line; std::getline(table, line);)
    {
        if (line.size() > path.size() && line.compare(line.size() - path.size(), path.size(), path) == 0 &&
            line[line.size() - path.size() - 1] == ' ')
            ++count;
    }
    return count;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
} // namespace

KnxdPeer::~KnxdPeer()
{
    EndListener();
    Stop();
}

bool KnxdPeer::Start(int timeoutMs)
{
    if (m_socket.empty())
        m_socket = UniquePath("knxd") + ".sock";
    unlink(m_socket.c_str());
    m_pid = Spawn({"knxd", "-e", "0.0.1", "-E", "0.0.100:50", "-f5", "--no-timestamp", "-u", m_socket, "-D",
                   "-T", "-S", "-b", "dummy:"},
                  "");
    if (m_pid < 0)
    {
        m_error = std::string("fork: ") + std::strerror(errno);
        return false;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline)
    {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid)
        {
            m_pid = -1;
            m_error = "knxd ended at start (exit status " + std::to_string(status) + ")";
            return false;
        }
        // The local socket is opened once the server is set up.
        if (UnixSocketAnswers(m_socket))
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    m_error = "knxd did not open its socket in time";
    Stop();
    return false;
}

void KnxdPeer::Stop()
{
    EndProcess(m_pid);
    if (!m_socket.empty())
        unlink(m_socket.c_str());
}

std::string KnxdPeer::Tool(const std::string& arguments, int* exitCode) const
{
    std::string command = "knxtool " + arguments + " 2>&1";
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
    {
        if (exitCode)
            *exitCode = -1;
        return output;
    }
    std::array<char, 256> buffer;
    size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    int status = pclose(pipe);
    if (exitCode)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return output;
}

bool KnxdPeer::StartListener(const std::string& arguments)
{
    EndListener();
    m_listenerFile = UniquePath("knxtool") + ".txt";
    std::vector<std::string> argv{"stdbuf", "-oL", "knxtool"};
    std::istringstream words(arguments);
    for (std::string word; words >> word;)
        argv.push_back(word);
    const int before = SocketsOn(m_socket);
    m_listener = Spawn(argv, m_listenerFile);
    if (m_listener <= 0)
        return false;
    // Nothing knxtool prints says it listens: wait (up to 10 s on a busy machine) until its
    // connection shows on the server's socket, then a moment for it to open its group socket.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (SocketsOn(m_socket) <= before && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return true;
}

std::string KnxdPeer::EndListenerWhenHeard(const std::vector<std::string>& wanted, int timeoutMs)
{
    auto heardAll = [&]
    {
        const std::string text = ReadAll(m_listenerFile);
        for (const std::string& w : wanted)
            if (text.find(w) == std::string::npos)
                return false;
        return true;
    };
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_listener > 0 && !heardAll() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return EndListener();
}

std::string KnxdPeer::EndListener()
{
    if (m_listener <= 0)
        return {};
    EndProcess(m_listener);
    std::string text = ReadAll(m_listenerFile);
    unlink(m_listenerFile.c_str());
    return text;
}

void RunInOwnNetworkNamespace(const std::function<void()>& body)
{
    // knxd's server needs lo with multicast and a route for the KNX multicast group whose source
    // is 127.0.0.1, or it fails its set-up.
    static const std::vector<std::string> multicast = {"ip link set lo multicast on",
                                                       "ip route add 224.0.0.0/4 dev lo src 127.0.0.1"};
    ::RunInOwnNetworkNamespace(multicast, body);
}

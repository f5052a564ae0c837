#include "ModbusServerPeer.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Clock.h"

namespace
{
std::string ServerProgram()
{
    return std::string(NERULAN_BUILD_DIR) + "/modbus-test-server";
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool WaitPath(const std::string& path, uint32_t ms)
{
    const uint32_t start = platform::ClockMs();
    struct stat st;
    while (stat(path.c_str(), &st) != 0)
    {
        if (platform::ElapsedMs(platform::ClockMs(), start) >= ms)
            return false;
        platform::SleepMs(5);
    }
    return true;
}
} // namespace

ModbusServerPeer::~ModbusServerPeer()
{
    Stop();
}

pid_t ModbusServerPeer::Spawn(const std::vector<std::string>& arguments, const std::string& outFile)
{
    // Everything the child needs is built before the fork: after it only async-signal-safe calls.
    std::vector<std::string> args = arguments;
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string errFile = outFile + ".err";
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    prctl(PR_SET_PDEATHSIG, SIGTERM); // a test that dies takes its peers with it
    if (getppid() != parent)
        _exit(127);
    const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0)
        dup2(out, 1);
    if (err >= 0)
        dup2(err, 2);
    execvp(argv[0], argv.data());
    _exit(127);
}

void ModbusServerPeer::End(pid_t& pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
}

void ModbusServerPeer::Stop()
{
    End(m_server);
    End(m_socat);
    if (!m_folder.empty())
    {
        unlink((m_folder + "/modbus-server.out").c_str());
        unlink((m_folder + "/modbus-server.out.err").c_str());
        unlink((m_folder + "/socat.out").c_str());
        unlink((m_folder + "/socat.out.err").c_str());
        unlink((m_folder + "/server-tty").c_str());
        rmdir(m_folder.c_str());
        m_folder.clear();
    }
    m_port = 0;
}

bool ModbusServerPeer::WaitOutput(const std::string& prefix, std::string& rest, uint32_t ms) const
{
    const uint32_t start = platform::ClockMs();
    for (;;)
    {
        std::istringstream lines(ReadAll(m_folder + "/modbus-server.out"));
        std::string line;
        while (std::getline(lines, line))
            if (line.rfind(prefix, 0) == 0)
            {
                rest = line.substr(prefix.size());
                return true;
            }
        if (platform::ElapsedMs(platform::ClockMs(), start) >= ms)
            return false;
        platform::SleepMs(5);
    }
}

bool ModbusServerPeer::StartTcp(const std::vector<std::string>& options)
{
    Stop();
    char pattern[] = "/tmp/modbus-peer-XXXXXX";
    if (!mkdtemp(pattern))
        return false;
    m_folder = pattern;
    std::vector<std::string> args = {ServerProgram(), "tcp"};
    args.insert(args.end(), options.begin(), options.end());
    m_server = Spawn(args, m_folder + "/modbus-server.out");
    std::string port;
    if (m_server <= 0 || !WaitOutput("PORT ", port, 5000))
        return false;
    m_port = static_cast<uint16_t>(std::atoi(port.c_str()));
    return m_port != 0;
}

bool ModbusServerPeer::StartRtu(const std::string& folder, uint32_t comNumber, uint8_t unit,
                                const std::vector<std::string>& options, uint32_t baud)
{
    Stop();
    char pattern[] = "/tmp/modbus-peer-XXXXXX";
    if (!mkdtemp(pattern))
        return false;
    m_folder = pattern;
    m_panelPort = folder + "/COM" + std::to_string(comNumber);
    const std::string serverPort = m_folder + "/server-tty";
    m_socat = Spawn({"socat", "pty,raw,echo=0,link=" + m_panelPort, "pty,raw,echo=0,link=" + serverPort},
                    m_folder + "/socat.out");
    if (m_socat <= 0 || !WaitPath(m_panelPort, 5000) || !WaitPath(serverPort, 5000))
        return false;
    // A pty passes bytes on at once, with no line time. The panel's serial transport empties its
    // input after each write (dropping the echo of a two-wire bus), which would also drop a reply
    // sent back within microseconds; a unit on a real line answers after its turnaround time.
    std::vector<std::string> args = {ServerProgram(),      "rtu",           serverPort, std::to_string(baud),
                                     std::to_string(unit), "--reply-delay", "10"};
    args.insert(args.end(), options.begin(), options.end());
    m_server = Spawn(args, m_folder + "/modbus-server.out");
    std::string rest;
    return m_server > 0 && WaitOutput("READY", rest, 5000);
}

std::string ModbusServerPeer::Log() const
{
    if (m_folder.empty())
        return std::string();
    return ReadAll(m_folder + "/modbus-server.out") + ReadAll(m_folder + "/modbus-server.out.err");
}

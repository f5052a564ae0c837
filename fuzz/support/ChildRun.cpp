#include "fuzz/support/ChildRun.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#if defined(__SANITIZE_ADDRESS__)
#define NERULAN_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define NERULAN_LEAK_CHECK 1
#endif
#endif
#ifdef NERULAN_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

namespace
{
// Exit codes of the child that are not the work's: it could not set itself up, or it leaked.
constexpr int kSetUpFailed = 70;
constexpr int kLeaked = 71;

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The line of the log that holds needle, without its line break; empty when there is none.
std::string LineWith(const std::string& log, const char* needle)
{
    const size_t at = log.find(needle);
    if (at == std::string::npos)
        return {};
    const size_t begin = log.rfind('\n', at);
    const size_t end = log.find('\n', at);
    const size_t from = begin == std::string::npos ? 0 : begin + 1;
    return log.substr(from, end == std::string::npos ? std::string::npos : end - from);
}
} // namespace

CChildRun::~CChildRun()
{
    if (m_pid > 0)
    {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

bool CChildRun::Start(const std::string& folder, const std::function<std::string()>& work,
                      std::chrono::milliseconds timeOut)
{
    m_folder = folder;
    m_timeOut = timeOut;
    m_result.clear();
    m_start = std::chrono::steady_clock::now();
    // What the parent printed must not be printed again by the child's copy of the buffers.
    std::fflush(nullptr);
    m_pid = fork();
    if (m_pid < 0)
    {
        m_verdict = Verdict::NotStarted;
        return false;
    }
    if (m_pid == 0)
        RunChild(folder, work);
    m_verdict = Verdict::Running;
    return true;
}

void CChildRun::RunChild(const std::string& folder, const std::function<std::string()>& work)
{
    const int log = open((folder + "/log.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (log < 0 || chdir(folder.c_str()) != 0 || dup2(log, STDOUT_FILENO) < 0 || dup2(log, STDERR_FILENO) < 0)
        _exit(kSetUpFailed);
    close(log);
    const std::string line = work();
    {
        std::ofstream result("result.txt", std::ios::binary);
        result << line << '\n';
    }
#ifdef NERULAN_LEAK_CHECK
    // The work is over and everything it made is freed: anything still held is a leak. The
    // check runs here because _exit skips the one at the end of a process.
    if (__lsan_do_recoverable_leak_check() != 0)
        _exit(kLeaked);
#endif
    std::fflush(nullptr);
    // _exit: the parent's copies of objects and atexit handlers are not the child's to end.
    _exit(0);
}

bool CChildRun::Poll()
{
    if (m_verdict != Verdict::Running)
        return true;
    int status = 0;
    const pid_t done = waitpid(m_pid, &status, WNOHANG);
    const auto elapsed = std::chrono::steady_clock::now() - m_start;
    m_seconds = std::chrono::duration<double>(elapsed).count();
    if (done == m_pid)
    {
        m_pid = -1;
        Conclude(status);
        return true;
    }
    if (done < 0)
    {
        m_pid = -1;
        m_verdict = Verdict::Crash;
        m_result = std::string("lost the child: ") + std::strerror(errno);
        return true;
    }
    const bool stuck = elapsed >= m_timeOut * kWallFactor;
    // Reading /proc on every poll would cost more than the check is worth: the wall clock passes
    // the processor time first in any case.
    if (elapsed < m_timeOut || (!stuck && ChildCpuTime() < m_timeOut))
        return false;
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    m_pid = -1;
    m_verdict = Verdict::TimeOut;
    m_result = stuck ? "still there after " + std::to_string((m_timeOut * kWallFactor).count()) + " ms"
                     : "killed after " + std::to_string(m_timeOut.count()) + " ms of processor time";
    return true;
}

std::chrono::milliseconds CChildRun::ChildCpuTime() const
{
    // Fields 14 and 15 of /proc/PID/stat (user and system time in clock ticks) follow the
    // command name in parentheses, which may itself hold spaces: counted from its closing ')'.
    const std::string stat = ReadText("/proc/" + std::to_string(m_pid) + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return std::chrono::milliseconds(0);
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    unsigned long long user = 0;
    unsigned long long system = 0;
    // After ')': state (3), then fields 4 .. 13, then utime (14) and stime (15).
    for (int i = 3; i <= 13; i++)
        fields >> field;
    fields >> user >> system;
    const long perSecond = sysconf(_SC_CLK_TCK);
    if (perSecond <= 0)
        return std::chrono::milliseconds(0);
    return std::chrono::milliseconds((user + system) * 1000 / static_cast<unsigned long long>(perSecond));
}

void CChildRun::Conclude(int status)
{
    std::string summary;
    const Verdict report = ClassifyLog(ReadText(m_folder + "/log.txt"), summary);
    if (report != Verdict::Finished)
    {
        m_verdict = report;
        m_result = summary;
        return;
    }
    if (WIFSIGNALED(status))
    {
        m_verdict = Verdict::Crash;
        m_result = std::string("signal ") + strsignal(WTERMSIG(status));
        return;
    }
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::string line = ReadText(m_folder + "/result.txt");
    if (!line.empty() && line.back() == '\n')
        line.pop_back();
    if (code != 0 || line.empty())
    {
        m_verdict = Verdict::Crash;
        m_result = "exit " + std::to_string(code) + (line.empty() ? " without a result" : "");
        return;
    }
    m_verdict = Verdict::Finished;
    m_result = line;
}

CChildRun::Verdict CChildRun::ClassifyLog(const std::string& log, std::string& summary)
{
    if (log.find("ERROR: LeakSanitizer") != std::string::npos)
    {
        summary = LineWith(log, "SUMMARY: ");
        return Verdict::Leak;
    }
    static const char* const kSignals[] = {"AddressSanitizer: SEGV", "AddressSanitizer: BUS",
                                           "AddressSanitizer: FPE",  "AddressSanitizer: ILL",
                                           "AddressSanitizer: ABRT", "AddressSanitizer: stack-overflow"};
    for (const char* signal : kSignals)
    {
        if (log.find(signal) != std::string::npos)
        {
            summary = LineWith(log, signal);
            return Verdict::Crash;
        }
    }
    if (log.find("ERROR: AddressSanitizer") != std::string::npos)
    {
        summary = LineWith(log, "SUMMARY: ");
        if (summary.empty())
            summary = LineWith(log, "ERROR: AddressSanitizer");
        return Verdict::Sanitizer;
    }
    for (const char* ub : {"runtime error:", "ERROR: UndefinedBehaviorSanitizer"})
    {
        if (log.find(ub) != std::string::npos)
        {
            summary = LineWith(log, ub);
            return Verdict::Sanitizer;
        }
    }
    return Verdict::Finished;
}

bool CChildRun::ChecksLeaks()
{
#ifdef NERULAN_LEAK_CHECK
    return true;
#else
    return false;
#endif
}

const char* CChildRun::VerdictName(Verdict verdict)
{
    switch (verdict)
    {
    case Verdict::Running:
        return "running";
    case Verdict::Finished:
        return "finished";
    case Verdict::Crash:
        return "crash";
    case Verdict::Sanitizer:
        return "sanitizer";
    case Verdict::Leak:
        return "leak";
    case Verdict::TimeOut:
        return "time-out";
    case Verdict::NotStarted:
        break;
    }
    return "not started";
}

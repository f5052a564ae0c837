#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

// A program started by a test in a folder of its own, with extra environment variables and its
// standard error collected in a file. Only this process is ever signalled, by its own id.
class ChildProcess
{
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // environment: "NAME=value" entries added to (or replacing) the test's own.
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& folder, const std::vector<std::string>& environment,
               const std::string& stderrFile);
    // Waits for the exit at most timeoutMs; the exit code, or -1 when it did not end (then it is
    // killed) or ended by a signal.
    int Wait(int timeoutMs);
    bool IsRunning() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
};

// The whole content of a text file ("" when it cannot be read).
std::string ReadTextFile(const std::string& path);

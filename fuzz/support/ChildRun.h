#pragma once
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>

// One piece of work in a child process of its own, in a folder of its own: a crash, a sanitizer
// report or a hang ends that child only, and the next piece starts clean (no state left over in
// the font cache, the SDL video or the heap). The child's output goes to log.txt in its folder;
// the work's result line to result.txt. Before it ends, the child looks for leaks itself, so a
// leak is reported like any other fault.
class CChildRun
{
public:
    enum class Verdict
    {
        Running,
        Finished,  // the work returned: Result() holds its line
        Crash,     // a signal (also one the sanitizer caught), or an exit without a result
        Sanitizer, // an AddressSanitizer or UndefinedBehaviorSanitizer report
        Leak,      // a LeakSanitizer report
        TimeOut,   // past its time-out: killed
        NotStarted,
    };

    CChildRun() = default;
    ~CChildRun();
    CChildRun(const CChildRun&) = delete;
    CChildRun& operator=(const CChildRun&) = delete;

    // Forks; the child enters folder and returns work()'s line through result.txt. The time-out
    // counts the processor time the child used: on a machine shared with other builds a sound
    // copy may wait long for a core, and must not pass for a hang. A child that has used no more
    // but is still there after kWallFactor times the time-out (stuck in a wait) is a hang too.
    static constexpr int32_t kWallFactor = 6;
    bool Start(const std::string& folder, const std::function<std::string()>& work,
               std::chrono::milliseconds timeOut);
    // Reaps the child once it ended, or kills it past its time-out. True once the verdict is in.
    bool Poll();

    Verdict GetVerdict() const { return m_verdict; }
    // The work's line (Finished), else what ended the child: a signal, an exit code or the
    // sanitizer's summary line.
    const std::string& Result() const { return m_result; }
    double Seconds() const { return m_seconds; }
    const std::string& Folder() const { return m_folder; }

    static const char* VerdictName(Verdict verdict);
    // Whether the child looks for leaks (a build with AddressSanitizer).
    static bool ChecksLeaks();
    // Reads a child's log for a sanitizer report: the verdict and its summary line.
    static Verdict ClassifyLog(const std::string& log, std::string& summary);

private:
    [[noreturn]] static void RunChild(const std::string& folder, const std::function<std::string()>& work);
    void Conclude(int status);
    // Processor time of the running child (all its threads), from /proc.
    std::chrono::milliseconds ChildCpuTime() const;

    pid_t m_pid = -1;
    std::string m_folder;
    std::chrono::steady_clock::time_point m_start;
    std::chrono::milliseconds m_timeOut{0};
    Verdict m_verdict = Verdict::NotStarted;
    std::string m_result;
    double m_seconds = 0;
};

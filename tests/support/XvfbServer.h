#pragma once
#include <string>
#include <sys/types.h>

// A private X display for tests: starts Xvfb on a display number it picks itself (-displayfd, so
// parallel tests never collide) and stops it again. Tests that need a real X server use it and
// point SDL or the X tools at Display().
class XvfbServer
{
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts "Xvfb -screen 0 WxHxDepth"; false (and a reason in Error()) when Xvfb is missing or
    // did not report a display within the time-out.
    bool Start(int width = 1280, int height = 1024, int depth = 24, int timeoutMs = 10000);
    // Ends the server and waits for it; also done by the destructor.
    void Stop();

    bool IsRunning() const { return m_pid > 0; }
    // ":N", empty before Start.
    const std::string& Display() const { return m_display; }
    const std::string& Error() const { return m_error; }

private:
    pid_t m_pid = -1;
    std::string m_display;
    std::string m_error;
};

// Runs a shell command with DISPLAY set to display (when not empty) and returns its standard
// output; exitCode receives the command's exit status (-1 when it could not run).
std::string RunWithDisplay(const std::string& display, const std::string& command, int* exitCode = nullptr);

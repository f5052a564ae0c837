#pragma once
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// knxd as a real KNXnet/IP tunnelling server for tests. knxd's server joins the KNX multicast
// group on the default-route interface, so it only ever runs inside a network namespace of the
// test's own, where the only interface is lo (RunInOwnNetworkNamespace).
class KnxdPeer
{
public:
    static constexpr int kPort = 3671;

    KnxdPeer() = default;
    ~KnxdPeer();
    KnxdPeer(const KnxdPeer&) = delete;
    KnxdPeer& operator=(const KnxdPeer&) = delete;

    // Starts knxd (tunnelling server on UDP 3671, a dummy bus, its local socket for knxtool) and
    // waits until it answers; false with Error() set when it does not come up.
    bool Start(int timeoutMs = 10000);
    // Ends knxd and waits for it.
    void Stop();

    bool IsRunning() const { return m_pid > 0; }
    // The URL knxtool takes ("local:/path").
    std::string Url() const { return "local:" + m_socket; }
    const std::string& Error() const { return m_error; }

    // Runs `knxtool <arguments>` against this knxd; its standard output, exitCode its status.
    std::string Tool(const std::string& arguments, int* exitCode = nullptr) const;
    // Starts `knxtool <arguments>` in the background with its output going to a file, for the
    // listeners (groupsocketlisten); EndListener stops it and returns what it wrote.
    bool StartListener(const std::string& arguments);
    std::string EndListener();
    // Waits until the listener has written every one of `wanted` (at most timeoutMs), then ends it
    // and returns what it wrote.
    std::string EndListenerWhenHeard(const std::vector<std::string>& wanted, int timeoutMs = 10000);

private:
    pid_t m_pid = -1;
    pid_t m_listener = -1;
    std::string m_socket;
    std::string m_listenerFile;
    std::string m_error;
};

// Runs body in a child process that first enters a network namespace of its own with lo up and
// the multicast route knxd needs. Returns in the parent: the child's test failures are reported
// as a failure here; when the system does not permit a new network namespace, the test is skipped
// with a message (call it as the last statement of a test).
void RunInOwnNetworkNamespace(const std::function<void()>& body);

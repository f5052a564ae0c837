#include "PtyPeer.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

PtyPeer::PtyPeer(const std::string& folder, uint32_t number)
{
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0)
        return;
    const char* name = nullptr;
    if (grantpt(master) != 0 || unlockpt(master) != 0 || !(name = ptsname(master)))
    {
        close(master);
        return;
    }
    m_slavePath = name;
    m_slaveHold = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings{};
    if (m_slaveHold >= 0 && tcgetattr(m_slaveHold, &settings) == 0)
    {
        // No echo and no line editing before the panel sets the port up.
        cfmakeraw(&settings);
        tcsetattr(m_slaveHold, TCSANOW, &settings);
    }
    m_master = master;
    m_linkPath = folder + "/COM" + std::to_string(number);
    Plug();
    m_thread = std::thread(&PtyPeer::Run, this);
}

PtyPeer::~PtyPeer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    unlink(m_linkPath.c_str());
    if (m_slaveHold >= 0)
        close(m_slaveHold);
    if (m_master >= 0)
        close(m_master);
}

void PtyPeer::Run()
{
    uint8_t buffer[4096];
    while (!m_stop)
    {
        int master;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            master = m_master;
        }
        if (master < 0 || m_stalled)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        pollfd entry{master, POLLIN, 0};
        int ready = poll(&entry, 1, 10);
        if (ready <= 0)
            continue;
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_master < 0)
            continue;
        ssize_t result = read(m_master, buffer, sizeof buffer);
        if (result <= 0)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        for (const auto& answer : Record(buffer, static_cast<size_t>(result)))
        {
            if (write(m_master, answer.data(), answer.size()) < 0)
                break;
        }
    }
}

bool PtyPeer::Send(const std::vector<uint8_t>& bytes)
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_master >= 0 && write(m_master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

void PtyPeer::Unplug()
{
    unlink(m_linkPath.c_str());
    if (symlink((m_linkPath + ".missing").c_str(), m_linkPath.c_str()) != 0)
        return;
}

void PtyPeer::Plug()
{
    unlink(m_linkPath.c_str());
    if (symlink(m_slavePath.c_str(), m_linkPath.c_str()) != 0)
        return;
}

void PtyPeer::Hangup()
{
    // The pts number goes back to the kernel, which may give it to another test's pty.
    Unplug();
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_slaveHold >= 0)
        close(m_slaveHold);
    m_slaveHold = -1;
    if (m_master >= 0)
        close(m_master);
    m_master = -1;
}

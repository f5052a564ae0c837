#include "platform/Thread.h"

#include <system_error>

namespace platform
{
bool Thread::Start(Procedure proc, void* arg)
{
    if (m_thread.joinable())
        return false;
    try
    {
        m_thread = std::thread(proc, arg);
    }
    catch (const std::system_error&)
    {
        return false;
    }
    return true;
}

void Thread::Join()
{
    // A thread cannot join itself; it is detached then, and ends on its own.
    if (!m_thread.joinable())
        return;
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else
        m_thread.join();
}
} // namespace platform

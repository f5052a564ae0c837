#pragma once
#include <thread>

namespace platform
{
// A joinable thread running `proc(arg)`. Joins in its destructor: a thread object is never
// destroyed while its thread may still run.
class Thread
{
public:
    using Procedure = void (*)(void* arg);

    Thread() = default;
    ~Thread() { Join(); }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool Start(Procedure proc, void* arg);
    void Join();
    bool IsStarted() const { return m_thread.joinable(); }
    bool IsCurrent() const { return m_thread.get_id() == std::this_thread::get_id(); }

private:
    std::thread m_thread;
};
} // namespace platform

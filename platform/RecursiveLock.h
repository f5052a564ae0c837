#pragma once
#include <mutex>

namespace platform
{
// A lock that the thread holding it may take again; every Lock needs its Unlock.
class RecursiveLock
{
public:
    void Lock() { m_mutex.lock(); }
    bool TryLock() { return m_mutex.try_lock(); }
    void Unlock() { m_mutex.unlock(); }

private:
    std::recursive_mutex m_mutex;
};
} // namespace platform

#pragma once
#include "platform/RecursiveLock.h"

// One lock as an object, created and deleted with what it guards. The thread that holds it
// may enter it again.
class CNerulanCriticalSection
{
public:
    CNerulanCriticalSection() = default;
    virtual ~CNerulanCriticalSection() = default;
    CNerulanCriticalSection(const CNerulanCriticalSection&) = delete;
    CNerulanCriticalSection& operator=(const CNerulanCriticalSection&) = delete;

    void Enter() { m_lock.Lock(); }
    bool TryEnter() { return m_lock.TryLock(); }
    void Leave() { m_lock.Unlock(); }

private:
    platform::RecursiveLock m_lock;
};

// Holds a CNerulanCriticalSection for the lifetime of a scope.
class CCriticalSectionGuard
{
public:
    explicit CCriticalSectionGuard(CNerulanCriticalSection* section) : m_section(section)
    {
        if (m_section)
            m_section->Enter();
    }
    ~CCriticalSectionGuard()
    {
        if (m_section)
            m_section->Leave();
    }
    CCriticalSectionGuard(const CCriticalSectionGuard&) = delete;
    CCriticalSectionGuard& operator=(const CCriticalSectionGuard&) = delete;

private:
    CNerulanCriticalSection* m_section;
};

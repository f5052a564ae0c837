#include "common/AbstractQueue.h"

#include "common/RingGrowth.h"

CAbstractQueue::CAbstractQueue(int32_t capacity)
    : m_capacity(capacity > 0 ? capacity : 1), m_growth(m_capacity),
      m_slots(new CAbstractQueueItem*[m_capacity]()), m_lock(new CNerulanCriticalSection)
{
}

CAbstractQueue::~CAbstractQueue()
{
    Clear();
    delete[] m_slots;
    delete m_lock;
}

bool CAbstractQueue::Push(const CAbstractQueueItem* item)
{
    CCriticalSectionGuard guard(m_lock);
    if (m_count == m_capacity)
        GrowFullRing(m_slots, m_capacity, m_growth, m_count, m_head, m_tail);
    if (m_tail >= m_capacity)
        m_tail = 0;
    CAbstractQueueItem* clone = item ? item->Clone() : nullptr;
    if (!clone)
        return false;
    m_slots[m_tail++] = clone;
    ++m_count;
    return true;
}

CAbstractQueueItem* CAbstractQueue::Peek()
{
    CCriticalSectionGuard guard(m_lock);
    if (m_count == 0 || !m_slots[m_head])
        return nullptr;
    return m_slots[m_head]->Clone();
}

void CAbstractQueue::Pop()
{
    CCriticalSectionGuard guard(m_lock);
    if (m_count == 0)
        return;
    delete m_slots[m_head];
    m_slots[m_head] = nullptr;
    if (++m_head >= m_capacity)
        m_head = 0;
    --m_count;
}

void CAbstractQueue::Clear()
{
    CCriticalSectionGuard guard(m_lock);
    for (int32_t i = 0; i < m_capacity; ++i)
    {
        delete m_slots[i];
        m_slots[i] = nullptr;
    }
    m_head = m_tail = m_count = 0;
}

int32_t CAbstractQueue::GetCount()
{
    CCriticalSectionGuard guard(m_lock);
    return m_count;
}

int32_t CAbstractQueue::GetCapacity()
{
    CCriticalSectionGuard guard(m_lock);
    return m_capacity;
}

CAbstractQueueItem* CAbstractQueue::SlotAt(int32_t index)
{
    CCriticalSectionGuard guard(m_lock);
    return index >= 0 && index < m_capacity ? m_slots[index] : nullptr;
}

int32_t CAbstractQueue::GetHead()
{
    CCriticalSectionGuard guard(m_lock);
    return m_head;
}

#pragma once
#include <cstdint>

#include "common/AbstractQueueItem.h"
#include "common/NerulanCriticalSection.h"

// A growable ring of items under its own lock. Push stores a clone of the caller's item, Peek
// hands out a further clone (the caller deletes it), Pop deletes the queue's own copy.
// Consumers drain it by: GetCount, Peek, use the clone, delete it, Pop.
class CAbstractQueue
{
public:
    explicit CAbstractQueue(int32_t capacity);
    virtual ~CAbstractQueue();
    CAbstractQueue(const CAbstractQueue&) = delete;
    CAbstractQueue& operator=(const CAbstractQueue&) = delete;

    bool Push(const CAbstractQueueItem* item);
    CAbstractQueueItem* Peek();
    void Pop();
    void Clear();
    int32_t GetCount();
    int32_t GetCapacity();

protected:
    // For tests and subclasses that look into the ring, under the lock.
    CAbstractQueueItem* SlotAt(int32_t index);
    int32_t GetHead();
    // The queue's own lock (recursive), for subclasses that look at several slots as one step.
    CNerulanCriticalSection* QueueLock() const { return m_lock; }

private:
    int32_t m_capacity;
    int32_t m_growth;
    int32_t m_head = 0;
    int32_t m_tail = 0;
    int32_t m_count = 0;
    CAbstractQueueItem** m_slots;
    CNerulanCriticalSection* m_lock;
};

#include "devices/SendQueue.h"

#include <cstring>

bool CSendQueue::AddData(int32_t tag, const uint8_t* bytes, uint32_t length)
{
    CQueueData data(tag, bytes, length);
    return Push(&data);
}

bool CSendQueue::AddDataOnce(int32_t tag, const uint8_t* bytes, uint32_t length)
{
    CCriticalSectionGuard guard(QueueLock());
    if (ContainsTag(tag))
        return false;
    return AddData(tag, bytes, length);
}

int32_t CSendQueue::PeekTag()
{
    CCriticalSectionGuard guard(QueueLock());
    if (GetCount() == 0)
        return 0;
    auto* head = static_cast<CQueueData*>(SlotAt(GetHead()));
    return head ? head->GetTag() : 0;
}

bool CSendQueue::ContainsTag(int32_t tag)
{
    CCriticalSectionGuard guard(QueueLock());
    int32_t count = GetCount();
    int32_t capacity = GetCapacity();
    int32_t index = GetHead();
    for (int32_t i = 0; i < count; ++i, ++index)
    {
        if (index >= capacity)
            index = 0;
        auto* data = static_cast<CQueueData*>(SlotAt(index));
        if (data && data->GetTag() == tag)
            return true;
    }
    return false;
}

CQueueData* CSendQueue::PeekData()
{
    return static_cast<CQueueData*>(Peek());
}

bool CSendQueue::PopIfHead(const CQueueData& message)
{
    CCriticalSectionGuard guard(QueueLock());
    if (GetCount() == 0)
        return false;
    auto* head = static_cast<CQueueData*>(SlotAt(GetHead()));
    if (!head || head->GetTag() != message.GetTag() || head->GetLength() != message.GetLength())
        return false;
    if (message.GetLength() && std::memcmp(head->GetBytes(), message.GetBytes(), message.GetLength()) != 0)
        return false;
    Pop();
    return true;
}

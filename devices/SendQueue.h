#pragma once
#include <cstdint>

#include "common/AbstractQueue.h"
#include "devices/QueueData.h"

// A device's queue of whole messages waiting to be sent, each with its tag. Safe from the tick
// thread and a transport thread at once: every operation takes the queue's lock, and what it
// hands out is a copy.
//
// Drivers normally reach it through CSendPump (devices/SendPump.h), which sends the head, waits
// for its answer and pops it by the family's rule.
class CSendQueue : public CAbstractQueue
{
public:
    // Capacity and growth step (128 for the HTTP devices, 64 or 128 in the bus drivers).
    explicit CSendQueue(int32_t capacity) : CAbstractQueue(capacity) {}
    ~CSendQueue() override = default;

    // Queues a copy of the bytes with the tag; length 0 queues a message without bytes.
    bool AddData(int32_t tag, const uint8_t* bytes, uint32_t length);
    // As AddData, but refuses (false) when a message with the same tag is already queued; checked
    // and pushed under one hold of the lock. For requests that must never wait twice in the
    // queue (the poll of one block, one module, one address).
    bool AddDataOnce(int32_t tag, const uint8_t* bytes, uint32_t length);
    // The tag of the head message; 0 when the queue is empty.
    int32_t PeekTag();
    bool ContainsTag(int32_t tag);
    // A copy of the head message that the caller deletes; null when the queue is empty.
    CQueueData* PeekData();
    // Pops the head only when it still is this message (same tag and bytes): a message sent
    // while the queue was emptied or refilled by another thread is not confused with a new head.
    bool PopIfHead(const CQueueData& message);
};

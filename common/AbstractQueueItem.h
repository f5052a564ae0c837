#pragma once

// The base of everything a CAbstractQueue holds: the queue keeps clones, never the caller's item.
class CAbstractQueueItem
{
public:
    virtual ~CAbstractQueueItem() = default;
    // A new heap copy of the item, owned by the caller; null when it cannot be made.
    virtual CAbstractQueueItem* Clone() const = 0;
};

#pragma once
#include "common/AbstractQueue.h"
#include "common/MouseData.h"

// Pointer events from the main thread to the tick thread.
class CMouseQueue : public CAbstractQueue
{
public:
    explicit CMouseQueue(int32_t capacity = 128) : CAbstractQueue(capacity) {}
};

#pragma once
#include <cstdint>

#include "common/AbstractQueueItem.h"

// One pointer event. Kinds: 0 move, 1 up, 2 down; 3 is the forced release the dispatcher makes.
class CMouseData : public CAbstractQueueItem
{
public:
    enum Kind : uint8_t
    {
        Move = 0,
        Up = 1,
        Down = 2,
        ForcedRelease = 3,
    };

    CMouseData(uint8_t kind = Move, int32_t x = 0, int32_t y = 0) : m_kind(kind), m_x(x), m_y(y) {}
    CAbstractQueueItem* Clone() const override { return new CMouseData(m_kind, m_x, m_y); }

    uint8_t m_kind;
    int32_t m_x;
    int32_t m_y;
};

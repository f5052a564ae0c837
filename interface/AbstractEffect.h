#pragma once
#include <cstdint>

class CDialogItem;

// Base of the show and hide effects of a popup. The popup owns its effects; its timer steps them.
// The base is no effect at all: it accepts no event and its step does nothing.
class CAbstractEffect
{
public:
    enum EffectState : uint8_t
    {
        StateIdle = 0,
        StateArmed = 1,
        StateRunning = 2,
        StateDone = 3,
    };

    CAbstractEffect() = default;
    CAbstractEffect(const CAbstractEffect&) = delete;
    CAbstractEffect& operator=(const CAbstractEffect&) = delete;

    // Virtual operations, in slot order.
    virtual ~CAbstractEffect() = default;
    // Event 1 show, 2 hide: true (and armed) only for the effect's own event.
    virtual bool Arm(int32_t event)
    {
        (void)event;
        return false;
    }
    virtual void Reset() { m_state = StateIdle; }
    virtual void Step(CDialogItem* item, uint32_t elapsedMs)
    {
        (void)item;
        (void)elapsedMs;
    }
    // Bit 31 for every real effect, bit 0 show, bit 1 hide.
    virtual uint32_t GetEvents() { return 0; }
    virtual int32_t GetType() { return 0; }

    uint8_t m_state = StateIdle;
    int32_t m_direction = 0;
    uint32_t m_durationMs = 1000;
    int32_t m_pageNumber = 0;
    uint32_t m_accumulatorMs = 0;
    float m_step = 0.0f;
};

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
    // Effects move in whole quanta of this many milliseconds.
    static constexpr uint32_t kQuantumMs = 5;

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
    // The part of a unit that the moves so far owe (a move only takes whole opacity units or
    // pixels): carried into the next move, so that slow effects still move and end on time.
    float m_carry = 0.0f;
    // Milliseconds moved since the effect started; at the duration the effect is at its target.
    uint32_t m_movedMs = 0;

protected:
    // Adds the elapsed time; the number of whole quanta due (the remainder waits), 0 until the
    // accumulator is above one quantum.
    uint32_t TakeQuanta(uint32_t elapsedMs)
    {
        m_accumulatorMs += elapsedMs;
        if (m_accumulatorMs <= kQuantumMs)
            return 0;
        uint32_t n = m_accumulatorMs / kQuantumMs;
        m_accumulatorMs %= kQuantumMs;
        m_movedMs = m_movedMs + n * kQuantumMs < m_movedMs ? UINT32_MAX : m_movedMs + n * kQuantumMs;
        return n;
    }
    // Starts the clock of a run.
    void StartRun()
    {
        m_accumulatorMs = 0;
        m_movedMs = 0;
        m_carry = 0.0f;
    }
    bool IsTimeUp() const { return m_movedMs >= m_durationMs; }
};

// Whole units of a move of step x quanta, the fraction carried in carry.
int32_t TakeWholeUnits(float step, uint32_t quanta, float& carry);

// The popup an effect runs on goes on, or comes off, the page the effect was armed for; nothing
// happens when the item is no registered popup or the page does not exist.
void AddEffectPopupToPage(CDialogItem* item, int32_t pageNumber);
void RemoveEffectPopupFromPage(CDialogItem* item, int32_t pageNumber);

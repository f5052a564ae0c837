#include "interface/DialogButtonMultiState.h"

#include "interface/ItemToDevice.h"

void CDialogMultiStateButton::SetState(int32_t from, int32_t to, uint32_t durationTenths)
{
    if (m_behaviour == ItemBehaviourFollowValue)
        return;
    if (from == -1)
        from = m_stateIndex;
    m_targetState = to == -1 ? m_stateIndex : to;
    int32_t count = GetStateCount();
    if (durationTenths != 0 && count > 0)
    {
        m_animationTimeMs = 0;
        // 64-bit: a long duration from a device must not wrap round into a short one; a time
        // per state beyond 32 bits is kept at the longest one.
        uint64_t perState = uint64_t{durationTenths} * 100u / static_cast<uint64_t>(count);
        m_stateTimeMs = perState > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(perState);
        ShowState(from);
        return;
    }
    m_stateTimeMs = 0;
    ShowState(m_targetState);
}

void CDialogMultiStateButton::ChooseTarget()
{
    int32_t count = GetStateCount();
    if (m_behaviour == ItemBehaviourMomentary)
    {
        if (m_pressCycle)
        {
            // One past the last: the run wraps round (or ends) instead of stopping there.
            m_targetState = count;
            m_stateTimeMs = m_firstDurationMs;
        }
        else if (m_value != 0.0f)
        {
            m_targetState = count - 1;
            m_stateTimeMs = m_firstDurationMs;
        }
        else
        {
            m_targetState = 0;
            m_stateTimeMs = m_secondDurationMs;
        }
    }
    else if (m_behaviour == ItemBehaviourAlwaysOn)
    {
        m_targetState = m_loop ? count : count - 1;
        m_stateTimeMs = m_firstDurationMs;
    }
}

int32_t CDialogMultiStateButton::StepToward(uint32_t steps)
{
    int32_t count = GetStateCount();
    // 64-bit: a long pause between ticks may give more steps than an int holds.
    int64_t n;
    if (m_stateIndex > m_targetState)
    {
        n = static_cast<int64_t>(m_stateIndex) - steps;
        if (n < 0)
            return Loops() ? count - 1 : 0;
        return static_cast<int32_t>(n);
    }
    n = static_cast<int64_t>(m_stateIndex) + steps;
    if (n < count)
        return static_cast<int32_t>(n);
    if (m_pressCycle && !IsPressed())
    {
        // A press cycle that was let go ends at the first state.
        m_pressCycle = 0;
        m_releaseCycle = 0;
        return 0;
    }
    if (Loops())
        return static_cast<int32_t>(n % count);
    return count - 1;
}

void CDialogMultiStateButton::Update(uint32_t elapsedMs)
{
    CDialogItem::Update(elapsedMs);
    m_animationTimeMs += elapsedMs;
    ChooseTarget();
    // Without states there is nothing to step through (and nothing to wrap round).
    if (GetStateCount() == 0)
        return;
    if (m_stateIndex == m_targetState || m_stateTimeMs == 0 || m_animationTimeMs <= m_stateTimeMs)
        return;
    uint32_t steps = m_animationTimeMs / m_stateTimeMs;
    m_animationTimeMs %= m_stateTimeMs;
    ShowState(StepToward(steps));
}

void CDialogMultiStateButton::Press()
{
    CDialogItem::Press();
    CDialogItem::SetValue(1.0f);
    m_animationTimeMs = 0;
}

void CDialogMultiStateButton::Release()
{
    CDialogItem::Release();
    CDialogItem::SetValue(0.0f);
    m_animationTimeMs = 0;
}

void CDialogMultiStateButton::PressAction()
{
    if (m_pressCycle != 1)
    {
        PressItemChannels(this);
        PlayClickSound();
    }
    if (m_behaviour != ItemBehaviourMomentary)
        return;
    Press();
    if (m_pressCycle != 1)
        m_pressCycle = m_loop;
}

void CDialogMultiStateButton::ReleaseAction()
{
    if (m_releaseCycle != 1)
        ReleaseItemChannels(this);
    if (m_behaviour != ItemBehaviourMomentary)
        return;
    Release();
    if (m_releaseCycle != 1)
        m_releaseCycle = m_loop;
}

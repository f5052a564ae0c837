#pragma once
#include <cstdint>

#include "interface/DialogButton.h"

// A button that steps through its states over time. Behaviour 4 runs up while held (the first
// duration per state) and back down when released (the second); behaviour 3 runs once to its last
// state, or round all its states for ever with the loop flag; other behaviours animate only when
// told a state with a duration. Behaviour 1 keeps the state it has.
class CDialogMultiStateButton : public CDialogButton
{
public:
    CDialogMultiStateButton(uint8_t behaviour, CDialogItem* parent) : CDialogButton(behaviour, parent) {}

    int32_t GetKind() override { return ItemKindMultiStateButton; }
    void Update(uint32_t elapsedMs) override;
    // The base keeps values as they are; the state does not follow them.
    void SetValue(float value) override { CDialogItem::SetValue(value); }
    // from -1: the current state; to -1: the current state. A duration (tenths of a second for
    // the whole run) shows from at once and animates toward to; none shows to at once.
    void SetState(int32_t from, int32_t to, uint32_t durationTenths) override;
    void Press() override;
    void Release() override;
    void PressAction() override;
    void ReleaseAction() override;

    int32_t m_targetState = 0;
    uint32_t m_stateTimeMs = 0;
    uint8_t m_pressCycle = 0;
    uint8_t m_releaseCycle = 0;

private:
    // The target and the time per state that the behaviour asks for now.
    void ChooseTarget();
    // The state reached after `steps` steps toward the target.
    int32_t StepToward(uint32_t steps);
    bool Loops() const
    {
        return m_loop != 0 && m_behaviour != ItemBehaviourNone && m_behaviour != ItemBehaviourFollowValue;
    }
};

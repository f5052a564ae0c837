#pragma once
#include <cstdint>

#include "interface/DialogButton.h"

// A button that adds its step to its value on every press, up to its limit (a negative step
// counts down to it), and sends the value reached.
class CDialogUpDownButton : public CDialogButton
{
public:
    CDialogUpDownButton(uint8_t behaviour, CDialogItem* parent) : CDialogButton(behaviour, parent) {}

    int32_t GetKind() override { return ItemKindUpDownButton; }
    bool OnMouse(int32_t kind, int32_t x, int32_t y) override;
    // Clamps to the limit on the side the step counts toward, then the button's value rule.
    void SetValue(float value) override;
    // The step and the limit (little-endian floats), then the item record.
    bool Load(CInStream* stream) override;

    float m_step = 0.0f;
    float m_limit = 0.0f;
};

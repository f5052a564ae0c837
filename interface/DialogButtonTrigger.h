#pragma once
#include <cstdint>

#include "interface/DialogButton.h"

// A button that toggles its value between two numbers: a press at the first (off) value sends the
// second (on) value, a press at any other value sends the first. Behaviours 1 and 2 show state 1
// or 0 by whether the value is the first one.
class CDialogTriggerButton : public CDialogButton
{
public:
    CDialogTriggerButton(uint8_t behaviour, CDialogItem* parent) : CDialogButton(behaviour, parent) {}

    int32_t GetKind() override { return ItemKindTriggerButton; }
    bool OnMouse(int32_t kind, int32_t x, int32_t y) override;
    void SetValue(float value) override;
    // The two values (little-endian floats), then the item record.
    bool Load(CInStream* stream) override;

    float m_firstValue = 0.0f;
    float m_secondValue = 1.0f;
};

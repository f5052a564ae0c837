#pragma once
#include "interface/AbstractEffect.h"

// Shows a popup by raising its opacity to its loaded opacity over the duration; the popup goes
// on its page when the fade starts.
class CEffect_FadeIn : public CAbstractEffect
{
public:
    bool Arm(int32_t event) override;
    void Step(CDialogItem* item, uint32_t elapsedMs) override;
    uint32_t GetEvents() override { return 0x80000001u; }
    int32_t GetType() override { return 1; }
};

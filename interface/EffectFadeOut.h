#pragma once
#include "interface/AbstractEffect.h"

// Hides a popup by lowering its opacity to 0 over the duration; at the end the popup leaves its
// page and gets its loaded opacity back for the next time it is shown.
class CEffect_FadeOut : public CAbstractEffect
{
public:
    bool Arm(int32_t event) override;
    void Step(CDialogItem* item, uint32_t elapsedMs) override;
    uint32_t GetEvents() override { return 0x80000002u; }
    int32_t GetType() override { return 2; }
};

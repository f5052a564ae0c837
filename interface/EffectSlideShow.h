#pragma once
#include "interface/EffectSlideHide.h"

// The slide armed by a show; the direction byte decides whether it moves in or out.
class CEffect_SlideShow : public CEffect_SlideHide
{
public:
    bool Arm(int32_t event) override;
    uint32_t GetEvents() override { return 0x80000001u; }
    int32_t GetType() override { return 4; }
};

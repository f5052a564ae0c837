#pragma once
#include "interface/AbstractEffect.h"

// Moves a popup in from outside a clip area to its loaded place, or out from where it is to
// outside the area, by the direction byte (see the Direction bits); only the part inside the clip
// box is visible on the way. The hide effect is armed by a hide, the show effect by a show.
class CEffect_SlideHide : public CAbstractEffect
{
public:
    enum Direction : int32_t
    {
        SideMask = 3,
        SideLeft = 0,
        SideRight = 1,
        SideTop = 2,
        SideBottom = 3,
        ClipToParent = 4,
        MoveIn = 8,
    };

    bool Arm(int32_t event) override;
    void Step(CDialogItem* item, uint32_t elapsedMs) override;
    uint32_t GetEvents() override { return 0x80000002u; }
    int32_t GetType() override { return 3; }

    float m_stepY = 0.0f;
    int32_t m_targetX = 0;
    int32_t m_targetY = 0;
    int32_t m_clipLeft = 0;
    int32_t m_clipTop = 0;
    int32_t m_clipRight = 0;
    int32_t m_clipBottom = 0;
    float m_carryY = 0.0f;

private:
    void Start(CDialogItem* item);
    void Move(CDialogItem* item, uint32_t quanta);
    void Finish(CDialogItem* item);
};

// The item's visible part: its current rectangle cut to the effect's clip box, relative to the
// current position. A negative width or height shows (and hits) nothing.
void UpdateEffectClip(CDialogItem* item, const CEffect_SlideHide* effect);

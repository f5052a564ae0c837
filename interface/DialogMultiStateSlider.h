#pragma once
#include "interface/DialogSlider.h"

// A slider without track, fill and thumb: it shows the state its level selects (the last state
// at the high bound; counted from the end when reversed).
class CDialogMultiStateSlider : public CDialogSlider
{
public:
    CDialogMultiStateSlider(uint8_t behaviour, CDialogItem* parent) : CDialogSlider(behaviour, parent)
    {
        // Its timer updates its look.
        m_ownTimer = 1;
    }

    int32_t GetKind() override { return ItemKindMultiStateSlider; }
    // Notices new pictures of a dynamic image shown by the state, also off the current page.
    void OnTimer(uint32_t elapsedMs) override;
    void SetValue(float value) override;
    bool Load(CInStream* stream) override;
    void Draw(const DialogRect& clip) override { CDialogItem::Draw(clip); }
    CPixelBuffer* RenderState(CPixelBuffer* buffer) override;
};

#pragma once
#include <cstdint>

#include "interface/DialogItem.h"

// The plain button, and the base of the multi-state, trigger and up/down buttons. A press sends
// Press to every bound channel and plays the click sound (the item's own sound when it names one);
// a release sends Release. Behaviour 4 (momentary) takes the pressed look while held and holds its
// channels on every tick; behaviours 1 and 2 show state 1 or 0 by the value; behaviour 3 shows
// state 1.
class CDialogButton : public CDialogItem
{
public:
    // A loaded button (its record is read by Load).
    CDialogButton(uint8_t behaviour, CDialogItem* parent);
    // A button built in code on a popup: behaviour 0, the rectangle, one black state.
    CDialogButton(CDialogItem* popup, const ItemRect& rect);

    int32_t GetKind() override { return ItemKindButton; }
    void Update(uint32_t elapsedMs) override;
    bool OnMouse(int32_t kind, int32_t x, int32_t y) override;
    void SetValue(float value) override;
    // The press and release as other code triggers them (not the pointer): the pressed look for
    // behaviour 4 and the channels, without sound.
    virtual void PressAction();
    virtual void ReleaseAction();

protected:
    // The item's own click sound, or the default click when it names none.
    void PlayClickSound();
    // Shows state n through the base rule (clamped to the states).
    void ShowState(int32_t n) { CDialogItem::SetState(m_stateIndex, n, 0); }
    // Pointer input of the trigger and up/down buttons: a press stores pressedValue through the
    // SetValue slot and sends the value stored (Press with it, then SetValue with it, each echoed);
    // a release sends Release with the value.
    bool OnValueMouse(int32_t kind, float pressedValue);
    // The two floats that the trigger and up/down records carry in front of the item record.
    static bool LoadValuePair(CInStream* stream, float& first, float& second);
    // A press or release of the pointer, or a forced release: the forced one ends a press the same
    // way, so a button hidden or disabled while held stops holding its channels and sends Release.
    static bool IsRelease(int32_t kind) { return kind == ItemMouseRelease || kind == ItemMouseForcedRelease; }
};

#pragma once
#include <cstdint>
#include <vector>

#include "interface/DialogItem.h"

class CVector;
class CInStream;

// A popup: an item that owns child items and can be shown on any number of pages. Its parent is
// the back end's root item, so its current position is in design coordinates.
class CDialogPopup : public CDialogItem
{
public:
    // A child record's type code (the byte before its behaviour in the children list).
    enum ChildType : uint8_t
    {
        ChildButton = 0,
        ChildSlider = 1,
        ChildMultiStateButton = 2,
        ChildMultiStateSlider = 3,
        ChildListBox = 4,
        ChildEditBox = 7,
        ChildUpDownButton = 10,
        ChildTriggerButton = 11,
    };

    // Takes the parent's rectangle; the name is copied (null or empty keeps none).
    CDialogPopup(CDialogItem* parent, const char* name, int32_t group);
    ~CDialogPopup() override;

    int32_t GetKind() override { return ItemKindPopup; }
    void OnTimer(uint32_t elapsedMs) override;
    void Update(uint32_t elapsedMs) override;
    // From the address list on: the loader has read the name, group and auto-hide time. False
    // when the record is cut short or holds a child that cannot be read or skipped.
    bool Load(CInStream* stream) override;
    void Draw(const DialogRect& clip) override;
    CDialogItem* HitTest(int32_t x, int32_t y) override;

    // The effect list (its entries build the show and hide effects); false when it ends early.
    bool LoadEffects(CInStream* stream);
    // The children list; false when it ends early or names an unknown child type.
    bool LoadChildren(CInStream* stream);

    // Showing and hiding on one page, with the popup's show and hide effects when the page is the
    // current one. popupNumber is this popup's registry number.
    void ShowOnPage(int32_t pageNumber);
    void HideOnPage(int32_t pageNumber);
    // Hide effects that run are reset and show effects armed; true when no show effect was armed.
    bool RestartShowEffects(int32_t pageNumber);
    // Auto-hide: the countdown starts again at the next update.
    void RestartAutoHide() { m_autoHideStart = 0; }

    int32_t GetGroup() const { return m_group; }
    uint32_t GetAutoHideMs() const { return m_autoHideMs; }
    void SetAutoHideMs(uint32_t ms) { m_autoHideMs = ms; }
    bool HasAutoHideFired() const { return m_autoHideFired != 0; }
    // This popup's 1-based number in the popup registry (its item id); 0 before it is registered.
    int32_t GetNumber() const { return m_number; }
    void SetNumber(int32_t number);
    int32_t GetChildCount() const;
    CDialogItem* GetChild(int32_t index) const;
    // Appends a child the popup then owns.
    void AddChild(CDialogItem* child);

protected:
    // The auto-hide step of an update.
    void StepAutoHide();
    // Arms the effects of one event (1 show, 2 hide) for the page and resets running effects of
    // the other; true when an effect of the event was armed.
    bool ArmEffects(int32_t event, int32_t pageNumber);
    // Draws the item itself, then every child, with the clip.
    void DrawSelfAndChildren(const DialogRect& clip);
    CDialogItem* HitTestChildren(int32_t x, int32_t y);
    // The children whose timer has work on any tick (m_ownTimer, sequences or effects), in
    // child order; made again after children were added.
    void CollectTimerChildren();

    int32_t m_group = 0;
    uint8_t m_autoHideFired = 0;
    uint32_t m_autoHideMs = 0;
    uint32_t m_autoHideStart = 0;
    CVector* m_children;
    int32_t m_number = 0;
    // A child's timer does nothing unless it is pressed or listed here, so a tick with no child
    // pressed visits only these.
    std::vector<CDialogItem*> m_timerChildren;
    bool m_timerChildrenStale = true;
};

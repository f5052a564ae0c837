#pragma once
#include <cstdint>

#include "interface/DialogPopup.h"

// A page: a popup that fills the design area and keeps the popups shown on it, bottom first. The
// list survives while other pages are current, so returning to a page shows what it had.
class CDialogPage : public CDialogPopup
{
public:
    // Room of the shown-popup list; a further popup is refused.
    static constexpr int32_t kMaxShownPopups = 256;

    // The built-in Loading page: named "Loading", one black state.
    explicit CDialogPage(CDialogItem* parent);
    // A page of the interface file, loaded afterwards.
    CDialogPage(CDialogItem* parent, const char* name);
    ~CDialogPage() override;

    int32_t GetKind() override { return ItemKindPage; }
    void Update(uint32_t elapsedMs) override;
    // From the address list on: the loader has read the name.
    bool Load(CInStream* stream) override;
    void Draw(const DialogRect& clip) override;
    CDialogItem* HitTest(int32_t x, int32_t y) override;

    // Moves a number already on the list to the top, else appends it. False when the list is full.
    bool AddPopup(int32_t popupNumber);
    void RemovePopup(int32_t popupNumber);
    bool HasPopup(int32_t popupNumber) const;
    int32_t GetShownCount() const { return m_shownCount; }
    // The popup number at a list position (0 is the bottom), 0 outside the list.
    int32_t GetShownAt(int32_t index) const;

private:
    int32_t IndexOfShown(int32_t popupNumber) const;

    int32_t* m_shownPopups;
    int32_t m_shownCount = 0;
};

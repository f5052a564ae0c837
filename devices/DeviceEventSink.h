#pragma once
#include <cstdint>
#include <string>

class CDynamicSpriteData;

// Where a device's feedback goes: the operations the drain of a device's event ring calls, one per
// record, on the tick thread. The devices know only this; the dialog system implements it.
class CDeviceEventSink
{
public:
    virtual ~CDeviceEventSink() = default;

    // Sets the value of every item bound to the address.
    virtual void SetItemValue(uint32_t address, float value) = 0;
    // Item changes by channel address. A state is a state index of the item or -1 for every
    // state; a null text or name changes nothing.
    virtual void SetSliderValue(uint32_t address, float value) = 0;
    virtual void StepItemValue(uint32_t address, float delta) = 0;
    virtual void SetItemText(uint32_t address, int32_t state, const char16_t* text) = 0;
    virtual void AppendItemText(uint32_t address, int32_t state, const char16_t* text) = 0;
    // durationTenths: tenths of a second for the whole animation from one state to the other.
    virtual void SetItemState(uint32_t address, int32_t from, int32_t to, uint32_t durationTenths) = 0;
    // Colours are 0xRRGGBBAA.
    virtual void SetItemFillColor(uint32_t address, int32_t state, uint32_t color) = 0;
    virtual void SetItemTextColor(uint32_t address, int32_t state, uint32_t color) = 0;
    virtual void SetItemBorderColor(uint32_t address, int32_t state, uint32_t color) = 0;
    virtual void SetItemOpacity(uint32_t address, int32_t state, uint8_t opacity) = 0;
    virtual void SetItemEnabled(uint32_t address, bool enabled) = 0;
    virtual void SetItemVisible(uint32_t address, bool visible) = 0;
    virtual void SetItemBitmapByName(uint32_t address, int32_t state, const char* name) = 0;
    virtual void SetItemBitmapById(uint32_t address, int32_t state, uint32_t id) = 0;
    virtual void SetItemIconById(uint32_t address, int32_t state, uint32_t id) = 0;
    // Alignment codes 0 to 9; others change nothing.
    virtual void SetItemBitmapAlignment(uint32_t address, int32_t state, uint8_t code) = 0;
    virtual void SetItemIconAlignment(uint32_t address, int32_t state, uint8_t code) = 0;
    virtual void SetItemTextAlignment(uint32_t address, int32_t state, uint8_t code) = 0;
    // Items whose id is the given one take the state.
    virtual void SetItemStateById(uint32_t id, int32_t state) = 0;
    virtual void ShowPage(const char* name) = 0;
    // A null or empty page name means the current page.
    virtual void ShowPopup(const char* popupName, const char* pageName) = 0;
    virtual void HidePopup(const char* popupName, const char* pageName) = 0;
    virtual void TogglePopup(const char* popupName, const char* pageName) = 0;
    virtual void HidePopupGroup(const char* groupName) = 0;
    virtual void HidePopupOnAllPages(const char* popupName) = 0;
    virtual void HideAllPopupsOnPage(const char* pageName) = 0;
    virtual void HideAllPopups() = 0;
    // Dynamic-image requests; the data stays the caller's.
    virtual void AddDynamicImage(const char* name, const CDynamicSpriteData* data) = 0;
    virtual void ChangeDynamicImage(const char* name, const CDynamicSpriteData* data) = 0;
    virtual void RefreshDynamicImage(const char* name, uint32_t periodMs) = 0;
    virtual void RefreshAllDynamicImages() = 0;

    // ---- List boxes bound to the address (kinds 32 to 43) ----------------------------------
    // These have empty defaults: a sink that shows no list or edit boxes ignores them.
    virtual void ListBoxClear(uint32_t /*address*/) {}
    virtual void ListBoxAddRows(uint32_t /*address*/, uint32_t /*count*/, uint32_t /*firstId*/) {}
    virtual void ListBoxSetResistance(uint32_t /*address*/, int32_t /*deceleration*/) {}
    virtual void ListBoxSetScrollColor(uint32_t /*address*/, uint32_t /*color*/) {}
    virtual void ListBoxShowScrollBar(uint32_t /*address*/, bool /*shown*/) {}
    virtual void ListBoxSetIndent(uint32_t /*address*/, int32_t /*indent*/) {}
    virtual void ListBoxSelectRow(uint32_t /*address*/, uint32_t /*rowId*/, bool /*selected*/) {}
    virtual void ListBoxSetRowChannel(uint32_t /*address*/, uint32_t /*rowId*/, uint32_t /*channelAddress*/)
    {
    }
    virtual void ListBoxSetRowText(uint32_t /*address*/, uint32_t /*rowId*/, const char16_t* /*text*/) {}
    // The row shows the first image whose name begins with imageName (no image when none does).
    virtual void ListBoxSetRowBitmap(uint32_t /*address*/, uint32_t /*rowId*/, const char* /*imageName*/) {}
    virtual void ListBoxClearRowFlips(uint32_t /*address*/, uint32_t /*rowId*/) {}
    virtual void ListBoxAddRowFlip(uint32_t /*address*/, uint32_t /*rowId*/, uint8_t /*type*/,
                                   const char* /*text*/)
    {
    }

    // ---- Edit boxes (kinds 44 to 58): the focused one, or those of the current page ----------
    virtual void ClearFocusedEditBox() {}
    virtual void EditBoxInsertText(const char16_t* /*text*/) {}
    // kind is one of the caret, delete and send kinds (48 to 54).
    virtual void EditBoxCommand(uint8_t /*kind*/) {}
    virtual void ClearPageEditBoxes() {}
    virtual void SendPageEditBoxes() {}
    virtual void FocusNextEditBox() {}
    virtual void FocusPreviousEditBox() {}

    // ---- The item that holds the pointer (tick thread; on-screen keyboards served by a driver) --
    // Its current state index, 0 when no item holds the pointer.
    virtual int32_t GetHeldItemState() { return 0; }
    // Its item id, 0 when none.
    virtual uint32_t GetHeldItemId() { return 0; }
    // The text of its current state; false when no item holds the pointer or the state has none.
    virtual bool GetHeldItemText(std::u16string& /*text*/) { return false; }
};

#pragma once
#include <cstdint>

class CDynamicSpriteData;

// Where a device's feedback goes: the operations the drain of a device's event ring calls, one per
// record, on the tick thread. The devices know only this; the dialog system implements it.
class CDeviceEventSink
{
public:
    virtual ~CDeviceEventSink() = default;

    // Sets the value of every item bound to the address.
    virtual void SetItemValue(uint32_t address, float value) = 0;
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
};

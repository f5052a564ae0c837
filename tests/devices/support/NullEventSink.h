#pragma once
#include "devices/DeviceEventSink.h"

// A sink that ignores every operation: a driver's test derives from it and overrides only the
// operations it records.
class CNullEventSink : public CDeviceEventSink
{
public:
    void SetItemValue(uint32_t, float) override {}
    void SetSliderValue(uint32_t, float) override {}
    void StepItemValue(uint32_t, float) override {}
    void SetItemText(uint32_t, int32_t, const char16_t*) override {}
    void AppendItemText(uint32_t, int32_t, const char16_t*) override {}
    void SetItemState(uint32_t, int32_t, int32_t, uint32_t) override {}
    void SetItemFillColor(uint32_t, int32_t, uint32_t) override {}
    void SetItemTextColor(uint32_t, int32_t, uint32_t) override {}
    void SetItemBorderColor(uint32_t, int32_t, uint32_t) override {}
    void SetItemOpacity(uint32_t, int32_t, uint8_t) override {}
    void SetItemEnabled(uint32_t, bool) override {}
    void SetItemVisible(uint32_t, bool) override {}
    void SetItemBitmapByName(uint32_t, int32_t, const char*) override {}
    void SetItemBitmapById(uint32_t, int32_t, uint32_t) override {}
    void SetItemIconById(uint32_t, int32_t, uint32_t) override {}
    void SetItemBitmapAlignment(uint32_t, int32_t, uint8_t) override {}
    void SetItemIconAlignment(uint32_t, int32_t, uint8_t) override {}
    void SetItemTextAlignment(uint32_t, int32_t, uint8_t) override {}
    void SetItemStateById(uint32_t, int32_t) override {}
    void ShowPage(const char*) override {}
    void ShowPopup(const char*, const char*) override {}
    void HidePopup(const char*, const char*) override {}
    void TogglePopup(const char*, const char*) override {}
    void HidePopupGroup(const char*) override {}
    void HidePopupOnAllPages(const char*) override {}
    void HideAllPopupsOnPage(const char*) override {}
    void HideAllPopups() override {}
    void AddDynamicImage(const char*, const CDynamicSpriteData*) override {}
    void ChangeDynamicImage(const char*, const CDynamicSpriteData*) override {}
    void RefreshDynamicImage(const char*, uint32_t) override {}
    void RefreshAllDynamicImages() override {}
};

#include "devices/DeviceEvent.h"

#include "common/DynamicSpriteData.h"

bool DeviceEventKindNeedsPayload(uint8_t kind)
{
    switch (kind)
    {
    case EventSetItemText:
    case EventAppendItemText:
    case EventSetItemBitmapByName:
    case EventClearItemIcon:
    case EventShowPage:
    case EventShowPopup:
    case EventHidePopup:
    case EventTogglePopup:
    case EventHidePopupGroup:
    case EventHidePopupOnAllPages:
    case EventHideAllPopupsOnPage:
    case EventAddDynamicImage:
    case EventChangeDynamicImage:
    case EventRefreshDynamicImage:
    case EventListBoxSetRowText:
    case EventListBoxSetRowBitmap:
    case EventListBoxAddRowFlip:
    case EventEditBoxInsertText:
        return true;
    default:
        return false;
    }
}

void CDeviceEvent::FreePayloads()
{
    if (owned & ValueNarrowText)
        delete[] reinterpret_cast<char*>(value);
    if (owned & ValueWideText)
        delete[] reinterpret_cast<char16_t*>(value);
    if (owned & ArgumentNarrowText)
        delete[] reinterpret_cast<char*>(argument);
    if (owned & ArgumentWideText)
        delete[] reinterpret_cast<char16_t*>(argument);
    if (owned & ArgumentObject)
        delete reinterpret_cast<CDynamicSpriteData*>(argument);
    if (owned & SecondNarrowText)
        delete[] reinterpret_cast<char*>(second);
    if (owned & SecondWideText)
        delete[] reinterpret_cast<char16_t*>(second);
    if (owned & (ValueNarrowText | ValueWideText))
        value = 0;
    if (owned & (ArgumentNarrowText | ArgumentWideText | ArgumentObject))
        argument = 0;
    if (owned & (SecondNarrowText | SecondWideText))
        second = 0;
    owned = OwnsNothing;
}

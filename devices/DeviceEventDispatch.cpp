// The drain's side of the ring: each record becomes one call of the interface. Texts and objects
// reach the interface only through the record's typed views, so a number posted in a kind that
// expects a text arrives as null, never as a pointer.
#include "devices/AbstractDevice.h"
#include "devices/DeviceEventSink.h"

void CAbstractDevice::DispatchEvent(const CDeviceEvent& event, uint32_t address)
{
    CDeviceEventSink* system = m_dialogSystem;
    switch (event.kind)
    {
    case EventSetItemValue:
        system->SetItemValue(address, event.ValueAsFloat());
        break;
    case EventShowPage:
        system->ShowPage(event.ValueNarrow());
        break;
    case EventShowPopup:
        system->ShowPopup(event.ValueNarrow(), event.ArgumentNarrow());
        break;
    case EventHidePopup:
        system->HidePopup(event.ValueNarrow(), event.ArgumentNarrow());
        break;
    case EventTogglePopup:
        system->TogglePopup(event.ValueNarrow(), event.ArgumentNarrow());
        break;
    case EventHidePopupGroup:
        system->HidePopupGroup(event.ValueNarrow());
        break;
    case EventHidePopupOnAllPages:
        system->HidePopupOnAllPages(event.ValueNarrow());
        break;
    case EventHideAllPopupsOnPage:
        system->HideAllPopupsOnPage(event.ValueNarrow());
        break;
    case EventHideAllPopups:
        system->HideAllPopups();
        break;
    case EventAddDynamicImage:
        // A record without its name and its data (a number where they belong) adds nothing.
        if (event.ValueNarrow() && event.ArgumentData())
            system->AddDynamicImage(event.ValueNarrow(), event.ArgumentData());
        break;
    case EventChangeDynamicImage:
        if (event.ValueNarrow() && event.ArgumentData())
            system->ChangeDynamicImage(event.ValueNarrow(), event.ArgumentData());
        break;
    case EventRefreshDynamicImage:
        system->RefreshDynamicImage(event.ValueNarrow(), static_cast<uint32_t>(event.argument));
        break;
    case EventRefreshAllDynamicImages:
        system->RefreshAllDynamicImages();
        break;
    case EventSetItemStateById:
        // The channel word as posted is an item id: no device id goes into it.
        system->SetItemStateById(event.channel, static_cast<int32_t>(event.value));
        break;
    default:
        // The other item, list-box and edit-box operations are not wired yet: the record is
        // consumed and its payloads are freed by the drain.
        break;
    }
}

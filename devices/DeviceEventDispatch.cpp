// The drain's side of the ring: each record becomes one call of the interface. Texts and objects
// reach the interface only through the record's typed views, so a number posted in a kind that
// expects a text arrives as null, never as a pointer.
#include "devices/AbstractDevice.h"
#include "devices/DeviceEventSink.h"

namespace
{
// The record's fields are pointer-sized; the numbers they carry are 32-bit words.
uint32_t Word(uintptr_t field)
{
    return static_cast<uint32_t>(field);
}

// A state index as posted: -1 (every state) arrives as the word 0xFFFFFFFF.
int32_t StateOf(uintptr_t field)
{
    return static_cast<int32_t>(Word(field));
}

uint8_t LowByte(uintptr_t field)
{
    return static_cast<uint8_t>(field & 0xFF);
}
} // namespace

void CAbstractDevice::DispatchEvent(const CDeviceEvent& event, uint32_t address)
{
    CDeviceEventSink* system = m_dialogSystem;
    switch (event.kind)
    {
    case EventSetItemValue:
        system->SetItemValue(address, event.ValueAsFloat());
        break;
    case EventSetSliderValue:
        system->SetSliderValue(address, event.ValueAsFloat());
        break;
    case EventStepItemValue:
        system->StepItemValue(address, event.ValueAsFloat());
        break;
    case EventSetItemText:
        system->SetItemText(address, StateOf(event.value), event.ArgumentWide());
        break;
    case EventAppendItemText:
        system->AppendItemText(address, StateOf(event.value), event.ArgumentWide());
        break;
    case EventSetItemState:
        system->SetItemState(address, StateOf(event.value), StateOf(event.argument), Word(event.second));
        break;
    case EventSetItemFillColor:
        system->SetItemFillColor(address, StateOf(event.value), Word(event.argument));
        break;
    case EventSetItemTextColor:
        system->SetItemTextColor(address, StateOf(event.value), Word(event.argument));
        break;
    case EventSetItemBorderColor:
        system->SetItemBorderColor(address, StateOf(event.value), Word(event.argument));
        break;
    case EventSetItemOpacity:
        system->SetItemOpacity(address, StateOf(event.value), LowByte(event.argument));
        break;
    case EventSetItemEnabled:
        system->SetItemEnabled(address, Word(event.value) != 0);
        break;
    case EventSetItemVisible:
        system->SetItemVisible(address, Word(event.value) != 0);
        break;
    case EventSetItemBitmapByName:
        system->SetItemBitmapByName(address, StateOf(event.value), event.ArgumentNarrow());
        break;
    case EventSetItemBitmapById:
        system->SetItemBitmapById(address, StateOf(event.value), Word(event.argument));
        break;
    case EventClearItemIcon:
        // The text this kind carries is not read: it sets the icon with id 0.
        system->SetItemIconById(address, StateOf(event.value), 0);
        break;
    case EventSetItemIconById:
        system->SetItemIconById(address, StateOf(event.value), Word(event.argument));
        break;
    case EventSetItemBitmapAlignment:
        system->SetItemBitmapAlignment(address, StateOf(event.value), LowByte(event.argument));
        break;
    case EventSetItemIconAlignment:
        system->SetItemIconAlignment(address, StateOf(event.value), LowByte(event.argument));
        break;
    case EventSetItemTextAlignment:
        system->SetItemTextAlignment(address, StateOf(event.value), LowByte(event.argument));
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
    // List boxes and edit boxes (32 to 58).
    case EventListBoxClear:
    case EventListBoxAddRows:
    case EventListBoxSetResistance:
    case EventListBoxSetScrollColor:
    case EventListBoxShowScrollBar:
    case EventListBoxSetIndent:
    case EventListBoxSelectRow:
    case EventListBoxSetRowChannel:
    case EventListBoxSetRowText:
    case EventListBoxSetRowBitmap:
    case EventListBoxClearRowFlips:
    case EventListBoxAddRowFlip:
    case EventClearFocusedEditBox:
    case EventEditBoxInsertText:
    case EventEditBoxKey46:
    case EventEditBoxKey47:
    case EventEditBoxCaretLeft:
    case EventEditBoxCaretRight:
    case EventEditBoxCaretHome:
    case EventEditBoxCaretEnd:
    case EventEditBoxBackspace:
    case EventEditBoxDeleteChar:
    case EventEditBoxSend:
    case EventClearPageEditBoxes:
    case EventSendPageEditBoxes:
    case EventFocusNextEditBox:
    case EventFocusPreviousEditBox:
        DispatchWidgetEvent(event, address);
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

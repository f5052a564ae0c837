// The list-box and edit-box kinds of the drain (32 to 58). Texts reach the interface only through
// the record's typed views, so a number posted where a text belongs arrives as null.
#include "devices/AbstractDevice.h"
#include "devices/DeviceEventSink.h"

void CAbstractDevice::DispatchWidgetEvent(const CDeviceEvent& event, uint32_t address)
{
    CDeviceEventSink* system = m_dialogSystem;
    uint32_t value = static_cast<uint32_t>(event.value);
    uint32_t argument = static_cast<uint32_t>(event.argument);
    switch (event.kind)
    {
    case EventListBoxClear:
        system->ListBoxClear(address);
        break;
    case EventListBoxAddRows:
        system->ListBoxAddRows(address, value, argument);
        break;
    case EventListBoxSetResistance:
        system->ListBoxSetResistance(address, static_cast<int32_t>(value));
        break;
    case EventListBoxSetScrollColor:
        system->ListBoxSetScrollColor(address, value);
        break;
    case EventListBoxShowScrollBar:
        system->ListBoxShowScrollBar(address, value != 0);
        break;
    case EventListBoxSetIndent:
        system->ListBoxSetIndent(address, static_cast<int32_t>(value));
        break;
    case EventListBoxSelectRow:
        system->ListBoxSelectRow(address, value, argument != 0);
        break;
    case EventListBoxSetRowChannel:
        system->ListBoxSetRowChannel(address, value, argument);
        break;
    case EventListBoxSetRowText:
        system->ListBoxSetRowText(address, value, event.ArgumentWide());
        break;
    case EventListBoxSetRowBitmap:
        system->ListBoxSetRowBitmap(address, value, event.ArgumentNarrow());
        break;
    case EventListBoxClearRowFlips:
        system->ListBoxClearRowFlips(address, value);
        break;
    case EventListBoxAddRowFlip:
        system->ListBoxAddRowFlip(address, value, static_cast<uint8_t>(argument), event.SecondNarrow());
        break;
    case EventClearFocusedEditBox:
        system->ClearFocusedEditBox();
        break;
    case EventEditBoxInsertText:
        system->EditBoxInsertText(event.ValueWide());
        break;
    case EventEditBoxCaretLeft:
    case EventEditBoxCaretRight:
    case EventEditBoxCaretHome:
    case EventEditBoxCaretEnd:
    case EventEditBoxBackspace:
    case EventEditBoxDeleteChar:
    case EventEditBoxSend:
        system->EditBoxCommand(event.kind);
        break;
    case EventClearPageEditBoxes:
        system->ClearPageEditBoxes();
        break;
    case EventSendPageEditBoxes:
        system->SendPageEditBoxes();
        break;
    case EventFocusNextEditBox:
        system->FocusNextEditBox();
        break;
    case EventFocusPreviousEditBox:
        system->FocusPreviousEditBox();
        break;
    default:
        // 46 and 47 do nothing.
        break;
    }
}

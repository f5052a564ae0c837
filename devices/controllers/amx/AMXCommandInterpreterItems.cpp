// The commands that change items named by a text-address channel: texts, states, colours,
// alignments, icons, images, opacity, enabling and visibility.
#include "common/StringFunctions.h"
#include "devices/controllers/amx/AMXColor.h"
#include "devices/controllers/amx/AMXCommandInterpreter.h"
#include "devices/controllers/amx/AMXCommandKeyword.h"
#include "devices/controllers/amx/AMXHexText.h"

void CAMXCommandInterpreter::ExecuteItemTextCommand(int32_t keyword, uint16_t port, char* cursor)
{
    int32_t channel = Address(cursor, port);
    if (channel < 0)
        return;
    Skip(cursor);
    int32_t state = Number(cursor);
    Skip(cursor);
    bool hex = keyword == AmxUnicodeText || keyword == AmxAppendUnicodeText;
    bool append = keyword == AmxAppendText || keyword == AmxAppendUnicodeText;
    char16_t* text = hex ? HexToWide(cursor) : AnsiToWide(cursor);
    CDeviceEvent event = CDeviceEvent::Make(
        static_cast<uint32_t>(channel), append ? EventAppendItemText : EventSetItemText, StateWord(state));
    if (text)
        event.SetArgumentText(text);
    Post(event);
}

void CAMXCommandInterpreter::ExecuteOldTextCommand(int32_t keyword, uint16_t port, char* cursor)
{
    int32_t channel = -1;
    if (keyword == AmxTextShortOld)
    {
        // The address is the code of the one character after the keyword.
        uint8_t address = static_cast<uint8_t>(*cursor);
        channel = m_host.FindChannelId(address, kTextAddressClass, kTextAddressKind, port);
        Skip(cursor);
    }
    else
    {
        channel = Address(cursor, port);
        Skip(cursor);
    }
    if (channel < 0)
        return;
    PipeToNewline(cursor);
    CDeviceEvent event = CDeviceEvent::Make(static_cast<uint32_t>(channel), EventSetItemText, StateWord(0));
    if (char16_t* text = AnsiToWide(cursor))
        event.SetArgumentText(text);
    Post(event);
}

void CAMXCommandInterpreter::ExecuteItemCommand(int32_t keyword, uint16_t port, char* cursor)
{
    int32_t channel = Address(cursor, port);
    if (channel < 0)
        return;
    Skip(cursor);
    CDeviceEvent event = CDeviceEvent::Make(static_cast<uint32_t>(channel), EventNone);
    // The commands that take no state: a flag for the item as a whole.
    if (keyword == AmxEnable || keyword == AmxShow || keyword == AmxButtonMultiField)
    {
        int32_t flag = Number(cursor);
        if (keyword == AmxButtonMultiField)
            return;
        event.kind = keyword == AmxEnable ? EventSetItemEnabled : EventSetItemVisible;
        event.value = static_cast<uint32_t>(flag);
        Post(event);
        return;
    }
    int32_t state = Number(cursor);
    Skip(cursor);
    event.value = StateWord(state);
    switch (keyword)
    {
    case AmxAnimate:
    {
        int32_t last = Number(cursor);
        Skip(cursor);
        event.kind = EventSetItemState;
        event.argument = StateWord(last);
        event.second = static_cast<uint32_t>(Number(cursor));
        break;
    }
    case AmxBorderColor:
    case AmxFillColor:
    case AmxTextColor:
        event.kind = keyword == AmxBorderColor ? EventSetItemBorderColor
                     : keyword == AmxFillColor ? EventSetItemFillColor
                                               : EventSetItemTextColor;
        event.argument = ParseColor(&cursor);
        break;
    case AmxBitmapAlignment:
    case AmxIconAlignment:
    case AmxTextAlignment:
    case AmxIcon:
    case AmxOpacity:
        event.kind = keyword == AmxBitmapAlignment ? EventSetItemBitmapAlignment
                     : keyword == AmxIconAlignment ? EventSetItemIconAlignment
                     : keyword == AmxTextAlignment ? EventSetItemTextAlignment
                     : keyword == AmxIcon          ? EventSetItemIconById
                                                   : EventSetItemOpacity;
        event.argument = static_cast<uint32_t>(Number(cursor));
        break;
    case AmxBitmap:
        event.kind = EventSetItemBitmapByName;
        if (char* name = StrDup(cursor))
            event.SetArgumentText(name);
        break;
    default:
        return;
    }
    Post(event);
}

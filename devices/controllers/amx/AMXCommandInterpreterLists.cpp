// The list-box commands ("QVLB_"): the list box is named by a text-address channel; its rows by
// the ids the master gave them.
#include "common/StringFunctions.h"
#include "devices/controllers/amx/AMXColor.h"
#include "devices/controllers/amx/AMXCommandInterpreter.h"
#include "devices/controllers/amx/AMXCommandKeyword.h"
#include "devices/controllers/amx/AMXHexText.h"

void CAMXCommandInterpreter::ExecuteListCommand(int32_t keyword, uint16_t port, char* cursor)
{
    int32_t channel = Address(cursor, port);
    if (channel < 0)
        return;
    if (keyword == AmxListClear)
    {
        Post(CDeviceEvent::Make(static_cast<uint32_t>(channel), EventListBoxClear));
        return;
    }
    Skip(cursor);
    switch (keyword)
    {
    case AmxListResistance:
    case AmxListScrollBar:
    case AmxListIndent:
    {
        uint8_t kind = keyword == AmxListResistance  ? EventListBoxSetResistance
                       : keyword == AmxListScrollBar ? EventListBoxShowScrollBar
                                                     : EventListBoxSetIndent;
        Post(CDeviceEvent::Make(static_cast<uint32_t>(channel), kind, static_cast<uint32_t>(Number(cursor))));
        return;
    }
    case AmxListScrollColor:
        Post(CDeviceEvent::Make(static_cast<uint32_t>(channel), EventListBoxSetScrollColor,
                                ParseColor(&cursor)));
        return;
    case AmxListAdd:
    {
        // The command gives the first row id, then the count; the event carries the count as its
        // value and the first id as its argument, as the list box's operation takes them.
        int32_t first = Number(cursor);
        Skip(cursor);
        int32_t count = Number(cursor);
        Post(CDeviceEvent::Make(static_cast<uint32_t>(channel), EventListBoxAddRows,
                                static_cast<uint32_t>(count), static_cast<uint32_t>(first)));
        return;
    }
    case AmxListChannel:
        ExecuteListChannelCommand(channel, cursor);
        return;
    default:
        ExecuteListRowCommand(keyword, channel, cursor);
        return;
    }
}

void CAMXCommandInterpreter::ExecuteListRowCommand(int32_t keyword, int32_t channel, char* cursor)
{
    uint32_t row = static_cast<uint32_t>(Number(cursor));
    CDeviceEvent event = CDeviceEvent::Make(static_cast<uint32_t>(channel), EventNone, row);
    switch (keyword)
    {
    case AmxListSelect:
        Skip(cursor);
        event.kind = EventListBoxSelectRow;
        event.argument = static_cast<uint32_t>(Number(cursor));
        break;
    case AmxListText:
    case AmxListUnicode:
    {
        Skip(cursor);
        event.kind = EventListBoxSetRowText;
        char16_t* text = keyword == AmxListUnicode ? HexToWide(cursor) : AnsiToWide(cursor);
        if (text)
            event.SetArgumentText(text);
        break;
    }
    case AmxListBitmap:
        Skip(cursor);
        event.kind = EventListBoxSetRowBitmap;
        if (char* name = StrDup(cursor))
            event.SetArgumentText(name);
        break;
    case AmxListFlipClear:
        event.kind = EventListBoxClearRowFlips;
        break;
    case AmxListFlipAdd:
    {
        Skip(cursor);
        event.kind = EventListBoxAddRowFlip;
        event.argument = static_cast<uint32_t>(Number(cursor));
        Skip(cursor);
        if (char* text = StrDup(cursor))
            event.SetSecondText(text);
        break;
    }
    default:
        return;
    }
    Post(event);
}

void CAMXCommandInterpreter::ExecuteListChannelCommand(int32_t channel, char* cursor)
{
    uint32_t row = static_cast<uint32_t>(Number(cursor));
    Skip(cursor);
    int32_t port = Number(cursor);
    Skip(cursor);
    int32_t number = Number(cursor);
    // Ports and channel numbers are 16-bit on the link; a larger one names no channel.
    if (port > 0xFFFF || number > 0xFFFF)
        return;
    int32_t rowChannel =
        m_host.FindOrCreateLocalChannel(static_cast<uint32_t>(number), static_cast<uint16_t>(port));
    // No room for another local channel: the row keeps what it had.
    if (rowChannel < 0)
        return;
    // The row's channel address, so that pressing the row presses that channel.
    uint32_t address =
        static_cast<uint32_t>(m_host.GetDeviceId()) << 16 | (static_cast<uint32_t>(rowChannel) & 0xFFFF);
    Post(CDeviceEvent::Make(static_cast<uint32_t>(channel), EventListBoxSetRowChannel, row, address));
}

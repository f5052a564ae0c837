#include "devices/controllers/amx/AMXCommandInterpreter.h"

#include <memory>

#include "common/DynamicSpriteData.h"
#include "common/StringFunctions.h"
#include "devices/controllers/amx/AMXCommandKeyword.h"
#include "devices/controllers/amx/AMXResourceOptions.h"

CAMXCommandInterpreter::CAMXCommandInterpreter(CAMXCommandHost& host) : m_host(host) {}

void CAMXCommandInterpreter::Execute(uint16_t port, char* text)
{
    char* cursor = text;
    int32_t keyword = FindCommandKeyword(&cursor);
    switch (keyword)
    {
    case AmxPopupShow:
    case AmxPopupHide:
    case AmxPopupHideAll:
    case AmxPopupHideAllOnPage:
    case AmxPopupHideOnAllPages:
    case AmxPopupToggle:
    case AmxPopupGroupHide:
    case AmxPageShow:
    case AmxPopupShowOld:
    case AmxPopupHideOld:
    case AmxPopupToggleOld:
        ExecutePageCommand(keyword, cursor);
        break;
    case AmxResourceAdd:
    case AmxResourceModify:
    case AmxResourceRefresh:
        ExecuteResourceCommand(keyword, cursor);
        break;
    case AmxText:
    case AmxAppendText:
    case AmxUnicodeText:
    case AmxAppendUnicodeText:
        ExecuteItemTextCommand(keyword, port, cursor);
        break;
    case AmxTextShortOld:
    case AmxTextOld:
        ExecuteOldTextCommand(keyword, port, cursor);
        break;
    case AmxAnimate:
    case AmxButtonMultiField:
    case AmxBorderColor:
    case AmxFillColor:
    case AmxTextColor:
    case AmxBitmapAlignment:
    case AmxIconAlignment:
    case AmxTextAlignment:
    case AmxIcon:
    case AmxBitmap:
    case AmxOpacity:
    case AmxEnable:
    case AmxShow:
        ExecuteItemCommand(keyword, port, cursor);
        break;
    default:
        if (keyword >= AmxListClear && keyword <= AmxListFlipAdd)
            ExecuteListCommand(keyword, port, cursor);
        // Every other keyword is recognised and has no effect on this panel; so has a text that
        // matches none.
        break;
    }
}

int32_t CAMXCommandInterpreter::Number(char*& cursor)
{
    return NextInt(&cursor);
}

void CAMXCommandInterpreter::Skip(char*& cursor)
{
    if (*cursor)
        ++cursor;
}

uintptr_t CAMXCommandInterpreter::StateWord(int32_t state)
{
    // state is never negative (NextInt has no sign), so state - 1 cannot overflow.
    return static_cast<uint32_t>(state - 1);
}

int32_t CAMXCommandInterpreter::Address(char*& cursor, uint16_t port)
{
    int32_t address = Number(cursor);
    // A number beyond 16 bits names no channel; its low half must not pass for another address.
    if (address > 0xFFFF)
        return -1;
    return m_host.FindChannelId(static_cast<uint32_t>(address), kTextAddressClass, kTextAddressKind, port);
}

void CAMXCommandInterpreter::Post(const CDeviceEvent& event)
{
    m_host.PostCommandEvent(event);
}

void CAMXCommandInterpreter::ExecutePageCommand(int32_t keyword, char* cursor)
{
    CDeviceEvent event;
    switch (keyword)
    {
    case AmxPopupShow:
    case AmxPopupShowOld:
    case AmxPopupHide:
    case AmxPopupHideOld:
    case AmxPopupToggle:
    case AmxPopupToggleOld:
    {
        // Popup name up to ";", then the page name (none: the current page).
        std::unique_ptr<char[]> popup(NextToken(kSemicolonDelimiters, &cursor));
        std::unique_ptr<char[]> page(TakeRest(&cursor));
        bool show = keyword == AmxPopupShow || keyword == AmxPopupShowOld;
        bool hide = keyword == AmxPopupHide || keyword == AmxPopupHideOld;
        event.kind = show ? EventShowPopup : hide ? EventHidePopup : EventTogglePopup;
        if (popup)
            event.SetValueText(popup.release());
        if (page)
            event.SetArgumentText(page.release());
        Post(event);
        return;
    }
    case AmxPopupHideAll:
        event.kind = EventHideAllPopups;
        Post(event);
        return;
    case AmxPopupHideAllOnPage:
        Skip(cursor);
        event.kind = EventHideAllPopupsOnPage;
        break;
    case AmxPopupHideOnAllPages:
        event.kind = EventHidePopupOnAllPages;
        break;
    case AmxPopupGroupHide:
        event.kind = EventHidePopupGroup;
        break;
    case AmxPageShow:
        event.kind = EventShowPage;
        break;
    default:
        return;
    }
    // The rest of the text is the one name these take.
    if (char* rest = TakeRest(&cursor))
        event.SetValueText(rest);
    Post(event);
}

void CAMXCommandInterpreter::ExecuteResourceCommand(int32_t keyword, char* cursor)
{
    std::unique_ptr<char[]> name(NextToken(kCommaDelimiters, &cursor));
    // A dynamic image without a name is none that could be added, changed or refreshed.
    if (!name)
        return;
    CDeviceEvent event;
    if (keyword == AmxResourceRefresh)
    {
        event.kind = EventRefreshDynamicImage;
    }
    else
    {
        std::unique_ptr<CDynamicSpriteData> data = ParseResourceOptions(cursor);
        if (!data)
            return;
        event.kind = keyword == AmxResourceAdd ? EventAddDynamicImage : EventChangeDynamicImage;
        event.SetArgumentObject(data.release());
    }
    event.SetValueText(name.release());
    Post(event);
}

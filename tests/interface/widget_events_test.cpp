// Device events 32 to 58 as a device's drain delivers them: the list-box kinds on the list boxes
// bound to the address, the edit-box kinds on the focused edit box and those of the current page.
#include <gtest/gtest.h>

#include <functional>

#include "common/StringFunctions.h"
#include "devices/DeviceEvent.h"
#include "interface/DialogEditBox.h"
#include "interface/DialogListBox.h"
#include "interface/FlipCommand.h"
#include "support/WidgetTestSupport.h"

using buttontest::CButtonHarness;
using buttontest::Page;

namespace
{
constexpr uint16_t kChannel = 5;
constexpr uint32_t kAddress = 0x00010005; // device 1, channel 5

char16_t* Wide(const char16_t* text)
{
    return WStrDup(text);
}

struct Widgets
{
    CButtonHarness h;
    buttontest::CRecordingDevice* device = nullptr;
    CDialogListBox* list = nullptr;      // bound to the address, on the current page
    CDialogListBox* otherList = nullptr; // bound elsewhere
    CDialogListBox* popupList = nullptr; // bound, on a popup that is not shown
    CDialogEditBox* first = nullptr;
    CDialogEditBox* second = nullptr;
    CDialogEditBox* third = nullptr;

    bool Build()
    {
        if (!h.Ready())
            return false;
        device = h.AddDevice(1);
        PageRecordWriter::PopupRecord popup;
        popup.name = "Pop";
        popup.width = 200;
        popup.height = 200;
        popup.children = {widgettest::ListBox(widgettest::ListBoxRecord(30, 2, {kAddress}))};
        if (!h.Load({Page("Main", {widgettest::ListBox(widgettest::ListBoxRecord(30, 3, {kAddress})),
                                   widgettest::ListBox(widgettest::ListBoxRecord(30, 3, {0x00010006})),
                                   widgettest::EditBox("A", {kAddress}, 10),
                                   widgettest::EditBox("B", {}, 150), widgettest::EditBox("C", {}, 300)})},
                    {popup}))
            return false;
        list = static_cast<CDialogListBox*>(h.Child(0));
        otherList = static_cast<CDialogListBox*>(h.Child(1));
        first = static_cast<CDialogEditBox*>(h.Child(2));
        second = static_cast<CDialogEditBox*>(h.Child(3));
        third = static_cast<CDialogEditBox*>(h.Child(4));
        popupList = static_cast<CDialogListBox*>(h.PopupChild("Pop", 0));
        return list && otherList && popupList && first && second && third;
    }

    void Post(CDeviceEvent event)
    {
        device->PostEvent(event);
        device->DispatchEvents();
    }
};

struct EventCase
{
    const char* name;
    std::function<void(Widgets&)> arrange;
    std::function<CDeviceEvent()> event;
    std::function<void(Widgets&)> check;
};

CDeviceEvent Plain(uint8_t kind, uintptr_t value = 0, uintptr_t argument = 0)
{
    return CDeviceEvent::Make(kChannel, kind, value, argument);
}

void Nothing(Widgets&) {}

void Typed(Widgets& w, const char16_t* text, uint32_t caret)
{
    w.first->InsertText(text);
    while (w.first->GetCaret() > caret)
        w.first->CaretLeft();
}

const EventCase kCases[] = {
    {"32 clears the bound list boxes, popups included", Nothing, [] { return Plain(EventListBoxClear); },
     [](Widgets& w)
     {
         EXPECT_EQ(w.list->GetRowCount(), 0);
         EXPECT_EQ(w.popupList->GetRowCount(), 0);
         EXPECT_EQ(w.otherList->GetRowCount(), 3);
         EXPECT_EQ(w.list->GetContentSize(), 0);
     }},
    {"33 adds the missing rows of ids first to first + count - 1", Nothing,
     [] { return Plain(EventListBoxAddRows, 4, 2); },
     [](Widgets& w)
     {
         ASSERT_EQ(w.list->GetRowCount(), 6);
         EXPECT_EQ(w.list->GetRow(5)->id, 5u);
         EXPECT_EQ(w.otherList->GetRowCount(), 3);
     }},
    {"34 sets the deceleration", Nothing, [] { return Plain(EventListBoxSetResistance, 900); },
     [](Widgets& w) { EXPECT_EQ(w.list->GetDeceleration(), 900); }},
    {"35 sets the scroll-bar colour", Nothing, [] { return Plain(EventListBoxSetScrollColor, 0x11223344); },
     [](Widgets& w) { EXPECT_EQ(w.list->GetScrollColor(), 0x11223344u); }},
    {"36 hides the scroll bar", Nothing, [] { return Plain(EventListBoxShowScrollBar, 0); },
     [](Widgets& w) { EXPECT_EQ(w.list->m_flags & ItemFlagScrollBarShown, 0u); }},
    {"37 sets the indent", Nothing, [] { return Plain(EventListBoxSetIndent, 12); },
     [](Widgets& w) { EXPECT_EQ(w.list->GetIndent(), 12); }},
    {"38 selects a row by id", Nothing, [] { return Plain(EventListBoxSelectRow, 1, 5); },
     [](Widgets& w)
     {
         EXPECT_EQ(w.list->GetRow(1)->selected, 1);
         EXPECT_EQ(w.list->GetRow(0)->selected, 0);
     }},
    {"39 gives the row one key", Nothing, [] { return Plain(EventListBoxSetRowChannel, 2, 0x00010009); },
     [](Widgets& w) { EXPECT_EQ(w.list->GetRow(2)->keys, std::vector<uint32_t>{0x00010009}); }},
    {"40 sets the row text", Nothing,
     []
     {
         CDeviceEvent event = Plain(EventListBoxSetRowText, 0);
         event.SetArgumentText(Wide(u"Jazz"));
         return event;
     },
     [](Widgets& w) { EXPECT_EQ(std::u16string(w.list->GetRow(0)->text), u"Jazz"); }},
    {"41 with a name no image has sets image 0", [](Widgets& w) { w.list->SetRowBitmap(0, 44); },
     []
     {
         CDeviceEvent event = Plain(EventListBoxSetRowBitmap, 0);
         event.SetArgumentText(StrDup("nosuchimage"));
         return event;
     },
     [](Widgets& w) { EXPECT_EQ(w.list->GetRow(0)->imageId, 0u); }},
    {"42 empties the row's flips", [](Widgets& w) { w.list->AddRowFlip(1, FlipShowPage, "Main"); },
     [] { return Plain(EventListBoxClearRowFlips, 1); },
     [](Widgets& w)
     {
         ASSERT_NE(w.list->GetRow(1)->flips, nullptr);
         EXPECT_EQ(w.list->GetRow(1)->flips->GetCount(), 0);
     }},
    {"43 appends a flip to the row", Nothing,
     []
     {
         CDeviceEvent event = Plain(EventListBoxAddRowFlip, 1, FlipShowPopup);
         event.SetSecondText(StrDup("Pop"));
         return event;
     },
     [](Widgets& w)
     {
         ASSERT_EQ(w.list->GetRow(1)->flips->GetCount(), 1);
         auto* flip = w.list->GetRow(1)->flips->Get<CFlipCommand>(0);
         EXPECT_EQ(flip->GetType(), FlipShowPopup);
         EXPECT_STREQ(flip->GetText(), "Pop");
     }},
    {"44 empties the focused edit box", [](Widgets& w) { Typed(w, u"abc", 3); },
     [] { return Plain(EventClearFocusedEditBox); },
     [](Widgets& w)
     {
         EXPECT_TRUE(w.first->GetText().empty());
         EXPECT_EQ(w.first->GetCaret(), 0u);
     }},
    {"45 inserts at the caret", [](Widgets& w) { Typed(w, u"ac", 1); },
     []
     {
         CDeviceEvent event = Plain(EventEditBoxInsertText);
         event.SetValueText(Wide(u"b"));
         return event;
     },
     [](Widgets& w)
     {
         EXPECT_EQ(w.first->GetText(), u"abc");
         EXPECT_EQ(w.first->GetCaret(), 2u);
     }},
    {"46 does nothing", [](Widgets& w) { Typed(w, u"ab", 1); }, [] { return Plain(EventEditBoxKey46); },
     [](Widgets& w)
     {
         EXPECT_EQ(w.first->GetText(), u"ab");
         EXPECT_EQ(w.first->GetCaret(), 1u);
     }},
    {"47 does nothing", [](Widgets& w) { Typed(w, u"ab", 1); }, [] { return Plain(EventEditBoxKey47); },
     [](Widgets& w) { EXPECT_EQ(w.first->GetCaret(), 1u); }},
    {"48 moves the caret left", [](Widgets& w) { Typed(w, u"abc", 2); },
     [] { return Plain(EventEditBoxCaretLeft); }, [](Widgets& w) { EXPECT_EQ(w.first->GetCaret(), 1u); }},
    {"49 moves the caret right", [](Widgets& w) { Typed(w, u"abc", 2); },
     [] { return Plain(EventEditBoxCaretRight); }, [](Widgets& w) { EXPECT_EQ(w.first->GetCaret(), 3u); }},
    {"50 puts the caret home", [](Widgets& w) { Typed(w, u"abc", 2); },
     [] { return Plain(EventEditBoxCaretHome); }, [](Widgets& w) { EXPECT_EQ(w.first->GetCaret(), 0u); }},
    {"51 puts the caret at the end", [](Widgets& w) { Typed(w, u"abc", 1); },
     [] { return Plain(EventEditBoxCaretEnd); }, [](Widgets& w) { EXPECT_EQ(w.first->GetCaret(), 3u); }},
    {"52 deletes before the caret", [](Widgets& w) { Typed(w, u"abc", 2); },
     [] { return Plain(EventEditBoxBackspace); },
     [](Widgets& w)
     {
         EXPECT_EQ(w.first->GetText(), u"ac");
         EXPECT_EQ(w.first->GetCaret(), 1u);
     }},
    {"53 deletes at the caret", [](Widgets& w) { Typed(w, u"abc", 1); },
     [] { return Plain(EventEditBoxDeleteChar); },
     [](Widgets& w)
     {
         EXPECT_EQ(w.first->GetText(), u"ac");
         EXPECT_EQ(w.first->GetCaret(), 1u);
     }},
    {"54 sends the focused box", [](Widgets& w) { Typed(w, u"hi", 2); },
     [] { return Plain(EventEditBoxSend); },
     [](Widgets& w)
     {
         EXPECT_EQ(w.h.log.Joined(), "1 bytes A-hi");
         EXPECT_TRUE(w.first->GetText().empty());
     }},
    {"55 empties every edit box of the page",
     [](Widgets& w)
     {
         w.first->InsertText(u"a");
         w.second->InsertText(u"b");
     },
     [] { return Plain(EventClearPageEditBoxes); },
     [](Widgets& w)
     {
         EXPECT_TRUE(w.first->GetText().empty());
         EXPECT_TRUE(w.second->GetText().empty());
     }},
    {"56 sends every edit box of the page; only one with an address reaches a device",
     [](Widgets& w)
     {
         w.first->InsertText(u"a");
         w.second->InsertText(u"b");
     },
     [] { return Plain(EventSendPageEditBoxes); },
     [](Widgets& w)
     {
         EXPECT_EQ(w.h.log.Joined(), "1 bytes A-a");
         EXPECT_TRUE(w.second->GetText().empty());
     }},
    {"57 focuses the next edit box", Nothing, [] { return Plain(EventFocusNextEditBox); },
     [](Widgets& w) { EXPECT_EQ(w.h.System()->GetFocusedEditBox(), w.second); }},
    {"57 wraps to the first", [](Widgets& w) { w.h.System()->SetFocusedEditBox(w.third); },
     [] { return Plain(EventFocusNextEditBox); },
     [](Widgets& w) { EXPECT_EQ(w.h.System()->GetFocusedEditBox(), w.first); }},
    {"58 wraps to the last", Nothing, [] { return Plain(EventFocusPreviousEditBox); },
     [](Widgets& w) { EXPECT_EQ(w.h.System()->GetFocusedEditBox(), w.third); }},
    {"58 focuses the previous edit box", [](Widgets& w) { w.h.System()->SetFocusedEditBox(w.third); },
     [] { return Plain(EventFocusPreviousEditBox); },
     [](Widgets& w) { EXPECT_EQ(w.h.System()->GetFocusedEditBox(), w.second); }},
};

void PrintTo(const EventCase& c, std::ostream* os)
{
    *os << c.name;
}

class WidgetEvent : public ::testing::TestWithParam<EventCase>
{
};
} // namespace

TEST_P(WidgetEvent, DoesWhatItsKindSays)
{
    const EventCase& c = GetParam();
    SCOPED_TRACE(c.name);
    Widgets w;
    ASSERT_TRUE(w.Build());
    ASSERT_EQ(w.h.System()->GetFocusedEditBox(), w.first);
    c.arrange(w);
    w.h.log.Clear();
    w.Post(c.event());
    c.check(w);
}

INSTANTIATE_TEST_SUITE_P(Kinds32To58, WidgetEvent, ::testing::ValuesIn(kCases));

TEST(WidgetEvents, EditBoxKindsWithoutAFocusDoNothingAndFreeTheirText)
{
    Widgets w;
    ASSERT_TRUE(w.Build());
    w.h.System()->SetFocusedEditBox(nullptr);
    CDeviceEvent insert = Plain(EventEditBoxInsertText);
    insert.SetValueText(Wide(u"lost"));
    w.Post(insert);
    for (uint8_t kind = EventClearFocusedEditBox; kind <= EventFocusPreviousEditBox; kind++)
        w.Post(Plain(kind));
    EXPECT_TRUE(w.first->GetText().empty());
    EXPECT_EQ(w.h.System()->GetFocusedEditBox(), nullptr);
}

TEST(WidgetEvents, ListBoxKindsWithANumberWhereATextBelongsChangeNothingHarmful)
{
    Widgets w;
    ASSERT_TRUE(w.Build());
    w.Post(Plain(EventListBoxSetRowText, 0, 0x1234)); // a number, not a text: the row loses its text
    EXPECT_EQ(w.list->GetRow(0)->text, nullptr);
    w.Post(Plain(EventListBoxAddRowFlip, 0, FlipShowPage)); // no text
    EXPECT_EQ(w.list->GetRow(0)->flips->GetCount(), 1);
    w.Post(Plain(EventListBoxSelectRow, 99, 1)); // no such row
    EXPECT_EQ(w.list->GetRowCount(), 3);
}

TEST(WidgetEvents, AddRowsFromAPeerIsCapped)
{
    Widgets w;
    ASSERT_TRUE(w.Build());
    w.Post(Plain(EventListBoxAddRows, 0xFFFFFFFFu, 0));
    EXPECT_EQ(w.list->GetRowCount(), CDialogListBox::kMaxRows);
}

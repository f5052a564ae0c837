// Pointer dispatch and item-to-device commands: hit testing and capture, moves clamped to the held
// item, releases that run the item's flips, and commands that reach the first device of an id
// with the echo of every value sent.
#include <gtest/gtest.h>

#include "common/Vector.h"
#include "interface/DialogItemState.h"
#include "interface/FlipCommand.h"
#include "interface/ItemToDevice.h"
#include "support/ButtonTestSupport.h"

using buttontest::Button;
using buttontest::CButtonHarness;
using buttontest::Page;

namespace
{
// An item that records the pointer events it is given: "kind x y".
class CRecordingItem : public CDialogItem
{
public:
    CRecordingItem(CDialogItem* parent, const ItemRect& rect) : CDialogItem(0, parent, &rect)
    {
        AddState(new CDialogItemState(this));
    }
    bool OnMouse(int32_t kind, int32_t x, int32_t y) override
    {
        events.push_back(std::to_string(kind) + " " + std::to_string(x) + " " + std::to_string(y));
        return CDialogItem::OnMouse(kind, x, y);
    }
    std::vector<std::string> events;
};

std::string Join(const std::vector<std::string>& parts)
{
    std::string text;
    for (const auto& part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

PageRecordWriter::PopupRecord Popup(const char* name,
                                    std::vector<PageRecordWriter::ChildRecord> children = {})
{
    PageRecordWriter::PopupRecord popup;
    popup.name = name;
    popup.x = 400;
    popup.y = 300;
    popup.width = 200;
    popup.height = 150;
    popup.state.fillColor = 0x404040FF;
    popup.children = std::move(children);
    return popup;
}

PageRecordWriter::ChildRecord WithFlips(PageRecordWriter::ChildRecord child,
                                        std::vector<ItemRecordWriter::FlipRecord> flips)
{
    child.item.flipCommands = std::move(flips);
    return child;
}

class Dispatch : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_h.Ready()); }

    // The current page with a recording item at (100, 100), 100 x 50.
    CRecordingItem* AddRecordingItem()
    {
        auto* page = static_cast<CDialogPopup*>(m_h.System()->GetCurrentPage());
        auto* item = new CRecordingItem(page, ItemRect{100, 100, 100, 50});
        page->AddChild(item);
        return item;
    }

    CButtonHarness m_h;
};

TEST_F(Dispatch, PressOutsideThePageTakesNoCaptureAndLaterEventsDoNothing)
{
    ASSERT_TRUE(m_h.Load({Page("Main")}));
    CRecordingItem* item = AddRecordingItem();
    m_h.Press(-5, -5);
    EXPECT_EQ(m_h.System()->GetHeldItem(), nullptr);
    m_h.Move(150, 125);
    m_h.Release(150, 125);
    EXPECT_TRUE(item->events.empty());
    EXPECT_EQ(m_h.System()->GetHeldItem(), nullptr);
}

TEST_F(Dispatch, MovesAreClampedToTheHeldItemAndTheReleaseIsNot)
{
    ASSERT_TRUE(m_h.Load({Page("Main"), Page("Other")}));
    CRecordingItem* item = AddRecordingItem();
    item->m_flipCommands->Add(new CFlipCommand(FlipShowPage, "Other"));
    m_h.Press(110, 120);
    EXPECT_EQ(m_h.System()->GetHeldItem(), item);
    // A second press while one is held is ignored.
    m_h.Press(120, 120);
    m_h.Move(600, 10);
    m_h.Move(20, 400);
    m_h.Move(130, 140);
    m_h.Release(600, 470);
    EXPECT_EQ(Join(item->events), "2 10 20, 0 100 0, 0 0 50, 0 30 40, 1 500 370");
    EXPECT_EQ(m_h.System()->GetHeldItem(), nullptr);
    EXPECT_STREQ(m_h.CurrentPageName(), "Other");
    EXPECT_EQ(m_h.System()->GetPointerX(), 600);
    EXPECT_EQ(m_h.System()->GetPointerY(), 470);
}

TEST_F(Dispatch, ReleaseAtTheLastPositionIgnoresThePointGivenAndRunsTheFlips)
{
    ASSERT_TRUE(m_h.Load({Page("Main"), Page("Other")}));
    CRecordingItem* item = AddRecordingItem();
    item->m_flipCommands->Add(new CFlipCommand(FlipShowPage, "Other"));
    m_h.Press(110, 120);
    m_h.Move(130, 140);
    EXPECT_TRUE(m_h.System()->DispatchPointer(ItemMouseForcedRelease, 700, 500));
    EXPECT_EQ(Join(item->events), "2 10 20, 0 30 40, 3 30 40");
    EXPECT_EQ(m_h.System()->GetPointerX(), 130);
    EXPECT_EQ(m_h.System()->GetPointerY(), 140);
    EXPECT_EQ(m_h.System()->GetHeldItem(), nullptr);
    EXPECT_STREQ(m_h.CurrentPageName(), "Other");
}

TEST_F(Dispatch, HiddenOrDisabledItemTakesTheCaptureAndStillRunsItsFlips)
{
    PageRecordWriter::ChildRecord hidden =
        WithFlips(Button(CDialogPopup::ChildButton, 0, {0x00010001}), {{1, "Other"}});
    hidden.hidden = 1;
    PageRecordWriter::ChildRecord disabled =
        WithFlips(Button(CDialogPopup::ChildButton, 0, {0x00010002}, 2, 300, 100), {{1, "Main"}});
    disabled.disabled = 1;
    m_h.AddDevice(1);
    ASSERT_TRUE(m_h.Load({Page("Main", {hidden, disabled}), Page("Other", {disabled})}));
    m_h.Press(150, 125);
    EXPECT_NE(m_h.System()->GetHeldItem(), nullptr);
    m_h.Release(150, 125);
    EXPECT_STREQ(m_h.CurrentPageName(), "Other");
    m_h.Click(350, 125);
    EXPECT_STREQ(m_h.CurrentPageName(), "Main");
    EXPECT_EQ(m_h.log.Joined(), "");
}

TEST_F(Dispatch, TouchOnAShownPopupReachesItsChildNotThePageBelow)
{
    m_h.AddDevice(1);
    ASSERT_TRUE(m_h.Load({Page("Main", {Button(CDialogPopup::ChildButton, 0, {0x00010001}, 2, 420, 320)})},
                         {Popup("Keys", {Button(CDialogPopup::ChildButton, 0, {0x00010002}, 2, 20, 20)})}));
    m_h.Click(470, 345);
    m_h.System()->ShowPopup("Keys", nullptr);
    m_h.Click(470, 345);
    EXPECT_EQ(m_h.log.Joined(), "1 press 1, 1 release 1, 1 press 2, 1 release 2");
}

TEST_F(Dispatch, FlipListsRunInOrder)
{
    struct Case
    {
        std::vector<ItemRecordWriter::FlipRecord> flips;
        const char* page;
        const char* shownOnPage; // popups shown on that page, "" for none
    };
    const Case cases[] = {
        {{{1, "Other"}, {3, "Keys"}}, "Other", "Keys"},
        {{{3, "Keys"}, {1, "Other"}}, "Other", ""},
        {{{1, "Other"}, {2, nullptr}}, "Main", ""},
        {{{3, "Keys"}, {5, "Keys"}}, "Main", ""},
        {{{3, "Keys"}, {4, "Keys"}, {5, "Keys"}}, "Main", "Keys"},
        {{{3, "Keys"}, {8, nullptr}}, "Main", ""},
        {{{3, "Keys"}, {7, nullptr}}, "Main", ""},
        {{{3, "Keys"}, {6, "Pads"}}, "Main", ""},
        {{{1, "Nowhere"}, {9, "Other"}, {3, "Keys"}}, "Main", "Keys"},
    };
    for (const Case& c : cases)
    {
        CButtonHarness h;
        ASSERT_TRUE(h.Ready());
        PageRecordWriter::PopupRecord keys = Popup("Keys");
        keys.group = "Pads";
        ASSERT_TRUE(
            h.Load({Page("Main", {WithFlips(Button(CDialogPopup::ChildButton, 0), c.flips)}), Page("Other")},
                   {keys}));
        h.Click(150, 125);
        EXPECT_STREQ(h.CurrentPageName(), c.page);
        std::string shown;
        CDialogPage* page = h.System()->GetPageObject(h.System()->FindPageByName(c.page));
        for (int32_t i = 0; page && i < page->GetShownCount(); i++)
            shown += h.System()->GetPopup(page->GetShownAt(i))->m_name;
        EXPECT_EQ(shown, c.shownOnPage) << "first flip type " << int(c.flips[0].type);
        EXPECT_TRUE(h.System()->IsRunning());
    }
}

TEST_F(Dispatch, QuitFlipStopsTheRunAtTheRelease)
{
    ASSERT_TRUE(m_h.Load({Page("Main", {WithFlips(Button(CDialogPopup::ChildButton, 0), {{10, nullptr}})})}));
    m_h.Press(150, 125);
    EXPECT_TRUE(m_h.System()->IsRunning());
    m_h.Release(150, 125);
    EXPECT_FALSE(m_h.System()->IsRunning());
}

TEST_F(Dispatch, HeldItemStateIsReportedWhileHeld)
{
    ASSERT_TRUE(m_h.Load({Page("Main", {Button(CDialogPopup::ChildButton, 4)})}));
    EXPECT_EQ(m_h.System()->GetHeldItemState(), 0);
    m_h.Press(150, 125);
    m_h.Run(5);
    EXPECT_EQ(m_h.System()->GetHeldItemState(), 1);
    m_h.Release(150, 125);
    EXPECT_EQ(m_h.System()->GetHeldItemState(), 0);
}

TEST_F(Dispatch, DriversSeeTheHeldItemsIdAndTextThroughTheirSink)
{
    ASSERT_TRUE(m_h.Load({Page("Main", {Button(CDialogPopup::ChildButton, 4)})}));
    CDeviceEventSink* sink = m_h.System();
    std::u16string text;
    EXPECT_EQ(sink->GetHeldItemId(), 0u);
    EXPECT_FALSE(sink->GetHeldItemText(text));
    m_h.Press(150, 125);
    m_h.Run(5);
    CDialogItem* held = m_h.System()->GetHeldItem();
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(sink->GetHeldItemState(), held->GetState());
    EXPECT_EQ(sink->GetHeldItemId(), held->m_id);
    CDialogItemState* state = held->GetCurrentState();
    const bool hasText = state && state->m_text;
    EXPECT_EQ(sink->GetHeldItemText(text), hasText);
    if (hasText)
    {
        EXPECT_EQ(text, std::u16string(state->m_text));
    }
    m_h.Release(150, 125);
    EXPECT_EQ(sink->GetHeldItemId(), 0u);
}

// ---- Item to device ---------------------------------------------------------------------------

TEST_F(Dispatch, EachAddressReachesTheFirstDeviceOfItsId)
{
    struct Case
    {
        std::vector<std::pair<uint16_t, const char*>> devices;
        const char* expected;
    };
    const Case cases[] = {
        {{{1, "A"}, {2, "B"}}, "A press 5, B press 1, A release 5, B release 1"},
        {{{2, "B"}, {1, "A"}}, "A press 5, B press 1, A release 5, B release 1"},
        {{{1, "A"}}, "A press 5, A release 5"},
        {{{1, "A"}, {1, "A2"}, {2, "B"}}, "A press 5, B press 1, A release 5, B release 1"},
        {{{3, "C"}}, ""},
        {{}, ""},
    };
    for (const Case& c : cases)
    {
        CButtonHarness h;
        ASSERT_TRUE(h.Ready());
        for (const auto& [id, tag] : c.devices)
            h.AddDevice(id, tag);
        ASSERT_TRUE(h.Load({Page("Main", {Button(CDialogPopup::ChildButton, 0, {0x00010005, 0x00020001})})}));
        h.Click(150, 125);
        EXPECT_EQ(h.log.Joined(), c.expected);
    }
}

TEST_F(Dispatch, WithoutADeviceListNothingIsSent)
{
    ASSERT_TRUE(m_h.Load({Page("Main", {Button(CDialogPopup::ChildButton, 4, {0x00010005})})}));
    CVector* published = g_pDeviceList;
    g_pDeviceList = nullptr;
    m_h.Press(150, 125);
    m_h.Run(10);
    m_h.Release(150, 125);
    g_pDeviceList = published;
    EXPECT_EQ(m_h.log.Joined(), "");
}

TEST_F(Dispatch, SentValuesAreEchoedToEveryItemOfTheAddressOnlyWhenADeviceTookThem)
{
    for (bool withDevice : {true, false})
    {
        CButtonHarness h;
        ASSERT_TRUE(h.Ready());
        if (withDevice)
            h.AddDevice(1);
        h.AddDevice(2);
        PageRecordWriter::ChildRecord trigger = Button(CDialogPopup::ChildTriggerButton, 0, {0x00010005});
        trigger = ButtonRecordWriter::ValueButton(CButtonHarness::kVersion, CDialogPopup::ChildTriggerButton,
                                                  0, 0, 1, trigger.item);
        PageRecordWriter::ChildRecord follower =
            Button(CDialogPopup::ChildButton, 1, {0x00010005}, 2, 300, 100);
        PageRecordWriter::ChildRecord elsewhere =
            Button(CDialogPopup::ChildButton, 1, {0x00020005}, 2, 300, 200);
        PageRecordWriter::ChildRecord onPopup = Button(CDialogPopup::ChildButton, 1, {0x00010005}, 2, 10, 10);
        PageRecordWriter::PageRecord other =
            Page("Other", {Button(CDialogPopup::ChildButton, 1, {0x00010005})});
        other.addresses = {0x00010005};
        ASSERT_TRUE(
            h.Load({Page("Main", {trigger, follower, elsewhere}), other}, {Popup("Keys", {onPopup})}));
        h.Click(150, 125);
        float expected = withDevice ? 1.0f : 0.0f;
        EXPECT_EQ(h.Child(0)->GetValue(), 1.0f); // the trigger keeps what it set
        EXPECT_EQ(h.Child(1)->GetValue(), expected);
        EXPECT_EQ(h.Child(1)->GetState(), withDevice ? 1 : 0);
        EXPECT_EQ(h.Child(2)->GetValue(), 0.0f);
        CDialogPopup* otherPage = h.System()->GetPageObject(h.System()->FindPageByName("Other"));
        EXPECT_EQ(otherPage->GetChild(0)->GetValue(), expected);
        EXPECT_EQ(otherPage->GetValue(), expected);
        EXPECT_EQ(h.PopupChild("Keys", 0)->GetValue(), expected);
    }
}

TEST_F(Dispatch, ChannelFormsAndBytes)
{
    m_h.AddDevice(1);
    m_h.AddDevice(2);
    ASSERT_TRUE(m_h.Load({Page("Main", {Button(CDialogPopup::ChildButton, 1, {0x00020003, 0x00010004}),
                                        Button(CDialogPopup::ChildButton, 1, {0x00010009}, 2, 300, 100),
                                        Button(CDialogPopup::ChildButton, 0, {}, 2, 300, 200)})}));
    PressChannel(0x00010009);
    ReleaseChannel(0x00010009);
    HoldChannel(0x00010009, 25);
    SendChannelValue(0x00010009, 2.5f);
    SendChannelValue(0x00030009, 3.5f); // no device 3: not sent, not echoed
    const uint8_t bytes[] = {'o', 'n'};
    SendItemBytes(m_h.Child(0), bytes, 2);
    SendItemBytes(m_h.Child(2), bytes, 2);
    HoldItemChannels(m_h.Child(0), 40);
    SendItemValue(m_h.Child(0), 6);
    EXPECT_EQ(m_h.log.Joined(), "1 press 9, 1 release 9, 1 hold 9 25, 1 set 9 2.5, 2 bytes on, 2 hold 3 40, "
                                "1 hold 4 40, 2 set 3 6, 1 set 4 6");
    EXPECT_EQ(m_h.Child(1)->GetValue(), 2.5f);
}

TEST_F(Dispatch, PressAndReleaseRestartOnlyEndedSequences)
{
    ASSERT_TRUE(m_h.Load({Page("Main", {Button(CDialogPopup::ChildButton, 0)})}));
    CDialogItem* item = m_h.Child(0);
    struct Case
    {
        uint8_t next;
        uint8_t count;
        uint8_t after;
    };
    const Case cases[] = {{2, 2, 0}, {1, 2, 1}, {0, 0, 0}, {3, 3, 0}};
    for (const Case& c : cases)
    {
        item->m_pressSequence.nextIndex = c.next;
        item->m_pressSequence.count = c.count;
        item->m_releaseSequence.nextIndex = c.next;
        item->m_releaseSequence.count = c.count;
        item->m_holdSequence.heldMs = 500;
        PressItemChannels(item);
        EXPECT_EQ(item->m_pressSequence.nextIndex, c.after);
        EXPECT_EQ(item->m_releaseSequence.nextIndex, c.next);
        EXPECT_EQ(item->m_holdSequence.heldMs, 0u);
        item->m_holdSequence.heldMs = 500;
        ReleaseItemChannelsWithValue(item, 1);
        EXPECT_EQ(item->m_releaseSequence.nextIndex, c.after);
        EXPECT_EQ(item->m_holdSequence.heldMs, 0u);
    }
}
} // namespace

// Pages and popups: their records, hit testing, drawing within the dirty rectangles and auto-hide.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "interface/DialogItemState.h"
#include "interface/DialogPage.h"
#include "platform/Clock.h"
#include "support/LoaderTestSupport.h"

using loadertest::CBackEndHarness;
using loadertest::FilledChild;
using loadertest::Page;
using loadertest::Popup;
using loadertest::ShownPopups;

namespace
{
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kWhite = 0xFFFFFF;

class Pages : public ::testing::Test
{
protected:
    void Load(const std::vector<PageRecordWriter::PageRecord>& pages,
              const std::vector<PageRecordWriter::PopupRecord>& popups, std::vector<const char*> startup = {})
    {
        ASSERT_TRUE(m_harness.Ready());
        m_harness.Begin(loadertest::Interface(CInterfaceFileWriter::kCurrentVersion, 0, pages[0].name,
                                              startup, pages, popups));
        m_harness.LoadAll();
    }

    CDialogItem* Hit(int32_t x, int32_t y) { return System()->GetCurrentPage()->HitTest(x, y); }
    static std::string Name(CDialogItem* item)
    {
        return item ? (item->m_name ? item->m_name : "(unnamed)") : "(none)";
    }
    CGDIDialogSystem* System() { return m_harness.System(); }
    CDialogPopup* PopupNamed(const char* name)
    {
        return System()->GetPopupObject(System()->FindPopupByName(name));
    }

    CBackEndHarness m_harness;
};

TEST_F(Pages, HitTestFindsTheTopmostThingUnderThePoint)
{
    Load(
        {Page("Main", 0xFF0000FF,
              {FilledChild("Under", 0, 0, 200, 200, 0xFFFFFFFF), FilledChild("A", 300, 0, 50, 50, 0xFFFFFFFF),
               FilledChild("B", 325, 25, 50, 50, 0xFFFFFFFF)})},
        {Popup("Over", nullptr, 50, 50, 100, 100, 0x0000FFFF,
               {FilledChild("Knob", 10, 10, 20, 20, 0xFFFFFFFF)})},
        {"Over"});
    struct Case
    {
        int32_t x, y;
        const char* expected;
    } cases[] = {
        {65, 65, "Knob"},                       // a child of the popup, in popup coordinates
        {100, 100, "Over"},                     // the popup's background hides the page item under it
        {20, 20, "Under"},  {330, 30, "B"},     // of two overlapping children the later one
        {310, 10, "A"},     {500, 400, "Main"}, // nothing else: the page itself
        {50, 60, "Under"},                      // the popup's left edge is not inside it
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, Name(Hit(c.x, c.y))) << c.x << "," << c.y;
    System()->HidePopup("Over", nullptr);
    EXPECT_EQ("Under", Name(Hit(100, 100)));
}

TEST_F(Pages, ATouchOnAPopupsBackgroundNeverReachesTheButtonBelow)
{
    auto under = FilledChild("Under", 0, 0, 200, 200, 0xFFFFFFFF);
    under.item.flipCommands.push_back({1, "Other"});
    auto knob = FilledChild("Knob", 10, 10, 20, 20, 0xFFFFFFFF);
    knob.item.flipCommands.push_back({1, "Other"});
    Load({Page("Main", 0xFF0000FF, {under}), Page("Other", 0x00FF00FF)},
         {Popup("Over", nullptr, 50, 50, 100, 100, 0x0000FFFF, {knob})}, {"Over"});
    CDialogItem* button = System()->GetPageObject(System()->FindPageByName("Main"))->GetChild(0);

    // Press and release on the popup's background, above the page's button.
    System()->DispatchPointer(2, 120, 120);
    EXPECT_NE(button, System()->GetHeldItem());
    System()->DispatchPointer(1, 120, 120);
    EXPECT_STREQ("Main", m_harness.CurrentPageName());

    // Beside the popup the button takes the touch; inside it, the popup's own button does.
    System()->DispatchPointer(2, 20, 20);
    EXPECT_EQ(button, System()->GetHeldItem());
    System()->DispatchPointer(1, 20, 20);
    EXPECT_STREQ("Other", m_harness.CurrentPageName());
    System()->GoBack();
    System()->DispatchPointer(2, 65, 65);
    System()->DispatchPointer(1, 65, 65);
    EXPECT_STREQ("Other", m_harness.CurrentPageName());
}

TEST_F(Pages, DrawingStaysInsideTheRectangleBeingPainted)
{
    Load({Page("Main", 0xFF0000FF)}, {Popup("Over", nullptr, 50, 50, 100, 100, 0x0000FFFF)}, {"Over"});
    m_harness.Flush();
    EXPECT_EQ(kRed, m_harness.Pixel(10, 10));
    EXPECT_EQ(kBlue, m_harness.Pixel(60, 60));
    EXPECT_EQ(kBlue, m_harness.Pixel(149, 149));
    EXPECT_EQ(kRed, m_harness.Pixel(150, 150));

    // A new look that only a small rectangle is painted with: the rest keeps the old pixels.
    CDialogPopup* over = PopupNamed("Over");
    over->GetStateAt(0)->m_fillColor = 0x00FF00FF;
    over->m_flags |= ItemFlagNeedsRender;
    System()->Paint(DialogRect{60, 60, 70, 70});
    EXPECT_EQ(kGreen, m_harness.Pixel(65, 65));
    EXPECT_EQ(kBlue, m_harness.Pixel(75, 75));
    EXPECT_EQ(kBlue, m_harness.Pixel(59, 59));

    // A rectangle that reaches past the popup paints the page around it, not the popup.
    System()->GetCurrentPage()->GetStateAt(0)->m_fillColor = 0xFFFFFFFF;
    System()->GetCurrentPage()->m_flags |= ItemFlagNeedsRender;
    System()->Paint(DialogRect{140, 140, 160, 160});
    EXPECT_EQ(kGreen, m_harness.Pixel(145, 145));
    EXPECT_EQ(kWhite, m_harness.Pixel(155, 155));
    EXPECT_EQ(kBlue, m_harness.Pixel(100, 100)) << "outside the painted rectangle";
}

TEST_F(Pages, AHiddenPopupIsNotDrawn)
{
    Load({Page("Main", 0xFF0000FF)}, {Popup("Over", nullptr, 50, 50, 100, 100, 0x0000FFFF)}, {"Over"});
    PopupNamed("Over")->SetVisible(false);
    m_harness.Flush();
    EXPECT_EQ(kRed, m_harness.Pixel(60, 60));
}

// The fields around a child's own record, by file version.
struct ChildCase
{
    uint32_t version;
    uint8_t disabled;
    uint8_t hidden;
    const char* expectedName;
    uint8_t expectedSecond;
    int32_t expectedSound;
};

class ChildRecords : public ::testing::TestWithParam<ChildCase>
{
};

TEST_P(ChildRecords, CarryNameFlagsAndSoundByVersion)
{
    const ChildCase& c = GetParam();
    CBackEndHarness harness(640, 480, c.version);
    ASSERT_TRUE(harness.Ready());
    auto child = FilledChild("Knob", 1, 2, 30, 40, 0xFFFFFFFF);
    child.secondBehaviour = 2;
    child.clickSoundId = 77;
    child.disabled = c.disabled;
    child.hidden = c.hidden;
    child.behaviour = 4;
    auto bytes = loadertest::RecordBytes(
        c.version, [&](CInterfaceFileWriter& w)
        { PageRecordWriter::PutPopup(w, Popup("P", nullptr, 0, 0, 100, 100, 0x000000FF, {child})); });
    auto stream = loadertest::StreamOver(bytes);
    CDialogPopup popup(harness.System()->GetRootItem(), "P", 0);
    // The loader reads the name, group and auto-hide time; the popup the rest.
    uint16_t length = 0;
    ASSERT_TRUE(stream->ReadU16(length));
    stream->Skip(length);
    ASSERT_TRUE(stream->ReadU16(length));
    stream->Skip(length);
    if (c.version >= 0x10501)
        stream->Skip(4);
    ASSERT_TRUE(popup.Load(stream.get()));
    EXPECT_EQ(0, stream->Pending());
    ASSERT_EQ(1, popup.GetChildCount());
    CDialogItem* item = popup.GetChild(0);
    EXPECT_STREQ(c.expectedName, item->m_name ? item->m_name : "");
    EXPECT_EQ(c.disabled == 0, item->IsEnabled());
    EXPECT_EQ(c.hidden == 0, item->IsVisible());
    EXPECT_EQ(c.expectedSecond, item->m_secondBehaviour);
    EXPECT_EQ(c.expectedSound, item->m_clickSoundId);
    EXPECT_EQ(4, item->m_behaviour);
    EXPECT_EQ(&popup, item->GetParent());
    EXPECT_EQ(30, item->m_loadedRect.width);
}

INSTANTIATE_TEST_SUITE_P(Versions, ChildRecords,
                         ::testing::Values(ChildCase{0x10501, 0, 0, "Knob", 2, 77},
                                           ChildCase{0x10501, 1, 1, "Knob", 2, 77},
                                           ChildCase{0x10500, 0, 1, "", 0, 0},
                                           ChildCase{0x10400, 1, 0, "", 0, 0}));

TEST_F(Pages, AChildOfAnUnknownTypeEndsTheListAndKeepsWhatCameBefore)
{
    ASSERT_TRUE(m_harness.Ready());
    auto bad = FilledChild("Bad", 0, 0, 10, 10, 0xFFFFFFFF);
    bad.type = 9;
    auto bytes = loadertest::RecordBytes(CInterfaceFileWriter::kCurrentVersion,
                                         [&](CInterfaceFileWriter& w)
                                         {
                                             PageRecordWriter::PutChildren(
                                                 w, {FilledChild("Good", 0, 0, 10, 10, 0xFFFFFFFF), bad,
                                                     FilledChild("After", 0, 0, 10, 10, 0xFFFFFFFF)});
                                         });
    auto stream = loadertest::StreamOver(bytes);
    CDialogPopup popup(System()->GetRootItem(), "P", 0);
    EXPECT_FALSE(popup.LoadChildren(stream.get()));
    ASSERT_EQ(1, popup.GetChildCount());
    EXPECT_STREQ("Good", popup.GetChild(0)->m_name);
}

TEST_F(Pages, AutoHideCountsFromTheLastRelease)
{
    auto timed = Popup("Timed", nullptr, 0, 0, 100, 100, 0x0000FFFF,
                       {FilledChild("Knob", 10, 10, 20, 20, 0xFFFFFFFF)});
    // The popup reads the real clock: every span that must stay under the time-out leaves it a
    // second to spare on a busy machine.
    timed.autoHideMs = 1500;
    Load({Page("Main", 0xFF0000FF)}, {timed}, {"Timed"});
    CDialogPopup* popup = PopupNamed("Timed");
    auto shown = [&] { return ShownPopups(System(), "Main") == std::vector<std::string>{"Timed"}; };
    auto updateAfter = [&](uint32_t ms)
    {
        platform::SleepMs(ms);
        System()->Update(ms);
    };
    System()->Update(0); // the countdown starts
    updateAfter(700);
    popup->GetChild(0)->Press();
    updateAfter(900);
    popup->GetChild(0)->Release();
    System()->Update(0); // starts again from here
    updateAfter(500);    // 2100 ms after it was shown, 500 ms after the release
    EXPECT_TRUE(shown());
    updateAfter(1100);
    EXPECT_FALSE(shown());
    EXPECT_TRUE(popup->HasAutoHideFired());
    // Shown again, it counts afresh.
    System()->ShowPopup("Timed", nullptr);
    EXPECT_FALSE(popup->HasAutoHideFired());
    EXPECT_TRUE(shown());
}
// A child that counts the updates of its popup.
class CUpdateCounter : public CDialogItem
{
public:
    explicit CUpdateCounter(CDialogItem* parent) : CDialogItem(0, parent) {}
    void Update(uint32_t elapsedMs) override
    {
        (void)elapsedMs;
        updates++;
    }
    int updates = 0;
};

TEST_F(Pages, APopupThatHidesItselfDoesNotCostTheOnesAboveItTheirUpdate)
{
    auto quick = Popup("Quick", nullptr, 0, 0, 100, 100, 0x0000FFFF);
    quick.autoHideMs = 1;
    Load({Page("Main", 0xFF0000FF)},
         {quick, Popup("Steady", nullptr, 0, 0, 50, 50, 0x00FF00FF),
          Popup("Top", nullptr, 0, 0, 20, 20, 0xFFFFFFFF)},
         {"Quick", "Steady", "Top"});
    CUpdateCounter* steady = new CUpdateCounter(PopupNamed("Steady"));
    CUpdateCounter* top = new CUpdateCounter(PopupNamed("Top"));
    PopupNamed("Steady")->AddChild(steady);
    PopupNamed("Top")->AddChild(top);
    System()->Update(0); // the countdown starts
    platform::SleepMs(5);
    System()->Update(5); // Quick hides itself: the popups above it move down the list
    EXPECT_EQ((std::vector<std::string>{"Steady", "Top"}), ShownPopups(System(), "Main"));
    EXPECT_EQ(2, steady->updates);
    EXPECT_EQ(2, top->updates);
}
} // namespace

namespace
{
// A child that counts the timer calls it gets.
class CTimerCounter : public CDialogItem
{
public:
    CTimerCounter(CDialogItem* parent, bool ownTimer) : CDialogItem(0, parent)
    {
        m_ownTimer = ownTimer ? 1 : 0;
    }
    void OnTimer(uint32_t elapsedMs) override
    {
        CDialogItem::OnTimer(elapsedMs);
        ++calls;
    }
    int calls = 0;
};
} // namespace

// A popup's timer reaches a child with timer work of its own on every tick, and the others while
// any child is pressed (a held item sends its hold channels from its timer), in child order.
TEST(PopupTimer, ReachesChildrenWithWorkAndEveryChildWhileOneIsPressed)
{
    CDialogPopup popup(nullptr, "P", 0);
    auto* plain = new CTimerCounter(&popup, false);
    auto* scrolling = new CTimerCounter(&popup, true);
    auto* other = new CTimerCounter(&popup, false);
    popup.AddChild(plain);
    popup.AddChild(scrolling);
    popup.AddChild(other);
    auto calls = [&] { return std::vector<int>{plain->calls, scrolling->calls, other->calls}; };

    popup.OnTimer(5);
    EXPECT_EQ(calls(), (std::vector<int>{0, 1, 0}));
    other->Press();
    other->Press(); // pressed once, however often it is told
    popup.OnTimer(5);
    popup.OnTimer(5);
    EXPECT_EQ(calls(), (std::vector<int>{2, 3, 2}));
    plain->Press();
    other->Release();
    popup.OnTimer(5);
    EXPECT_EQ(calls(), (std::vector<int>{3, 4, 3}));
    plain->Release();
    plain->Release();
    popup.OnTimer(5);
    EXPECT_EQ(calls(), (std::vector<int>{3, 5, 3}));

    // A child added later with work of its own is visited from the next tick.
    auto* late = new CTimerCounter(&popup, true);
    popup.AddChild(late);
    popup.OnTimer(5);
    EXPECT_EQ(late->calls, 1);
}

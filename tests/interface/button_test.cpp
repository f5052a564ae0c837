// Buttons: what a press and a release send to the devices, how the shown state follows the
// pointer, the value and time, and which sound a press starts.
#include <gtest/gtest.h>

#include "interface/DialogButton.h"
#include "interface/DialogButtonMultiState.h"
#include "interface/DialogButtonTrigger.h"
#include "interface/DialogButtonUpDown.h"
#include "interface/DialogItemState.h"
#include "support/ButtonTestSupport.h"

using buttontest::Button;
using buttontest::CButtonHarness;
using buttontest::Page;

namespace
{
constexpr uint32_t kAddress = 0x00010005; // device 1, channel 5
// Inside the buttons that Button() places at (100, 100), 100 x 50.
constexpr int32_t kInX = 150;
constexpr int32_t kInY = 125;

PageRecordWriter::ChildRecord ValueButton(uint8_t type, uint8_t behaviour, float first, float second)
{
    PageRecordWriter::ChildRecord child = Button(type, behaviour, {kAddress});
    return ButtonRecordWriter::ValueButton(CButtonHarness::kVersion, type, behaviour, first, second,
                                           child.item);
}

// ---- Trigger and up/down buttons -------------------------------------------------------------

struct TriggerCase
{
    float first;
    float second;
    float start;
    float sent;
};

class TriggerButton : public ::testing::TestWithParam<TriggerCase>
{
};

TEST_P(TriggerButton, PressSendsTheOtherValueAsPressThenSetAndReleaseSendsItToo)
{
    const TriggerCase c = GetParam();
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    h.AddDevice(1);
    ASSERT_TRUE(
        h.Load({Page("Main", {ValueButton(CDialogPopup::ChildTriggerButton, 0, c.first, c.second)})}));
    CDialogItem* button = h.Child(0);
    ASSERT_NE(button, nullptr);
    ASSERT_EQ(button->GetKind(), ItemKindTriggerButton);
    button->SetValue(c.start);

    h.Click(kInX, kInY);
    std::string v = buttontest::Number(c.sent);
    EXPECT_EQ(h.log.Joined(), "1 press 5 " + v + ", 1 set 5 " + v + ", 1 release 5 " + v);
    EXPECT_EQ(button->GetValue(), c.sent);
}

INSTANTIATE_TEST_SUITE_P(Values, TriggerButton,
                         ::testing::Values(TriggerCase{0, 1, 0, 1}, TriggerCase{0, 1, 1, 0},
                                           TriggerCase{0, 1, 0.5f, 0}, TriggerCase{10, 20, 10, 20},
                                           TriggerCase{10, 20, 20, 10}, TriggerCase{10, 20, 15, 10}));

TEST(TriggerButtonState, FollowsWhetherTheValueIsTheFirstOne)
{
    struct Case
    {
        uint8_t behaviour;
        float value;
        int32_t state;
    };
    const Case cases[] = {{1, 10, 0}, {1, 20, 1}, {1, 15, 1}, {2, 10, 1}, {2, 20, 0}, {2, 15, 0}};
    for (const Case& c : cases)
    {
        CButtonHarness h;
        ASSERT_TRUE(h.Ready());
        ASSERT_TRUE(
            h.Load({Page("Main", {ValueButton(CDialogPopup::ChildTriggerButton, c.behaviour, 10, 20)})}));
        CDialogItem* button = h.Child(0);
        button->SetValue(c.value);
        EXPECT_EQ(button->GetState(), c.state) << "behaviour " << int(c.behaviour) << " value " << c.value;
    }
}

TEST(UpDownButton, StepsTowardItsLimitAndStopsThere)
{
    struct Case
    {
        float step;
        float limit;
        float start;
        std::vector<float> sent; // one per click
    };
    const Case cases[] = {
        {5, 20, 18, {20, 20}},
        {5, 20, 0, {5, 10, 15, 20, 20}},
        {-5, 0, 3, {0, 0}},
        {-5, 0, 12, {7, 2, 0}},
    };
    for (const Case& c : cases)
    {
        CButtonHarness h;
        ASSERT_TRUE(h.Ready());
        h.AddDevice(1);
        ASSERT_TRUE(
            h.Load({Page("Main", {ValueButton(CDialogPopup::ChildUpDownButton, 0, c.step, c.limit)})}));
        CDialogItem* button = h.Child(0);
        ASSERT_EQ(button->GetKind(), ItemKindUpDownButton);
        button->SetValue(c.start);
        EXPECT_EQ(button->GetValue(), c.start);
        for (float expected : c.sent)
        {
            h.log.Clear();
            h.Click(kInX, kInY);
            std::string v = buttontest::Number(expected);
            EXPECT_EQ(h.log.Joined(), "1 press 5 " + v + ", 1 set 5 " + v + ", 1 release 5 " + v)
                << "step " << c.step << " from " << c.start;
        }
    }
}

TEST(UpDownButton, ValuesFromDevicesAreClampedToo)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {ValueButton(CDialogPopup::ChildUpDownButton, 1, 5, 20)})}));
    CDialogItem* button = h.Child(0);
    button->SetValue(50);
    EXPECT_EQ(button->GetValue(), 20);
    EXPECT_EQ(button->GetState(), 1);
}

TEST(ValueButtons, RecordThatEndsEarlyIsRefused)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    h.AddDevice(1); // an address is kept only when its device exists
    PageRecordWriter::ChildRecord child = ValueButton(CDialogPopup::ChildTriggerButton, 0, 3, 4);
    // Whole, cut inside the floats, cut inside the item record.
    for (size_t length : {child.ownRecord.size(), size_t{6}, size_t{12}})
    {
        CInStream stream(CInStream::Refuse, static_cast<int32_t>(length) + 1);
        stream.Append(child.ownRecord.data(), static_cast<int32_t>(length));
        CDialogTriggerButton button(0, h.System()->GetRootItem());
        EXPECT_EQ(button.Load(&stream), length == child.ownRecord.size()) << length;
        if (length == child.ownRecord.size())
        {
            EXPECT_EQ(button.m_firstValue, 3.0f);
            EXPECT_EQ(button.m_secondValue, 4.0f);
            EXPECT_EQ(button.GetAddress(0), kAddress);
        }
    }
}

// ---- Plain buttons --------------------------------------------------------------------------

TEST(PlainButton, StateFollowsTheValueByBehaviour)
{
    struct Case
    {
        uint8_t behaviour;
        float value;
        int32_t state;
        float stored;
    };
    const Case cases[] = {
        {1, 5, 1, 5},
        {1, 0, 0, 0},
        {2, 5, 0, 5},
        {2, 0, 1, 0},
        // Momentary: values are ignored, the state follows the pointer only.
        {4, 1, 0, 0},
        // None: the value is kept, the state never moves by itself.
        {0, 1, 0, 1},
    };
    for (const Case& c : cases)
    {
        CButtonHarness h;
        ASSERT_TRUE(h.Ready());
        ASSERT_TRUE(h.Load({Page("Main", {Button(CDialogPopup::ChildButton, c.behaviour)})}));
        CDialogItem* button = h.Child(0);
        ASSERT_EQ(button->GetKind(), ItemKindButton);
        if (c.value == 0)
            button->SetValue(7); // so that 0 is a change
        button->SetValue(c.value);
        h.Run(10);
        EXPECT_EQ(button->GetState(), c.state) << "behaviour " << int(c.behaviour) << " value " << c.value;
        EXPECT_EQ(button->GetValue(), c.stored) << "behaviour " << int(c.behaviour);
    }
}

TEST(PlainButton, AlwaysOnShowsTheSecondState)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {Button(CDialogPopup::ChildButton, 3)})}));
    h.Run(5);
    EXPECT_EQ(h.Child(0)->GetState(), 1);
}

TEST(PlainButton, OnlyAMomentaryButtonHoldsItsChannelsAndShowsThePress)
{
    for (uint8_t behaviour : {0, 1, 4})
    {
        CButtonHarness h;
        ASSERT_TRUE(h.Ready());
        h.AddDevice(1);
        ASSERT_TRUE(h.Load({Page("Main", {Button(CDialogPopup::ChildButton, behaviour, {kAddress})})}));
        CDialogItem* button = h.Child(0);
        h.Press(kInX, kInY);
        h.Run(15);
        int32_t heldState = button->GetState();
        h.Release(kInX, kInY);
        h.Run(15);
        if (behaviour == 4)
        {
            EXPECT_EQ(h.log.Joined(), "1 press 5, 1 hold 5 5, 1 hold 5 5, 1 hold 5 5, 1 release 5");
            EXPECT_EQ(heldState, 1);
        }
        else
        {
            EXPECT_EQ(h.log.Joined(), "1 press 5, 1 release 5") << "behaviour " << int(behaviour);
            EXPECT_EQ(heldState, 0);
        }
        EXPECT_EQ(button->GetState(), 0);
    }
}

// A momentary button that is disabled or hidden while held must end its press: otherwise its
// channels would be held for ever and never see a release.
TEST(PlainButton, DisabledOrHiddenWhileHeldSendsReleaseAndStopsHolding)
{
    for (bool hide : {false, true})
    {
        CButtonHarness h;
        ASSERT_TRUE(h.Ready());
        h.AddDevice(1);
        ASSERT_TRUE(h.Load({Page("Main", {Button(CDialogPopup::ChildButton, 4, {kAddress})})}));
        CDialogItem* button = h.Child(0);
        h.Press(kInX, kInY);
        h.Run(5);
        if (hide)
            button->SetVisible(false);
        else
            button->SetEnabled(false);
        EXPECT_EQ(h.System()->GetHeldItem(), nullptr);
        h.Run(50);
        EXPECT_EQ(h.log.Joined(), "1 press 5, 1 hold 5 5, 1 release 5") << (hide ? "hidden" : "disabled");
        EXPECT_FALSE(button->IsPressed());
        EXPECT_EQ(button->GetState(), 0);
        // The pointer's own release later finds no capture and sends nothing more.
        h.Release(kInX, kInY);
        EXPECT_EQ(h.log.Count("1 release"), 1u);
    }
}

TEST(PlainButton, HiddenOrDisabledButtonSendsNothingAndPlaysNothing)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    h.AddDevice(1);
    buttontest::AddSilentSound(h.System(), 0xFFFFFFFF);
    PageRecordWriter::ChildRecord hidden = Button(CDialogPopup::ChildButton, 4, {kAddress});
    hidden.hidden = 1;
    PageRecordWriter::ChildRecord disabled = Button(CDialogPopup::ChildButton, 4, {kAddress}, 2, 300, 100);
    disabled.disabled = 1;
    ASSERT_TRUE(h.Load({Page("Main", {hidden, disabled})}));
    h.Press(kInX, kInY);
    h.Run(10);
    h.Release(kInX, kInY);
    h.Click(350, 125);
    EXPECT_EQ(h.log.Joined(), "");
    EXPECT_EQ(h.System()->LastSoundId(), 0);
}

TEST(Buttons, PressPlaysTheItemsSoundOrTheClick)
{
    struct Case
    {
        uint8_t type;
        int32_t soundId;
        int32_t played;
    };
    const Case cases[] = {
        {CDialogPopup::ChildButton, 0, -1},           {CDialogPopup::ChildButton, 7, 7},
        {CDialogPopup::ChildMultiStateButton, 0, -1}, {CDialogPopup::ChildTriggerButton, 7, 7},
        {CDialogPopup::ChildUpDownButton, 0, -1},
    };
    for (const Case& c : cases)
    {
        CButtonHarness h;
        ASSERT_TRUE(h.Ready());
        buttontest::AddSilentSound(h.System(), 0xFFFFFFFF);
        buttontest::AddSilentSound(h.System(), 7);
        PageRecordWriter::ChildRecord child =
            c.type == CDialogPopup::ChildTriggerButton || c.type == CDialogPopup::ChildUpDownButton
                ? ValueButton(c.type, 0, 1, 2)
                : Button(c.type, 0);
        child.clickSoundId = c.soundId;
        ASSERT_TRUE(h.Load({Page("Main", {child})}));
        h.Press(kInX, kInY);
        EXPECT_EQ(h.System()->LastSoundId(), c.played) << "type " << int(c.type);
        h.Release(kInX, kInY);
    }
}

TEST(PlainButton, ActionsPressAndReleaseWithoutSound)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    h.AddDevice(1);
    buttontest::AddSilentSound(h.System(), 0xFFFFFFFF);
    ASSERT_TRUE(h.Load({Page("Main", {Button(CDialogPopup::ChildButton, 4, {kAddress})})}));
    auto* button = static_cast<CDialogButton*>(h.Child(0));
    button->PressAction();
    EXPECT_TRUE(button->IsPressed());
    button->ReleaseAction();
    EXPECT_FALSE(button->IsPressed());
    EXPECT_EQ(h.log.Joined(), "1 press 5, 1 release 5");
    EXPECT_EQ(h.System()->LastSoundId(), 0);
}

TEST(PlainButton, ButtonBuiltInCodeHasOneBlackState)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ItemRect rect{10, 20, 30, 40};
    CDialogButton button(h.System()->GetRootItem(), rect);
    EXPECT_EQ(button.GetStateCount(), 1);
    EXPECT_EQ(button.GetState(), 0);
    EXPECT_EQ(button.GetStateAt(0)->m_fillColor, 0x000000FFu);
    EXPECT_EQ(button.GetWidth(), 30);
    EXPECT_EQ(button.m_behaviour, 0);
}

// ---- Multi-state buttons --------------------------------------------------------------------

PageRecordWriter::ChildRecord MultiState(uint8_t behaviour, int states, uint16_t first, uint16_t second,
                                         uint8_t loop = 0)
{
    PageRecordWriter::ChildRecord child =
        Button(CDialogPopup::ChildMultiStateButton, behaviour, {kAddress}, states);
    child.item.firstDuration = first;
    child.item.secondDuration = second;
    child.item.loop = loop;
    return child;
}

TEST(MultiStateButton, MomentaryRunsUpWhileHeldAndBackWhenReleased)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    h.AddDevice(1);
    // 5 states, 10 tenths for the whole run: 200 ms per state both ways.
    ASSERT_TRUE(h.Load({Page("Main", {MultiState(4, 5, 10, 10)})}));
    CDialogItem* button = h.Child(0);
    h.Press(kInX, kInY);
    EXPECT_EQ(button->GetValue(), 1.0f);
    // Steps once the time exceeds 200 ms (about 205 and 405 ms), keeping the remainder.
    h.Run(200);
    EXPECT_EQ(button->GetState(), 0);
    h.Run(5);
    EXPECT_EQ(button->GetState(), 1);
    h.Run(245);
    EXPECT_EQ(button->GetState(), 2);
    h.Run(2000);
    EXPECT_EQ(button->GetState(), 4);
    h.Release(kInX, kInY);
    EXPECT_EQ(button->GetValue(), 0.0f);
    h.Run(205);
    EXPECT_EQ(button->GetState(), 3);
    h.Run(2000);
    EXPECT_EQ(button->GetState(), 0);
    EXPECT_EQ(h.log.Count("1 press 5"), 1u);
    EXPECT_EQ(h.log.Count("1 release 5"), 1u);
    EXPECT_GT(h.log.Count("1 hold 5"), 400u);
}

TEST(MultiStateButton, AlwaysOnRunsOnceOrLoopsForEver)
{
    struct Case
    {
        uint8_t loop;
        uint32_t ms;
        int32_t state;
    };
    // 4 states, 4 tenths for the whole run: 100 ms per state.
    const Case cases[] = {
        {1, 1050, 2}, // 10 steps from state 0, wrapped modulo 4
        {1, 400, 3},
        {0, 1050, 3}, // once to the last state, then it stays
        {0, 250, 2},
    };
    for (const Case& c : cases)
    {
        CButtonHarness h;
        ASSERT_TRUE(h.Ready());
        ASSERT_TRUE(h.Load({Page("Main", {MultiState(3, 4, 4, 4, c.loop)})}));
        h.Run(c.ms);
        EXPECT_EQ(h.Child(0)->GetState(), c.state) << "loop " << int(c.loop) << " after " << c.ms;
    }
}

TEST(MultiStateButton, WithoutStatesNothingRuns)
{
    for (uint8_t behaviour : {0, 3, 4})
    {
        CButtonHarness h;
        ASSERT_TRUE(h.Ready());
        ASSERT_TRUE(h.Load({Page("Main", {MultiState(behaviour, 0, 4, 4, 1)})}));
        CDialogItem* button = h.Child(0);
        button->SetState(0, 3, 10);
        h.Press(kInX, kInY);
        h.Run(500);
        h.Release(kInX, kInY);
        h.Run(500);
        EXPECT_EQ(button->GetState(), -1) << "behaviour " << int(behaviour);
    }
}

TEST(MultiStateButton, StateWithADurationAnimatesAndWithoutOneJumps)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {MultiState(0, 5, 0, 0)})}));
    CDialogItem* button = h.Child(0);
    // From 0 to 4 over 10 tenths: 200 ms per state.
    button->SetState(0, 4, 10);
    EXPECT_EQ(button->GetState(), 0);
    h.Run(450);
    EXPECT_EQ(button->GetState(), 2);
    h.Run(1000);
    EXPECT_EQ(button->GetState(), 4);
    // -1 for "from" is the current state; no duration jumps.
    button->SetState(-1, 1, 0);
    EXPECT_EQ(button->GetState(), 1);
    // A target beyond the states stops at the last one.
    button->SetState(-1, 9, 0);
    EXPECT_EQ(button->GetState(), 4);

    // Long durations keep their length instead of wrapping round into short ones.
    auto* multi = static_cast<CDialogMultiStateButton*>(button);
    struct Case
    {
        uint32_t tenths;
        uint32_t perStateMs;
    };
    const Case cases[] = {
        {50000000u, 1000000000u},  // 5,000,000,000 ms over 5 states
        {0xFFFFFFFFu, UINT32_MAX}, // beyond 32 bits per state: the longest time
    };
    for (const Case& c : cases)
    {
        multi->SetState(4, 0, c.tenths);
        EXPECT_EQ(multi->m_stateTimeMs, c.perStateMs) << c.tenths;
        h.Run(1000);
        EXPECT_EQ(button->GetState(), 4) << c.tenths;
    }
}

TEST(MultiStateButton, FollowValueBehaviourIgnoresStates)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {MultiState(1, 5, 10, 10)})}));
    CDialogItem* button = h.Child(0);
    button->SetState(0, 3, 0);
    h.System()->SetItemStateById(button->m_id, 2);
    h.Run(500);
    EXPECT_EQ(button->GetState(), 0);
}

TEST(MultiStateButton, ActionsWithTheLoopFlagCycleOnceAroundAfterTheRelease)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    h.AddDevice(1);
    ASSERT_TRUE(h.Load({Page("Main", {MultiState(4, 3, 3, 3, 1)})}));
    auto* button = static_cast<CDialogMultiStateButton*>(h.Child(0));
    button->PressAction();
    EXPECT_EQ(button->m_pressCycle, 1);
    EXPECT_TRUE(button->IsPressed());
    // A second press action while the cycle runs sends nothing more.
    button->PressAction();
    button->ReleaseAction();
    EXPECT_EQ(h.log.Joined(), "1 press 5, 1 release 5");
    // Released mid-cycle, it runs up past the last state and ends at the first, cycle cleared.
    h.Run(150);
    EXPECT_EQ(button->GetState(), 1);
    h.Run(200);
    EXPECT_EQ(button->GetState(), 0);
    EXPECT_EQ(button->m_pressCycle, 0);
    EXPECT_EQ(button->m_releaseCycle, 0);
}
} // namespace

// Popup effects: where a sliding popup is and how opaque a fading one is at chosen times, that
// every effect ends exactly at its target when its time is up, and that the popup goes on its
// page when a show starts and comes off when a hide ends.
#include <gtest/gtest.h>

#include "interface/AbstractEffect.h"
#include "interface/DialogItemState.h"
#include "interface/EffectFadeIn.h"
#include "interface/EffectFadeOut.h"
#include "interface/EffectSlideShow.h"
#include "support/ButtonTestSupport.h"

using buttontest::CButtonHarness;
using buttontest::Page;

namespace
{
constexpr uint8_t kFadeIn = 1;
constexpr uint8_t kFadeOut = 2;
constexpr uint8_t kSlideHide = 3;
constexpr uint8_t kSlideShow = 4;
constexpr uint8_t kMoveIn = 8;
constexpr uint8_t kClipToParent = 4;

PageRecordWriter::PopupRecord Popup(std::vector<PageRecordWriter::EffectRecord> effects,
                                    uint8_t opacity = 255)
{
    PageRecordWriter::PopupRecord popup;
    popup.name = "Fx";
    popup.x = 100;
    popup.y = 80;
    popup.width = 200;
    popup.height = 100;
    popup.effects = std::move(effects);
    popup.state.fillColor = 0x3050A0FF;
    popup.state.opacity = opacity;
    return popup;
}

struct Loaded
{
    CButtonHarness h;
    CDialogPopup* popup = nullptr;
    CDialogPage* page = nullptr;

    bool Load(const PageRecordWriter::PopupRecord& record)
    {
        if (!h.Ready() || !h.Load({Page("Main")}, {record}))
            return false;
        popup = h.System()->GetPopupObject(h.System()->FindPopupByName("Fx"));
        page = static_cast<CDialogPage*>(h.System()->GetCurrentPage());
        return popup != nullptr && page != nullptr;
    }
    bool Shown() const { return page->HasPopup(popup->GetNumber()); }
};

// ---- Loading ---------------------------------------------------------------------------------

TEST(EffectList, BuildsTypesOneToFourWithTheirDirectionAndDurationAndDropsTheRest)
{
    Loaded l;
    ASSERT_TRUE(l.Load(Popup({{kFadeIn, 0, 300},
                              {kFadeOut, 0, 0},
                              {9, 1, 100},
                              {kSlideHide, 6, 700},
                              {kSlideShow, kMoveIn | 1, 800},
                              {kFadeOut, 0, 250}})));
    CVector* effects = l.popup->m_effects;
    ASSERT_EQ(effects->GetCount(), 4);
    const int32_t types[] = {1, 3, 4, 2};
    const uint32_t durations[] = {300, 700, 800, 250};
    const int32_t directions[] = {0, 6, kMoveIn | 1, 0};
    const uint32_t events[] = {0x80000001u, 0x80000002u, 0x80000001u, 0x80000002u};
    for (int32_t i = 0; i < 4; i++)
    {
        auto* effect = effects->Get<CAbstractEffect>(i);
        EXPECT_EQ(effect->GetType(), types[i]);
        EXPECT_EQ(effect->m_durationMs, durations[i]);
        EXPECT_EQ(effect->m_direction, directions[i]);
        EXPECT_EQ(effect->GetEvents(), events[i]);
    }
    // The rest of the record was read in step: the popup has its state.
    EXPECT_EQ(l.popup->GetStateCount(), 1);
}

TEST(EffectArm, EachEffectTakesOnlyItsOwnEvent)
{
    CEffect_FadeIn in;
    CEffect_FadeOut out;
    CEffect_SlideHide hide;
    CEffect_SlideShow show;
    EXPECT_FALSE(in.Arm(2));
    EXPECT_FALSE(out.Arm(1));
    EXPECT_FALSE(hide.Arm(1));
    EXPECT_FALSE(show.Arm(2));
    EXPECT_EQ(in.m_state + out.m_state + hide.m_state + show.m_state, 0);
    EXPECT_TRUE(in.Arm(1));
    EXPECT_TRUE(out.Arm(2));
    EXPECT_TRUE(hide.Arm(2));
    EXPECT_TRUE(show.Arm(1));
    EXPECT_EQ(show.m_state, CAbstractEffect::StateArmed);
    show.Reset();
    EXPECT_EQ(show.m_state, CAbstractEffect::StateIdle);
}

// ---- Fades -----------------------------------------------------------------------------------

struct FadeCase
{
    uint8_t type;
    uint32_t durationMs;
    uint32_t tickMs;
    uint8_t loadedOpacity;
    // Opacity after the given total milliseconds of ticks (the arming tick included).
    std::vector<std::pair<uint32_t, int32_t>> at;
};

class Fade : public ::testing::TestWithParam<FadeCase>
{
};

TEST_P(Fade, OpacityAtChosenTimesAndExactlyTheTargetWhenTheTimeIsUp)
{
    const FadeCase c = GetParam();
    Loaded l;
    ASSERT_TRUE(l.Load(Popup({{c.type, 0, c.durationMs}}, c.loadedOpacity)));
    if (c.type == kFadeIn)
        l.h.System()->ShowPopup("Fx", nullptr);
    else
    {
        l.h.System()->ShowPopup("Fx", nullptr);
        l.h.System()->HidePopup("Fx", nullptr);
    }
    uint32_t t = 0;
    for (const auto& [when, opacity] : c.at)
    {
        for (; t < when; t += c.tickMs)
            l.h.System()->Update(c.tickMs);
        EXPECT_EQ(l.popup->m_currentOpacity, opacity) << "at " << when << " ms";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Effects, Fade,
    ::testing::Values(
        // 1.275 per quantum: the fractions add up, so the fade is half way at half time.
        FadeCase{kFadeIn, 1000, 5, 255, {{5, 1}, {505, 128}, {1005, 255}}},
        // A slow fade (0.32 per quantum at 5 ms ticks) still moves and ends by its time at the
        // popup's own opacity.
        FadeCase{kFadeIn, 2000, 5, 128, {{5, 1}, {1005, 65}, {1900, 121}, {2000, 128}, {2500, 128}}},
        FadeCase{kFadeIn, 2000, 15, 200, {{15, 1}, {1005, 100}, {2010, 200}, {2025, 200}}},
        // Fading out ends at 0 on time, and the popup gets its own opacity back (not 255).
        FadeCase{kFadeOut, 2000, 5, 128, {{5, 128}, {1005, 64}, {2000, 1}, {2005, 0}, {2010, 128}}},
        FadeCase{kFadeOut, 300, 5, 255, {{5, 255}, {155, 128}, {305, 0}, {310, 255}}}));

TEST(FadeOut, TakesThePopupOffThePageOnlyWhenItEnds)
{
    Loaded l;
    ASSERT_TRUE(l.Load(Popup({{kFadeOut, 0, 100}}, 180)));
    l.h.System()->ShowPopup("Fx", nullptr);
    ASSERT_TRUE(l.Shown());
    l.h.System()->HidePopup("Fx", nullptr);
    l.h.Run(100);
    EXPECT_TRUE(l.Shown());
    l.h.Run(10);
    EXPECT_FALSE(l.Shown());
    EXPECT_EQ(l.popup->m_currentOpacity, 180);
}

TEST(FadeIn, PutsThePopupOnThePageAtItsStart)
{
    Loaded l;
    ASSERT_TRUE(l.Load(Popup({{kFadeIn, 0, 100}})));
    l.h.System()->ShowPopup("Fx", nullptr);
    EXPECT_FALSE(l.Shown());
    l.h.Run(5);
    EXPECT_TRUE(l.Shown());
    EXPECT_EQ(l.popup->m_currentOpacity, 1);
}

// ---- Slides ----------------------------------------------------------------------------------

struct SlideCase
{
    uint8_t type;
    uint8_t direction;
    uint32_t durationMs;
    // x, y and visible part (x, y, width, height) after the given total milliseconds of 5 ms ticks.
    struct At
    {
        uint32_t ms;
        int32_t x;
        int32_t y;
        ItemRect visible;
    };
    std::vector<At> at;
};

class Slide : public ::testing::TestWithParam<SlideCase>
{
};

TEST_P(Slide, PositionAndVisiblePartAtChosenTimes)
{
    const SlideCase c = GetParam();
    Loaded l;
    ASSERT_TRUE(l.Load(Popup({{c.type, c.direction, c.durationMs}})));
    l.h.System()->ShowPopup("Fx", nullptr);
    if (c.type == kSlideHide)
        l.h.System()->HidePopup("Fx", nullptr);
    uint32_t t = 0;
    for (const auto& a : c.at)
    {
        for (; t < a.ms; t += 5)
            l.h.System()->Update(5);
        const ItemRect& r = l.popup->m_currentRect;
        const ItemRect& v = l.popup->m_visiblePart;
        EXPECT_EQ(r.x, a.x) << "at " << a.ms;
        EXPECT_EQ(r.y, a.y) << "at " << a.ms;
        EXPECT_EQ(v.x, a.visible.x) << "at " << a.ms;
        EXPECT_EQ(v.y, a.visible.y) << "at " << a.ms;
        EXPECT_EQ(v.width, a.visible.width) << "at " << a.ms;
        EXPECT_EQ(v.height, a.visible.height) << "at " << a.ms;
    }
}

// The popup is at (100, 80), 200 x 100; the design area is 640 x 480.
INSTANTIATE_TEST_SUITE_P(Effects, Slide,
                         ::testing::Values(
                             // In from the left inside its own rectangle: starts at x = -100, wholly hidden.
                             SlideCase{kSlideShow,
                                       kMoveIn | 0,
                                       1000,
                                       {{5, -100, 80, {200, 0, 0, 100}},
                                        {505, 0, 80, {100, 0, 100, 100}},
                                        {1005, 100, 80, {0, 0, 200, 100}}}},
                             // In from the bottom of the screen.
                             SlideCase{kSlideShow,
                                       kMoveIn | kClipToParent | 3,
                                       400,
                                       {{5, 100, 480, {0, 0, 200, 0}},
                                        {205, 100, 280, {0, 0, 200, 100}},
                                        {405, 100, 80, {0, 0, 200, 100}}}},
                             // Out to the right of the screen: 540 pixels in 2 s, 1.35 per quantum of 5 ms;
                             // it ends on time, then the popup comes back to its loaded place (off the page).
                             SlideCase{kSlideHide,
                                       kClipToParent | 1,
                                       2000,
                                       {{5, 100, 80, {0, 0, 200, 100}},
                                        {1005, 370, 80, {0, 0, 200, 100}},
                                        {1605, 532, 80, {0, 0, 108, 100}},
                                        {2005, 640, 80, {0, 0, 0, 100}},
                                        {2010, 100, 80, {0, 0, 200, 100}}}},
                             // A slide shorter than one pixel per quantum (100 pixels in 3 s) still arrives.
                             SlideCase{
                                 kSlideShow,
                                 kMoveIn | 2,
                                 3000,
                                 {{1505, 100, 30, {0, 50, 200, 50}}, {3005, 100, 80, {0, 0, 200, 100}}}}));

TEST(SlideHide, TakesThePopupOffThePageWhenItEnds)
{
    Loaded l;
    ASSERT_TRUE(l.Load(Popup({{kSlideHide, 0, 50}})));
    l.h.System()->ShowPopup("Fx", nullptr);
    l.h.System()->HidePopup("Fx", nullptr);
    l.h.Run(50);
    EXPECT_TRUE(l.Shown());
    l.h.Run(10);
    EXPECT_FALSE(l.Shown());
    EXPECT_EQ(l.popup->m_currentRect.x, 100);
}

TEST(EffectClip, NegativeWidthShowsNothing)
{
    CDialogItem root(0, nullptr);
    CEffect_SlideHide effect;
    root.m_currentRect = {50, 20, 100, 40};
    effect.m_clipLeft = 200;
    effect.m_clipTop = 0;
    effect.m_clipRight = 300;
    effect.m_clipBottom = 100;
    UpdateEffectClip(&root, &effect);
    EXPECT_LT(root.m_visiblePart.width, 0);
    EXPECT_FALSE(IsInHitRect(&root, 60, 30));
}
} // namespace

// Sliders: the level a point gives (ends of the track, reversed and wide ranges), what each mode
// sends while the pointer presses, moves and lets go, feedback ignored while dragging and taken
// again after a release (also a forced one), and the state a multi-state slider shows.
#include <gtest/gtest.h>

#include "interface/DialogMultiStateSlider.h"
#include "interface/DialogSlider.h"
#include "render/PixelBuffer.h"
#include "support/ButtonTestSupport.h"
#include "tools/writer/SliderRecordWriter.h"

using buttontest::CButtonHarness;
using buttontest::Page;
using SliderRecordWriter::SliderFields;

namespace
{
constexpr uint32_t kAddress = 0x00010005; // device 1, channel 5
// The slider is at (100, 100), 200 x 40 (vertical ones 40 x 200).
constexpr int32_t kX = 100;
constexpr int32_t kY = 100;

struct Loaded
{
    CButtonHarness h;
    CDialogSlider* slider = nullptr;

    bool Load(uint8_t mode, const SliderFields& fields, bool vertical = false)
    {
        if (!h.Ready())
            return false;
        h.AddDevice(1);
        PageRecordWriter::ChildRecord child =
            SliderRecordWriter::Slider(CButtonHarness::kVersion, mode, fields, kX, kY, vertical ? 40 : 200,
                                       vertical ? 200 : 40, 0x303030FF, 0x20A040FF, {kAddress});
        if (!h.Load({Page("Main", {child})}))
            return false;
        CDialogItem* item = h.Child(0);
        if (item == nullptr || item->GetKind() != ItemKindSlider)
            return false;
        slider = static_cast<CDialogSlider*>(item);
        h.log.Clear();
        return true;
    }
};

SliderFields Range(int32_t low, int32_t high, bool reversed = false, bool horizontal = true)
{
    SliderFields f;
    f.low = low;
    f.high = high;
    f.reversed = reversed ? 1 : 0;
    f.horizontal = horizontal ? 1 : 0;
    return f;
}

// ---- Point to value --------------------------------------------------------------------------

struct PointCase
{
    int32_t low;
    int32_t high;
    bool reversed;
    bool vertical;
    int32_t x;
    int32_t y;
    int64_t value;
};

class PointToValue : public ::testing::TestWithParam<PointCase>
{
};

TEST_P(PointToValue, GivesTheLevelAtThePoint)
{
    const PointCase c = GetParam();
    Loaded l;
    ASSERT_TRUE(l.Load(1, Range(c.low, c.high, c.reversed, !c.vertical), c.vertical));
    EXPECT_EQ(l.slider->GetKind(), ItemKindSlider);
    EXPECT_EQ(l.slider->PointToValue(c.x, c.y), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Sliders, PointToValue,
    ::testing::Values(PointCase{0, 100, false, false, 0, 20, 0},
                      PointCase{0, 100, false, false, 200, 20, 100},
                      PointCase{0, 100, false, false, -30, 20, 0},
                      PointCase{0, 100, false, false, 50, 20, 25},
                      // Reversed: the start of the track is the high bound.
                      PointCase{10, 20, true, false, 0, 20, 20}, PointCase{10, 20, true, false, 200, 20, 10},
                      // Vertical: the bottom is the low bound.
                      PointCase{0, 100, false, true, 20, 200, 0}, PointCase{0, 100, false, true, 20, 0, 100},
                      PointCase{0, 100, true, true, 20, 0, 0},
                      // A range near the full 32 bits times a position does not overflow.
                      PointCase{-2000000000, 2000000000, false, false, 200, 20, 2000000000},
                      PointCase{-2000000000, 2000000000, false, false, 150, 20, 1000000000}));

// ---- Modes -----------------------------------------------------------------------------------

struct ModeCase
{
    uint8_t mode;
    float start;
    std::vector<int32_t> moves; // x of the moves after the press at x = 50
    const char* sent;
    float end;
};

class Mode : public ::testing::TestWithParam<ModeCase>
{
};

TEST_P(Mode, SendsTheLevelsOfTheDrag)
{
    const ModeCase c = GetParam();
    Loaded l;
    ASSERT_TRUE(l.Load(c.mode, Range(0, 100)));
    l.slider->SetValue(c.start);
    l.h.Press(kX + 50, kY + 20);
    for (int32_t x : c.moves)
        l.h.Move(kX + x, kY + 20);
    l.h.Release(kX + c.moves.back(), kY + 20);
    EXPECT_EQ(l.h.log.Joined(), c.sent);
    EXPECT_EQ(l.slider->GetValue(), c.end);
    EXPECT_EQ(l.slider->m_flags & ItemFlagDragging, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Sliders, Mode,
    ::testing::Values(ModeCase{1, 0, {51, 52}, "1 set 5 25, 1 press 5 25, 1 set 5 26, 1 release 5 26", 26},
                      // A press on the spot of the last level sent sends only the press.
                      ModeCase{1, 0, {50}, "1 set 5 25, 1 press 5 25, 1 release 5 25", 25},
                      ModeCase{
                          2, 0, {52}, "1 set 5 25, 1 press 5 25, 1 set 5 26, 1 set 5 50, 1 release 5 50", 50},
                      // Relative: the press sends nothing; 20 pixels right raise the level by 10.
                      ModeCase{3, 30, {70}, "1 set 5 40, 1 release 5 40", 40},
                      ModeCase{3, 95, {70, 90}, "1 set 5 100, 1 release 5 100", 100},
                      ModeCase{4, 30, {30}, "1 set 5 20, 1 set 5 50, 1 release 5 50", 50},
                      // Another mode ignores where the pointer is.
                      ModeCase{0, 30, {90}, "1 release 5 30", 30}));

// ---- Feedback while dragging -----------------------------------------------------------------

TEST(SliderFeedback, IgnoredWhileDraggedAndTakenAfterTheRelease)
{
    Loaded l;
    ASSERT_TRUE(l.Load(1, Range(0, 100)));
    l.h.Press(kX + 50, kY + 20);
    EXPECT_NE(l.slider->m_flags & ItemFlagDragging, 0u);
    l.h.System()->SetItemValue(kAddress, 70.0f);
    EXPECT_EQ(l.slider->GetValue(), 25.0f);
    l.h.Release(kX + 50, kY + 20);
    l.h.System()->SetItemValue(kAddress, 70.0f);
    EXPECT_EQ(l.slider->GetValue(), 70.0f);
}

TEST(SliderFeedback, HidingOrDisablingWhileDraggedEndsTheDrag)
{
    for (bool hide : {true, false})
    {
        Loaded l;
        ASSERT_TRUE(l.Load(1, Range(0, 100)));
        l.h.Press(kX + 50, kY + 20);
        if (hide)
            l.slider->SetVisible(false);
        else
            l.slider->SetEnabled(false);
        EXPECT_EQ(l.slider->m_flags & ItemFlagDragging, 0u);
        EXPECT_EQ(l.h.log.Joined(), "1 set 5 25, 1 press 5 25, 1 release 5 25");
        l.h.System()->SetItemValue(kAddress, 70.0f);
        EXPECT_EQ(l.slider->GetValue(), 70.0f);
    }
}

TEST(SliderValue, KeptWithinTheBounds)
{
    Loaded l;
    ASSERT_TRUE(l.Load(1, Range(10, 20)));
    const std::pair<float, float> cases[] = {{5, 10}, {25, 20}, {15.5f, 15.5f}, {NAN, 10}};
    for (auto [in, out] : cases)
    {
        l.slider->SetValue(in);
        EXPECT_EQ(l.slider->GetValue(), out) << in;
    }
}

// ---- Multi-state slider ----------------------------------------------------------------------

uint32_t PixelWord(const CPixelBuffer* buffer)
{
    const uint8_t* p = buffer->Row(buffer->height / 2) + (buffer->width / 2) * 4;
    return static_cast<uint32_t>(p[2]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[0]) << 8 | p[3];
}

TEST(MultiStateSlider, TheLevelSelectsTheStateAndReversedCountsFromTheEnd)
{
    const std::vector<uint32_t> fills = {0x100000FF, 0x200000FF, 0x300000FF, 0x400000FF, 0x500000FF};
    for (bool reversed : {false, true})
    {
        CButtonHarness h;
        ASSERT_TRUE(h.Ready());
        ASSERT_TRUE(h.Load({Page("Main", {SliderRecordWriter::MultiStateSlider(CButtonHarness::kVersion, 1,
                                                                               Range(0, 100, reversed), kX,
                                                                               kY, 200, 40, fills)})}));
        CDialogItem* item = h.Child(0);
        ASSERT_NE(item, nullptr);
        ASSERT_EQ(item->GetKind(), ItemKindMultiStateSlider);
        const std::pair<float, int32_t> cases[] = {{0, 0}, {19, 0}, {20, 1}, {99, 4}, {100, 4}};
        for (auto [level, state] : cases)
        {
            item->SetValue(level);
            EXPECT_EQ(item->GetState(), state) << level;
            CPixelBuffer* buffer = item->RenderState(nullptr);
            ASSERT_NE(buffer, nullptr);
            EXPECT_EQ(PixelWord(buffer), fills[reversed ? 4 - state : state]) << level;
            CPixelBuffer::Free(buffer);
        }
    }
}
} // namespace

// List boxes: layout figures, the rows from the file, dragging and coasting, taps and what they
// send, the limits on rows from a peer, and boxes of old files that have no row size.
#include <gtest/gtest.h>

#include "interface/DialogListBox.h"
#include "interface/FlipCommand.h"
#include "render/PixelBuffer.h"
#include "support/ItemTestSupport.h"
#include "support/WidgetTestSupport.h"

using buttontest::CButtonHarness;
using buttontest::Page;
using widgettest::ListBox;
using widgettest::ListBoxRecord;

namespace
{
constexpr uint32_t kAddress = 0x00010005; // device 1, channel 5

CDialogListBox* AsListBox(CDialogItem* item)
{
    return item != nullptr && item->GetKind() == ItemKindListBox ? static_cast<CDialogListBox*>(item)
                                                                 : nullptr;
}
} // namespace

struct LayoutCase
{
    uint32_t rowSize;
    int rows;
    int32_t slots;
    int32_t content;
    int32_t maxOffset;
    float ratio;
};

class ListBoxLayout : public ::testing::TestWithParam<LayoutCase>
{
};

// A vertical box 200 x 100: slots = ceil(100 / row size) + 1, content = rows x row size, maximum
// offset = content - 100 (not below 0), ratio = 90 / content.
TEST_P(ListBoxLayout, SlotsContentAndRatio)
{
    const LayoutCase c = GetParam();
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {ListBox(ListBoxRecord(c.rowSize, c.rows, {kAddress}))})}));
    CDialogListBox* box = AsListBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->GetRowCount(), c.rows);
    EXPECT_EQ(box->GetVisibleSlots(), c.slots);
    EXPECT_EQ(box->GetContentSize(), c.content);
    EXPECT_EQ(box->GetMaxOffset(), c.maxOffset);
    EXPECT_FLOAT_EQ(box->GetScrollBarRatio(), c.ratio);
}

INSTANTIATE_TEST_SUITE_P(Figures, ListBoxLayout,
                         ::testing::Values(LayoutCase{30, 10, 5, 300, 200, 90.0f / 300.0f},
                                           LayoutCase{25, 10, 5, 250, 150, 90.0f / 250.0f},
                                           LayoutCase{40, 2, 4, 80, 0, 90.0f / 80.0f},
                                           LayoutCase{30, 0, 5, 0, 0, 1.0f}));

TEST(ListBox, RowsComeFromTheFileWithTheirFields)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    auto record = ListBoxRecord(30, 3, {kAddress});
    record.rows[1].selected = 7;
    record.rows[1].imageId = 12;
    record.rows[1].keys = {0x00010009, 0x0001000A};
    record.rows[1].flips = {{FlipShowPage, "Other"}};
    record.indent = 6;
    record.horizontal = 1;
    ASSERT_TRUE(h.Load({Page("Main", {ListBox(record)})}));
    CDialogListBox* box = AsListBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->IsHorizontal());
    EXPECT_EQ(box->GetIndent(), 6);
    ASSERT_EQ(box->GetRowCount(), 3);
    ListBoxRow* row = box->GetRow(1);
    EXPECT_EQ(row->id, 1u);
    EXPECT_EQ(row->selected, 1);
    EXPECT_EQ(row->imageId, 12u);
    EXPECT_EQ(std::u16string(row->text), u"row 1");
    EXPECT_EQ(row->keys, (std::vector<uint32_t>{0x00010009, 0x0001000A}));
    EXPECT_EQ(row->flips->GetCount(), 1);
}

TEST(ListBox, TapSendsTheRowIndexPressesItsKeysAndRunsItsFlips)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    h.AddDevice(1);
    auto record = ListBoxRecord(30, 10, {kAddress});
    record.rows[2].keys = {0x00010009};
    record.rows[2].flips = {{FlipShowPage, "Other"}};
    ASSERT_TRUE(h.Load({Page("Main", {ListBox(record)}), Page("Other")}));
    CDialogListBox* box = AsListBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    box->OnMouseAt(ItemMousePress, 50, 65, 1000);
    EXPECT_EQ(box->GetTappedRow(), 2);
    box->OnMouseAt(ItemMouseRelease, 50, 65, 1100);
    EXPECT_EQ(h.log.Joined(), "1 press 5, 1 set 5 2, 1 press 9, 1 release 9, 1 release 5");
    EXPECT_STREQ(h.CurrentPageName(), "Other");
    EXPECT_EQ(box->GetTappedRow(), -1);
    EXPECT_EQ(box->GetSpeed(), 0);
}

TEST(ListBox, DragScrollsAndClampsAndTapsNoRow)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    h.AddDevice(1);
    ASSERT_TRUE(h.Load({Page("Main", {ListBox(ListBoxRecord(30, 10, {kAddress}))})}));
    CDialogListBox* box = AsListBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    box->OnMouseAt(ItemMousePress, 50, 90, 0);
    box->OnMouseAt(ItemMouseMove, 50, 60, 10);
    EXPECT_EQ(box->GetOffset(), 30);
    EXPECT_EQ(box->GetTappedRow(), -1);
    box->OnMouseAt(ItemMouseMove, 50, 100, 20); // back past the start: clamped at 0
    EXPECT_EQ(box->GetOffset(), 0);
    box->OnMouseAt(ItemMouseMove, 50, -500, 30); // far forward: clamped at the maximum
    EXPECT_EQ(box->GetOffset(), 200);
    h.log.Clear();
    box->OnMouseAt(ItemMouseRelease, 50, -500, 30);
    EXPECT_EQ(h.log.Count("1 set"), 0u);
}

TEST(ListBox, FlickCoastsAtItsSpeedAndSlowsDownToRest)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {ListBox(ListBoxRecord(30, 10, {kAddress}, 0, 0, 200, 100))})}));
    CDialogListBox* box = AsListBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    box->AddRows(190, 10); // 200 rows: room to coast
    ASSERT_EQ(box->GetMaxOffset(), 200 * 30 - 100);

    // 50 pixels up in 100 ms: 0.5 pixels per ms, 32768 in 16.16.
    box->OnMouseAt(ItemMousePress, 50, 90, 1000);
    box->OnMouseAt(ItemMouseMove, 50, 40, 1100);
    box->OnMouseAt(ItemMouseRelease, 50, 40, 1100);
    EXPECT_EQ(box->GetSpeed(), 32768);

    // The speed loses 200 per tick: 164 ticks of 5 ms to rest, each moving (speed x 5) >> 16.
    int64_t expected = box->GetOffset();
    for (int64_t speed = 32768; speed > 0; speed -= 200)
        expected += (speed * 5) >> 16;
    int ticks = 0;
    while (box->GetSpeed() != 0 && ticks < 10000)
    {
        box->OnTimer(5);
        ticks++;
    }
    EXPECT_EQ(ticks, 164);
    EXPECT_EQ(box->GetOffset(), expected);
    EXPECT_EQ(box->m_flags & ItemFlagScrolling, 0u);
}

TEST(ListBox, FlickBackwardIsNegativeAndStopsAtTheStart)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {ListBox(ListBoxRecord(30, 10, {kAddress}))})}));
    CDialogListBox* box = AsListBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    box->SetOffset(100);
    box->OnMouseAt(ItemMousePress, 50, 10, 0);
    box->OnMouseAt(ItemMouseMove, 50, 90, 20);
    box->OnMouseAt(ItemMouseRelease, 50, 90, 20);
    EXPECT_EQ(box->GetOffset(), 20);
    EXPECT_EQ(box->GetSpeed(), -80 * 65536 / 20);
    for (int i = 0; i < 10 && box->GetSpeed() != 0; i++)
        box->OnTimer(5);
    EXPECT_EQ(box->GetOffset(), 0);
    EXPECT_EQ(box->GetSpeed(), 0);
}

TEST(ListBox, PressWhileCoastingStopsTheListAndSendsNoRowAction)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    h.AddDevice(1);
    ASSERT_TRUE(h.Load({Page("Main", {ListBox(ListBoxRecord(30, 10, {kAddress}))})}));
    CDialogListBox* box = AsListBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    box->OnMouseAt(ItemMousePress, 50, 90, 0);
    box->OnMouseAt(ItemMouseMove, 50, 60, 30);
    box->OnMouseAt(ItemMouseRelease, 50, 60, 30);
    box->OnTimer(5);
    ASSERT_NE(box->GetSpeed(), 0);
    h.log.Clear();
    box->OnMouseAt(ItemMousePress, 50, 50, 100);
    EXPECT_EQ(box->GetTappedRow(), -1);
    EXPECT_EQ(box->GetSpeed(), 0);
    box->OnMouseAt(ItemMouseRelease, 50, 50, 150);
    EXPECT_EQ(h.log.Count("1 set"), 0u);
    EXPECT_EQ(h.log.Joined(), "1 press 5, 1 release 5");
}

TEST(ListBox, RowsAddedByAPeerAreCapped)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {ListBox(ListBoxRecord(30, 0, {kAddress}))})}));
    CDialogListBox* box = AsListBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    box->AddRows(0xFFFFFFFFu, 0);
    EXPECT_EQ(box->GetRowCount(), CDialogListBox::kMaxRows);
    box->AddRows(5, 0x7FFFFFF0u); // full: no further rows
    EXPECT_EQ(box->GetRowCount(), CDialogListBox::kMaxRows);
    EXPECT_EQ(box->GetContentSize(), CDialogListBox::kMaxRows * 30);
    // Existing rows are still found; ids wrap without harm.
    box->Clear();
    box->AddRows(4, 0xFFFFFFFEu);
    ASSERT_EQ(box->GetRowCount(), 4);
    EXPECT_EQ(box->GetRow(2)->id, 0u);
}

TEST(ListBox, OldFileWithoutRowSizeShowsNoRowsAndDoesNotDivideByZero)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    h.AddDevice(1);
    ASSERT_TRUE(h.Load({Page("Main")}));
    uint32_t saved = g_fileVersion;
    g_fileVersion = 0x10400;
    auto bytes = ListEditRecordWriter::ListBoxBytes(0x10400, ListBoxRecord(30, 3, {kAddress}));
    auto stream = itemtest::StreamOver(bytes);
    auto* page = static_cast<CDialogPopup*>(h.System()->GetCurrentPage());
    auto* box = new CDialogListBox(0, page);
    bool loaded = box->Load(stream.get());
    g_fileVersion = saved;
    ASSERT_TRUE(loaded);
    page->AddChild(box);
    EXPECT_EQ(box->GetRowSize(), 0);
    EXPECT_EQ(box->GetRowCount(), 3);
    EXPECT_EQ(box->GetVisibleSlots(), 0);
    EXPECT_EQ(box->GetMaxOffset(), 0);
    box->OnMouseAt(ItemMousePress, 10, 10, 0);
    EXPECT_EQ(box->GetTappedRow(), -1);
    box->OnMouseAt(ItemMouseMove, 10, 0, 5);
    box->OnMouseAt(ItemMouseRelease, 10, 0, 10);
    box->OnTimer(5);
    box->Update(5);
    CPixelBuffer* buffer = box->RenderState(nullptr);
    EXPECT_NE(buffer, nullptr);
    CPixelBuffer::Free(buffer);
    EXPECT_EQ(h.log.Count("1 set"), 0u);
}

TEST(ListBox, RendersTheVisibleRowsInTheirStates)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    auto record = ListBoxRecord(30, 10, {kAddress});
    record.rows[1].selected = 1;
    ASSERT_TRUE(h.Load({Page("Main", {ListBox(record)})}));
    CDialogListBox* box = AsListBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    box->SetOffset(15);                        // the first row is half scrolled out
    box->OnMouseAt(ItemMousePress, 50, 50, 0); // (50 + 15) / 30: row 2 tapped
    CPixelBuffer* buffer = box->RenderState(nullptr);
    ASSERT_NE(buffer, nullptr);
    auto pixel = [&](int32_t y)
    {
        const uint8_t* p = buffer->Row(y) + 4 * 100;
        return (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[0];
    };
    EXPECT_EQ(pixel(5), 0x202080u);  // row 0, plain
    EXPECT_EQ(pixel(25), 0x20A020u); // row 1, selected
    EXPECT_EQ(pixel(55), 0xA02020u); // row 2, under the finger
    EXPECT_EQ(pixel(85), 0x202080u); // row 3
    CPixelBuffer::Free(buffer);
}

TEST(ListBox, AFileWithMoreRowsThanTheCapKeepsTheCapAndReadsOnInStep)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    auto record = ListBoxRecord(30, CDialogListBox::kMaxRows + 100, {kAddress});
    record.rows.back().flips = {{FlipShowPage, "Other"}};
    record.rows.back().keys = {0x00010009};
    ASSERT_TRUE(h.Load({Page("Main", {ListBox(record), widgettest::EditBox("after", {})})}));
    CDialogListBox* box = AsListBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->GetRowCount(), CDialogListBox::kMaxRows);
    ASSERT_NE(h.Child(1), nullptr);
    EXPECT_EQ(h.Child(1)->GetKind(), ItemKindEditBox);
    EXPECT_STREQ(h.Child(1)->m_name, "after");
}

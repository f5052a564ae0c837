// Edit boxes: the record, the text operations and their limits, the caret blink, the focus, and
// what Send hands to the device of the item's first address.
#include <gtest/gtest.h>

#include <cstring>

#include "interface/DialogEditBox.h"
#include "interface/DialogItemState.h"
#include "render/PixelBuffer.h"
#include "support/ButtonTestSupport.h"
#include "tools/writer/ListEditRecordWriter.h"

using buttontest::CButtonHarness;
using buttontest::Page;

namespace
{
constexpr uint32_t kAddress = 0x00010005; // device 1, channel 5

PageRecordWriter::ChildRecord EditBox(const char* name, uint32_t maximum, int16_t x = 10, int states = 2)
{
    ListEditRecordWriter::EditBoxRecord record;
    record.maximum = maximum;
    record.firstText = "first";
    record.item.x = x;
    record.item.y = 10;
    record.item.width = 100;
    record.item.height = 30;
    record.item.addresses = {kAddress};
    for (int i = 0; i < states; i++)
    {
        ItemRecordWriter::StateRecord state;
        state.fillColor = 0x303030FF + static_cast<uint32_t>(i) * 0x100u;
        record.item.states.push_back(state);
    }
    PageRecordWriter::ChildRecord child = ListEditRecordWriter::EditBox(CButtonHarness::kVersion, 0, record);
    child.name = name;
    return child;
}

CDialogEditBox* AsEditBox(CDialogItem* item)
{
    return item != nullptr && item->GetKind() == ItemKindEditBox ? static_cast<CDialogEditBox*>(item)
                                                                 : nullptr;
}

std::u16string Text(CDialogEditBox* box)
{
    return box->GetText();
}
} // namespace

TEST(EditBox, LoadsItsRecordAndTheStartPageFocusesIt)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {EditBox("ROOM", 5)})}));
    CDialogEditBox* box = AsEditBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->GetMaximum(), 5u);
    EXPECT_EQ(box->GetStateCount(), 2);
    EXPECT_STREQ(box->m_name, "ROOM");
    EXPECT_EQ(h.System()->GetFocusedEditBox(), box);
}

TEST(EditBox, SendHandsNameDashTextInUtf8ToTheFirstDeviceAndEmptiesTheBox)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    h.AddDevice(1);
    ASSERT_TRUE(h.Load({Page("Main", {EditBox("ROOM", 0)})}));
    CDialogEditBox* box = AsEditBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    box->InsertText(u"hello");
    box->Send();
    ASSERT_EQ(h.log.lines.size(), 1u);
    std::string line = h.log.lines[0];
    ASSERT_EQ(line.substr(0, 8), "1 bytes ");
    std::vector<uint8_t> bytes(line.begin() + 8, line.end());
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x52, 0x4F, 0x4F, 0x4D, 0x2D, 0x68, 0x65, 0x6C, 0x6C, 0x6F}));
    EXPECT_TRUE(Text(box).empty());
    EXPECT_EQ(box->GetCaret(), 0u);

    // Characters beyond ASCII go out as UTF-8; a box without a name sends nothing but still empties.
    h.log.Clear();
    box->InsertText(u"\u00e9");
    box->Send();
    ASSERT_EQ(h.log.lines.size(), 1u);
    EXPECT_EQ(h.log.lines[0], "1 bytes ROOM-\xC3\xA9");
    h.log.Clear();
    delete[] box->m_name;
    box->m_name = nullptr;
    box->InsertText(u"x");
    box->Send();
    EXPECT_TRUE(h.log.lines.empty());
    EXPECT_TRUE(Text(box).empty());
}

TEST(EditBox, MaximumLengthDropsAnInsertionWhole)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {EditBox("A", 5)})}));
    CDialogEditBox* box = AsEditBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    box->InsertText(u"abc");
    box->InsertText(u"def");
    EXPECT_EQ(Text(box), u"abc");
    box->InsertText(u"de");
    EXPECT_EQ(Text(box), u"abcde");
    EXPECT_EQ(box->GetCaret(), 5u);
    // Every state shows the text.
    EXPECT_EQ(std::u16string(box->GetStateAt(1)->m_text), u"abcde");
}

TEST(EditBox, WithoutAMaximumTheTextStopsAtTheDocumentedLimit)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {EditBox("A", 0)})}));
    CDialogEditBox* box = AsEditBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    std::u16string chunk(1000, u'x');
    for (int i = 0; i < 10; i++)
        box->InsertText(chunk.c_str());
    EXPECT_EQ(Text(box).size(), 4000u);
    std::u16string rest(CDialogEditBox::kTextLimit - 4000, u'y');
    box->InsertText(rest.c_str());
    EXPECT_EQ(Text(box).size(), CDialogEditBox::kTextLimit);
    box->InsertText(u"z");
    EXPECT_EQ(Text(box).size(), CDialogEditBox::kTextLimit);
}

TEST(EditBox, CaretMovesAndDeletes)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {EditBox("A", 0)})}));
    CDialogEditBox* box = AsEditBox(h.Child(0));
    ASSERT_NE(box, nullptr);

    // An empty text: the caret stays.
    box->CaretLeft();
    box->CaretRight();
    box->Backspace();
    EXPECT_EQ(box->GetCaret(), 0u);

    box->InsertText(u"abcd");
    box->CaretHome();
    EXPECT_EQ(box->GetCaret(), 0u);
    box->Backspace(); // nothing before the caret
    EXPECT_EQ(Text(box), u"abcd");
    box->CaretRight();
    box->CaretRight();
    box->Backspace();
    EXPECT_EQ(Text(box), u"acd");
    EXPECT_EQ(box->GetCaret(), 1u);
    box->DeleteChar();
    EXPECT_EQ(Text(box), u"ad");
    box->InsertText(u"XY");
    EXPECT_EQ(Text(box), u"aXYd");
    EXPECT_EQ(box->GetCaret(), 3u);
    box->CaretEnd();
    box->DeleteChar(); // at the end: nothing
    box->CaretRight(); // at the end: nothing
    EXPECT_EQ(Text(box), u"aXYd");
    EXPECT_EQ(box->GetCaret(), 4u);
    box->Clear();
    EXPECT_TRUE(Text(box).empty());
    EXPECT_EQ(box->GetCaret(), 0u);
}

TEST(EditBox, CaretBlinksEvery500MsAndCarriesTheRest)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {EditBox("A", 0)})}));
    CDialogEditBox* box = AsEditBox(h.Child(0));
    ASSERT_NE(box, nullptr);
    bool start = box->IsCaretOn();
    uint32_t startTime = box->m_animationTimeMs;
    int toggles = 0;
    bool last = start;
    for (int t = 0; t < 1250; t += 5)
    {
        box->Update(5);
        if (box->IsCaretOn() != last)
            toggles++;
        last = box->IsCaretOn();
    }
    EXPECT_EQ(toggles, 2);
    EXPECT_EQ(box->m_animationTimeMs, startTime + 250);
    EXPECT_EQ(box->IsCaretOn(), start);
}

TEST(EditBox, FocusFollowsThePressAndFocusedBoxPaintsItsSecondState)
{
    CButtonHarness h;
    ASSERT_TRUE(h.Ready());
    ASSERT_TRUE(h.Load({Page("Main", {EditBox("A", 0, 10), EditBox("B", 0, 200)})}));
    CDialogEditBox* a = AsEditBox(h.Child(0));
    CDialogEditBox* b = AsEditBox(h.Child(1));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(h.System()->GetFocusedEditBox(), a);
    h.Click(250, 20);
    EXPECT_EQ(h.System()->GetFocusedEditBox(), b);

    // The focused box paints its second state's fill, the other its first.
    CPixelBuffer* focused = b->RenderState(nullptr);
    CPixelBuffer* other = a->RenderState(nullptr);
    ASSERT_NE(focused, nullptr);
    ASSERT_NE(other, nullptr);
    uint32_t focusedPixel = 0;
    uint32_t otherPixel = 0;
    std::memcpy(&focusedPixel, focused->Row(15) + 4 * 50, 4);
    std::memcpy(&otherPixel, other->Row(15) + 4 * 50, 4);
    EXPECT_NE(focusedPixel, otherPixel);
    CPixelBuffer::Free(focused);
    CPixelBuffer::Free(other);
}

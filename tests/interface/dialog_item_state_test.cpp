#include <gtest/gtest.h>

#include <FreeImage.h>

#include <string>

#include "common/Vector.h"
#include "interface/DialogItem.h"
#include "interface/DialogItemState.h"
#include "render/Fnt.h"
#include "render/Sprite.h"
#include "tests/interface/support/ItemTestSupport.h"
#include "tools/writer/ItemRecordWriter.h"

using itemtest::CRecordingDialogSystem;
namespace irw = ItemRecordWriter;

namespace
{
const char* const kFontPath = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";

// A static image of that size; named or not (only named images are placed by alignment).
CSprite* NewImage(uint32_t id, int32_t width, int32_t height, const char* name = "picture")
{
    return new CSprite(id, name, FreeImage_Allocate(width, height, 32));
}

std::u16string TextOf(const CDialogItemState* state)
{
    return state->m_text != nullptr ? std::u16string(state->m_text) : std::u16string();
}

struct Offsets
{
    int32_t x;
    int32_t y;
};
} // namespace

TEST(ItemStateRecord, FieldsFollowTheFileVersion)
{
    CRecordingDialogSystem backEnd;
    backEnd.GetImages()->Add(NewImage(7, 20, 10));
    backEnd.GetIcons()->Add(NewImage(8, 6, 6));
    CFnt* font = new CFnt(kFontPath, 3, 12);
    backEnd.GetFonts()->Add(font);

    irw::StateRecord record;
    record.fillColor = 0x11223344;
    record.opacity = 200;
    record.drawOrder = 0x12345;
    record.bitmapId = 7;
    record.bitmapAlignment = 0;
    record.bitmapX = -3;
    record.bitmapY = 4;
    record.iconId = 9; // no such icon
    record.iconAlignment = 2;
    record.border = 0x01000007;
    record.borderColor = 0xAABBCCDD;
    record.fontId = 3;
    record.textAlignment = 1;
    record.wordWrap = 1;
    record.textX = -7;
    record.textY = 8;
    record.textColor = 0x000000FF;
    record.text = "Caf\xC3\xA9|on";
    record.textEffect = 12;
    record.textEffectColor = 0xFF0000FF;

    struct Case
    {
        uint32_t version;
        bool hasBorders; // draw order, border, word wrap: 0x10400
        bool hasEffects; // 0x10500
    } cases[] = {
        {0x10200, false, false}, {0x103FF, false, false}, {0x10400, true, false}, {0x10500, true, true}};
    for (const Case& c : cases)
    {
        std::vector<uint8_t> bytes =
            itemtest::RecordBytes(c.version, [&](CInterfaceFileWriter& w) { irw::PutState(w, record); });
        auto stream = itemtest::StreamOver(bytes);
        ItemRect rect{0, 0, 100, 50};
        CDialogItem item(0, nullptr, &rect);
        CDialogItemState state(&item);
        ASSERT_TRUE(state.Load(stream.get(), c.version)) << std::hex << c.version;
        EXPECT_EQ(stream->Pending(), 0) << std::hex << c.version;
        EXPECT_EQ(state.m_fillColor, 0x11223344u);
        EXPECT_EQ(state.m_opacity, 200);
        EXPECT_EQ(state.m_drawOrder, c.hasBorders ? 0x12345u : 0x54321u);
        EXPECT_EQ(state.m_bitmap, backEnd.FindImage(7));
        EXPECT_EQ(state.m_bitmapX, -3) << "alignment 0 keeps the stored offsets";
        EXPECT_EQ(state.m_bitmapY, 4);
        EXPECT_EQ(state.m_icon, nullptr);
        EXPECT_EQ(state.m_iconAlignment, 2);
        EXPECT_EQ(state.m_border, c.hasBorders ? 0x01000007u : 0u);
        EXPECT_EQ(state.m_borderColor, c.hasBorders ? 0xAABBCCDDu : 0u);
        EXPECT_EQ(state.m_font, font);
        EXPECT_EQ(state.m_textAlignment, 1);
        EXPECT_EQ(state.m_wordWrap, c.hasBorders ? 1 : 0);
        EXPECT_EQ(state.m_textX, -7);
        EXPECT_EQ(state.m_textY, 8);
        EXPECT_EQ(state.m_textColor, 0x000000FFu);
        EXPECT_EQ(TextOf(&state), u"Caf\u00E9\non");
        EXPECT_EQ(state.m_textTemplate, nullptr);
        EXPECT_EQ(state.m_textEffect, c.hasEffects ? 12 : 0);
        EXPECT_EQ(state.m_textEffectColor, c.hasEffects ? 0xFF0000FFu : 0u);
    }
}

TEST(ItemStateRecord, AlignedImagesArePlacedWhenRead)
{
    CRecordingDialogSystem backEnd;
    backEnd.GetImages()->Add(NewImage(1, 20, 10));
    backEnd.GetIcons()->Add(NewImage(2, 10, 10, nullptr)); // unnamed: never placed
    irw::StateRecord record;
    record.bitmapId = 1;
    record.bitmapAlignment = 9;
    record.bitmapX = 3;
    record.iconId = 2;
    record.iconAlignment = 9;
    record.iconX = 5;
    record.iconY = 6;
    std::vector<uint8_t> bytes =
        itemtest::RecordBytes(0x10501, [&](CInterfaceFileWriter& w) { irw::PutState(w, record); });
    auto stream = itemtest::StreamOver(bytes);
    ItemRect rect{0, 0, 100, 50};
    CDialogItem item(0, nullptr, &rect);
    CDialogItemState state(&item);
    ASSERT_TRUE(state.Load(stream.get(), 0x10501));
    EXPECT_EQ(state.m_bitmapX, 80);
    EXPECT_EQ(state.m_bitmapY, 40);
    EXPECT_EQ(state.m_iconX, 5);
    EXPECT_EQ(state.m_iconY, 6);
}

TEST(ItemStateRecord, EveryTruncationFailsCleanly)
{
    irw::StateRecord record;
    record.text = "Some text $P";
    for (uint32_t version : {0x10200u, 0x10400u, 0x10500u})
    {
        std::vector<uint8_t> bytes =
            itemtest::RecordBytes(version, [&](CInterfaceFileWriter& w) { irw::PutState(w, record); });
        for (size_t cut = 0; cut < bytes.size(); cut++)
        {
            std::vector<uint8_t> part(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(cut));
            auto stream = itemtest::StreamOver(part);
            CDialogItem item(0, nullptr);
            CDialogItemState state(&item);
            EXPECT_FALSE(state.Load(stream.get(), version))
                << std::hex << version << std::dec << " cut " << cut;
        }
    }
}

TEST(ItemStatePlacement, AlignmentCodesPlaceInTheGridOfTheItem)
{
    struct Case
    {
        uint8_t code;
        int32_t imageWidth;
        int32_t imageHeight;
        Offsets expected;
    } cases[] = {
        {1, 20, 10, {0, 0}},      {2, 20, 10, {40, 0}},  {3, 20, 10, {80, 0}}, {4, 20, 10, {0, 20}},
        {5, 20, 10, {40, 20}},    {6, 20, 10, {80, 20}}, {7, 20, 10, {0, 40}}, {8, 20, 10, {40, 40}},
        {9, 20, 10, {80, 40}},    {5, 21, 11, {39, 19}}, // halves truncate
        {5, 131, 71, {-15, -10}}, // larger than the item: negative, truncated toward zero
        {9, 131, 71, {-31, -21}}, {0, 20, 10, {11, 12}}, // code 0 keeps what is stored
    };
    for (const Case& c : cases)
    {
        ItemRect rect{0, 0, 100, 50};
        CDialogItem item(0, nullptr, &rect);
        CDialogItemState state(&item);
        CSprite* image = NewImage(1, c.imageWidth, c.imageHeight);
        state.m_bitmap = image;
        state.m_icon = image;
        state.m_bitmapX = state.m_iconX = 11;
        state.m_bitmapY = state.m_iconY = 12;
        PlaceStateBitmap(&state, c.code);
        PlaceStateIcon(&state, c.code);
        EXPECT_EQ(state.m_bitmapX, c.expected.x) << "code " << int(c.code) << " " << c.imageWidth;
        EXPECT_EQ(state.m_bitmapY, c.expected.y) << "code " << int(c.code) << " " << c.imageHeight;
        EXPECT_EQ(state.m_iconX, c.expected.x);
        EXPECT_EQ(state.m_iconY, c.expected.y);
        delete image;
    }
}

TEST(ItemStatePlacement, UsesTheLoadedSizeNotTheCurrentOne)
{
    ItemRect rect{0, 0, 100, 50};
    CDialogItem item(0, nullptr, &rect);
    item.m_currentRect.width = 10; // a slide effect in progress
    CDialogItemState state(&item);
    CSprite* image = NewImage(1, 20, 10);
    state.m_bitmap = image;
    PlaceStateBitmap(&state, 3);
    EXPECT_EQ(state.m_bitmapX, 80);
    delete image;
}

class ItemStateSetters : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ItemRect rect{0, 0, 100, 50};
        item = std::make_unique<CDialogItem>(0, nullptr, &rect);
        for (int i = 0; i < 2; i++)
            item->AddState(new CDialogItemState(item.get()));
        backEnd.invalidated.clear();
    }
    CDialogItemState* S(int i) { return item->GetStateAt(i); }

    CRecordingDialogSystem backEnd;
    std::unique_ptr<CDialogItem> item;
};

TEST_F(ItemStateSetters, IndexSelectsOneStateMinusOneEveryStateOthersNone)
{
    struct Case
    {
        int32_t index;
        bool changes0;
        bool changes1;
    } cases[] = {{-1, true, true},  {0, true, false},  {1, false, true},
                 {2, false, false}, {5, false, false}, {-2, false, false}};
    for (const Case& c : cases)
    {
        SetUp();
        item->SetFillColor(c.index, 0x10);
        item->SetTextColor(c.index, 0x20);
        item->SetBorderColor(c.index, 0x30);
        item->SetOpacity(c.index, 40);
        item->SetText(c.index, u"t");
        item->SetTextAlignment(c.index, 7);
        const bool changes[2] = {c.changes0, c.changes1};
        for (int i = 0; i < 2; i++)
        {
            EXPECT_EQ(S(i)->m_fillColor, changes[i] ? 0x10u : 0u) << c.index << " state " << i;
            EXPECT_EQ(S(i)->m_textColor, changes[i] ? 0x20u : 0u);
            EXPECT_EQ(S(i)->m_borderColor, changes[i] ? 0x30u : 0u);
            EXPECT_EQ(S(i)->m_opacity, changes[i] ? 40 : 255);
            EXPECT_EQ(TextOf(S(i)), changes[i] ? u"t" : u"");
            EXPECT_EQ(S(i)->m_textAlignment, changes[i] ? 7 : 5);
        }
        // Every setter invalidates, also when the index names no state.
        EXPECT_EQ(backEnd.invalidated.size(), 6u) << c.index;
        EXPECT_TRUE(item->NeedsRender());
    }
}

TEST_F(ItemStateSetters, BitmapAlignmentResetsOffsetsAndPlacesNamedImagesOnly)
{
    CSprite* named = NewImage(1, 20, 10);
    CSprite* unnamed = NewImage(2, 20, 10, nullptr);
    for (CSprite* image : {named, unnamed})
    {
        item->SetBitmap(-1, image);
        S(0)->m_bitmapX = S(1)->m_bitmapX = 7;
        item->SetBitmapAlignment(-1, 9);
        for (int i = 0; i < 2; i++)
        {
            EXPECT_EQ(S(i)->m_bitmapAlignment, 9);
            EXPECT_EQ(S(i)->m_bitmapX, image == named ? 80 : 0);
            EXPECT_EQ(S(i)->m_bitmapY, image == named ? 40 : 0);
        }
        item->SetIcon(1, image);
        item->SetIconAlignment(1, 8);
        EXPECT_EQ(S(1)->m_iconX, image == named ? 40 : 0);
        EXPECT_EQ(S(1)->m_iconY, image == named ? 40 : 0);
        EXPECT_EQ(S(0)->m_icon, nullptr);
    }
    item->SetBitmap(-1, nullptr);
    item->SetIcon(-1, nullptr);
    delete named;
    delete unnamed;
}

TEST_F(ItemStateSetters, NewBitmapKeepsTheAlignmentAndIsPlacedAgain)
{
    CSprite* small = NewImage(1, 20, 10);
    CSprite* large = NewImage(2, 60, 30);
    item->SetBitmap(0, small);
    item->SetBitmapAlignment(0, 6);
    EXPECT_EQ(S(0)->m_bitmapX, 80);
    item->SetBitmap(0, large);
    EXPECT_EQ(S(0)->m_bitmapAlignment, 6);
    EXPECT_EQ(S(0)->m_bitmapX, 40);
    EXPECT_EQ(S(0)->m_bitmapY, 10);
    item->SetBitmap(-1, nullptr);
    delete small;
    delete large;
}

TEST_F(ItemStateSetters, LoadingPageSettersChangeEveryState)
{
    CSprite* splash = NewImage(1, 40, 20);
    CFnt font(kFontPath, 1, 10);
    S(0)->m_bitmapAlignment = 1;
    S(1)->m_bitmapX = 99;
    item->SetLoadingBorder();
    item->SetFont(&font);
    item->SetBitmapCentred(splash);
    for (int i = 0; i < 2; i++)
    {
        EXPECT_EQ(S(i)->m_border, 7u);
        EXPECT_EQ(S(i)->m_font, &font);
        EXPECT_EQ(S(i)->m_bitmap, splash);
        EXPECT_EQ(S(i)->m_bitmapAlignment, 5);
        EXPECT_EQ(S(i)->m_bitmapX, 30);
        EXPECT_EQ(S(i)->m_bitmapY, 15);
    }
    item->SetBitmap(-1, nullptr);
    delete splash;
}

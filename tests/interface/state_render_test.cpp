#include <gtest/gtest.h>

#include <FreeImage.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "common/Vector.h"
#include "devices/HTTPDynamicImage.h"
#include "interface/DialogItem.h"
#include "interface/DialogItemState.h"
#include "interface/ItemStateRenderer.h"
#include "interface/TextVariables.h"
#include "render/DynamicSprite.h"
#include "render/Fnt.h"
#include "render/PixelBuffer.h"
#include "render/Sprite.h"
#include "render/Template.h"
#include "tests/interface/support/ItemTestSupport.h"

using itemtest::CRecordingDialogSystem;

namespace
{
const char* const kFontPath = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";

using Pixel = std::array<uint8_t, 4>; // B, G, R, A

Pixel At(const CPixelBuffer* buffer, int32_t x, int32_t y)
{
    const uint8_t* p = buffer->Row(y) + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

bool AllPixels(const CPixelBuffer* buffer, const Pixel& expected)
{
    for (int32_t y = 0; y < buffer->height; y++)
        for (int32_t x = 0; x < buffer->width; x++)
            if (At(buffer, x, y) != expected)
                return false;
    return true;
}

struct Bounds
{
    int32_t left = 1 << 30;
    int32_t top = 1 << 30;
    int32_t right = -1; // inclusive
    int32_t bottom = -1;
    bool Empty() const { return right < 0; }
};

// The box around every pixel that is not fully transparent.
Bounds CoveredBounds(const CPixelBuffer* buffer)
{
    Bounds b;
    for (int32_t y = 0; y < buffer->height; y++)
        for (int32_t x = 0; x < buffer->width; x++)
            if (At(buffer, x, y)[3] != 0)
            {
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x);
                b.bottom = std::max(b.bottom, y);
            }
    return b;
}

// A 32-bit image of one colour (bytes B, G, R, A), named so that it can be aligned.
CSprite* SolidImage(uint32_t id, int32_t width, int32_t height, Pixel colour)
{
    FIBITMAP* bitmap = FreeImage_Allocate(width, height, 32);
    for (int32_t y = 0; y < height; y++)
    {
        uint8_t* line = FreeImage_GetScanLine(bitmap, y);
        for (int32_t x = 0; x < width; x++)
            std::memcpy(line + x * 4, colour.data(), 4);
    }
    return new CSprite(id, "image", bitmap);
}

// Frame template data: 21 entries, then one piece per entry (3 to 20). Tint pieces are 2 x 2 of
// (tintGrey, 255); shade pieces are 2 x 2 of (shadeGrey, shadeAlpha), or 0 x 0 when shadeAlpha is
// 0 (no shade).
std::vector<uint8_t> TemplateData(int32_t variant, uint16_t left, uint16_t top, uint16_t right,
                                  uint16_t bottom, uint8_t tintGrey, uint8_t shadeGrey = 0,
                                  uint8_t shadeAlpha = 0)
{
    std::vector<uint8_t> data(CTemplate::kEntryCount * 4);
    auto put32 = [&data](size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; i++)
            data[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(0, static_cast<uint32_t>(variant));
    put32(4, left | static_cast<uint32_t>(top) << 16);
    put32(8, right | static_cast<uint32_t>(bottom) << 16);
    for (int entry = CTemplate::kFirstTintEntry; entry < CTemplate::kEntryCount; entry++)
    {
        put32(entry * 4, static_cast<uint32_t>(data.size()));
        bool shade = entry >= CTemplate::kFirstShadeEntry;
        uint8_t size = shade && shadeAlpha == 0 ? 0 : 2;
        data.push_back(size);
        data.push_back(size);
        for (int i = 0; i < size * size; i++)
        {
            data.push_back(shade ? shadeGrey : tintGrey);
            data.push_back(shade ? shadeAlpha : 255);
        }
    }
    return data;
}

CTemplate* NewTemplate(const std::vector<uint8_t>& data, uint32_t id = 1)
{
    return new CTemplate(id, data.data(), static_cast<int32_t>(data.size()));
}

class StateRendering : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ItemRect rect{0, 0, 20, 10};
        item = std::make_unique<CDialogItem>(0, nullptr, &rect);
        item->AddState(new CDialogItemState(item.get()));
        state = item->GetStateAt(0);
    }
    void TearDown() override { CPixelBuffer::Free(buffer); }

    CPixelBuffer* Render()
    {
        buffer = RenderItemState(buffer, item.get(), state);
        return buffer;
    }
    void AddTemplates(int count, uint16_t margin = 0)
    {
        for (int i = 0; i < count; i++)
            backEnd.GetTemplates()->Add(NewTemplate(TemplateData(0, margin, margin, margin, margin, 255)));
    }

    CRecordingDialogSystem backEnd;
    std::unique_ptr<CDialogItem> item;
    CDialogItemState* state = nullptr;
    CPixelBuffer* buffer = nullptr;
};

const Pixel kClear{0, 0, 0, 0};
} // namespace

TEST_F(StateRendering, FillTurnsTheStateColourIntoPixelBytes)
{
    state->m_fillColor = 0x11223344; // 0xRRGGBBAA
    Render();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->width, 20);
    EXPECT_EQ(buffer->height, 10);
    EXPECT_TRUE(AllPixels(buffer, Pixel{0x33, 0x22, 0x11, 0x44}));
}

TEST_F(StateRendering, DrawOrderCodesPaintLowestFirst)
{
    AddTemplates(1);
    state->m_fillColor = 0x0000FFFF;   // opaque blue
    state->m_borderColor = 0xFF0000FF; // opaque red
    state->m_border = 1;
    const Pixel blue{255, 0, 0, 255};
    const Pixel red{0, 0, 255, 255};
    struct Case
    {
        uint32_t order;
        Pixel corner;
        Pixel centre;
    } cases[] = {
        {0x00000, kClear, kClear},                         // nothing but the cleared buffer
        {0x66789, kClear, kClear},                         // 6 to 15 paint nothing
        {0x00001, blue, blue},                             // the fill draws the frame too, in the fill colour
        {0x00051, red, blue},                              // fill, then border
        {0x00015, blue, blue},                             // the border first, the fill over it
        {0x00005, red, kClear},    {0x00055, red, kClear}, // a code twice draws twice
        {0xFFF15, blue, blue},                             // only the five lowest codes count
    };
    for (const Case& c : cases)
    {
        state->m_drawOrder = c.order;
        Render();
        EXPECT_EQ(At(buffer, 0, 0), c.corner) << std::hex << c.order;
        EXPECT_EQ(At(buffer, 10, 5), c.centre) << std::hex << c.order;
    }
}

TEST_F(StateRendering, ReusedBufferIsClearedFirst)
{
    state->m_fillColor = 0xFFFFFFFF;
    Render();
    state->m_drawOrder = 0;
    Render();
    EXPECT_TRUE(AllPixels(buffer, kClear));
}

TEST_F(StateRendering, DisabledItemIsGreyedAfterItsBorder)
{
    AddTemplates(1);
    state->m_fillColor = 0x0000FFFF; // blue: grey 29
    state->m_border = 1;
    state->m_borderColor = 0xFF0000FF; // red: grey 76
    item->SetEnabled(false);
    Render();
    EXPECT_EQ(At(buffer, 0, 0), (Pixel{76, 76, 76, 255})) << "the frame is grey too";
    EXPECT_EQ(At(buffer, 10, 5), (Pixel{29, 29, 29, 255}));
}

TEST_F(StateRendering, WithoutAStateOnlyTheClearedBufferIsPainted)
{
    item->SetEnabled(false);
    CPixelBuffer* painted = RenderItemState(nullptr, item.get(), nullptr);
    ASSERT_NE(painted, nullptr);
    EXPECT_EQ(painted->width, 20);
    EXPECT_TRUE(AllPixels(painted, kClear)) << "greyed and still transparent";
    CPixelBuffer::Free(painted);
}

TEST_F(StateRendering, StateOpacityIsKeptForCompositing)
{
    state->m_opacity = 77;
    Render();
    EXPECT_EQ(item->m_renderedOpacity, 77);
}

TEST(StateBorder, ResolvesTemplatesByPositionAndImagesWithABitmap)
{
    CRecordingDialogSystem backEnd;
    backEnd.GetImages()->Add(SolidImage(7, 4, 4, {1, 2, 3, 255}));
    CDynamicSprite* waiting = new CDynamicSprite(std::make_unique<CHTTPDynamicImage>()); // no picture yet
    waiting->SetId(9);
    backEnd.GetImages()->Add(waiting);
    struct Case
    {
        int templates;
        uint32_t border;
        BorderKind kind;
        int32_t templateIndex; // -1: none
    } cases[] = {
        {2, 0, BorderNone, -1},
        {2, 1, BorderTemplate, 0},
        {2, 2, BorderTemplate, 1},
        {2, 3, BorderNone, -1}, // beyond the pack
        {2, 0xFFFFFF, BorderNone, -1},
        {2, 0x01000007, BorderImage, -1},
        {2, 0x01000009, BorderNone, -1}, // a dynamic image before its first picture
        {2, 0x01000008, BorderNone, -1}, // no such image
        {2, 0x01000000, BorderNone, -1},
        {2, 0x02000005, BorderNone, -1},
        {2, 0xFF000001, BorderNone, -1},
        {0, 1, BorderNone, -1}, // no template loaded: no border of either kind
        {0, 0x01000007, BorderNone, -1},
    };
    for (const Case& c : cases)
    {
        for (int i = 0; i < backEnd.GetTemplates()->GetCount(); i++)
            delete backEnd.GetTemplates()->Get<CTemplate>(i);
        backEnd.GetTemplates()->RemoveAll();
        for (int i = 0; i < c.templates; i++)
            backEnd.GetTemplates()->Add(NewTemplate(TemplateData(0, 0, 0, 0, 0, 255), 100 + i));
        CTemplate* frame = nullptr;
        CSprite* image = nullptr;
        EXPECT_EQ(ResolveStateBorder(c.border, &frame, &image), c.kind) << std::hex << c.border;
        EXPECT_EQ(frame,
                  c.templateIndex < 0 ? nullptr : backEnd.GetTemplates()->Get<CTemplate>(c.templateIndex));
        EXPECT_EQ(image, c.kind == BorderImage ? backEnd.FindImage(7) : nullptr);
    }
    for (int i = 0; i < backEnd.GetTemplates()->GetCount(); i++)
        delete backEnd.GetTemplates()->Get<CTemplate>(i);
    backEnd.GetTemplates()->RemoveAll();
}

TEST_F(StateRendering, ImageBorderTintsTheFillAndIsCentred)
{
    AddTemplates(1);
    // Red x alpha is the fill coverage, green x alpha the border coverage.
    backEnd.GetImages()->Add(SolidImage(7, 10, 4, {0, 255, 255, 255}));
    state->m_border = 0x01000007;
    state->m_fillColor = 0x00FF00FF;   // green
    state->m_borderColor = 0x0000FFFF; // blue
    state->m_drawOrder = 0x1;
    Render();
    // Centred: x 5..14, y 3..6; no solid fill around it.
    EXPECT_EQ(At(buffer, 4, 5), kClear);
    EXPECT_EQ(At(buffer, 5, 3), (Pixel{0, 255, 0, 255}));
    EXPECT_EQ(At(buffer, 14, 6), (Pixel{0, 255, 0, 255}));
    EXPECT_EQ(At(buffer, 15, 6), kClear);
    EXPECT_EQ(At(buffer, 10, 2), kClear);

    state->m_drawOrder = 0x51;
    Render();
    EXPECT_EQ(At(buffer, 10, 5), (Pixel{255, 0, 0, 255})) << "the border tint covers the fill";
}

TEST_F(StateRendering, ImageBorderWithoutAPictureFillsSolidly)
{
    AddTemplates(1);
    CDynamicSprite* waiting = new CDynamicSprite(std::make_unique<CHTTPDynamicImage>());
    waiting->SetId(7);
    backEnd.GetImages()->Add(waiting);
    state->m_border = 0x01000007;
    state->m_fillColor = 0x00FF00FF;
    Render();
    EXPECT_TRUE(AllPixels(buffer, Pixel{0, 255, 0, 255}));
}

TEST(StateTemplate, FramePiecesSitOnTheEdgesAndTheCentreStaysUntouched)
{
    CRecordingDialogSystem backEnd; // blend tables
    std::vector<uint8_t> data = TemplateData(0, 0, 0, 0, 0, 255);
    CTemplate frame(1, data.data(), static_cast<int32_t>(data.size()));
    CPixelBuffer* buffer = CPixelBuffer::Create(9, 7);
    frame.DrawFrame(buffer, 0xFF102030);
    const Pixel tint{0x30, 0x20, 0x10, 0xFF};
    for (int32_t y = 0; y < 7; y++)
        for (int32_t x = 0; x < 9; x++)
        {
            bool edge = x < 2 || x >= 7 || y < 2 || y >= 5;
            EXPECT_EQ(At(buffer, x, y), edge ? tint : kClear) << x << "," << y;
        }
    CPixelBuffer::Free(buffer);
}

TEST(StateTemplate, ShadesDarkenTheTintedVariant)
{
    CRecordingDialogSystem backEnd;
    std::vector<uint8_t> data = TemplateData(0, 0, 0, 0, 0, 255, 0, 255); // black shade, opaque
    std::unique_ptr<CTemplate> frame(NewTemplate(data));
    CPixelBuffer* buffer = CPixelBuffer::Create(6, 6);
    frame->DrawFrame(buffer, 0xFFFFFFFF);
    EXPECT_EQ(At(buffer, 0, 0), (Pixel{0, 0, 0, 255}));
    CPixelBuffer::Free(buffer);
}

TEST(StateTemplate, PlainVariantDrawsTheShadeEntriesInGrey)
{
    CRecordingDialogSystem backEnd;
    // Tint entries grey 255; shade entries grey 100, alpha 255 (drawn as they are in grey mode).
    std::vector<uint8_t> data = TemplateData(-1, 0, 0, 0, 0, 255, 100, 255);
    std::unique_ptr<CTemplate> frame(NewTemplate(data));
    EXPECT_TRUE(frame->IsPlain());
    CPixelBuffer* buffer = CPixelBuffer::Create(6, 6);
    frame->DrawFrame(buffer, 0xFF0000FF);
    EXPECT_EQ(At(buffer, 0, 0), (Pixel{100, 100, 100, 255}));
    EXPECT_EQ(At(buffer, 5, 3), (Pixel{100, 100, 100, 255}));
    CPixelBuffer::Free(buffer);
}

TEST(StateTemplate, DamagedDataDrawsNothing)
{
    CRecordingDialogSystem backEnd;
    std::vector<uint8_t> whole = TemplateData(0, 5, 6, 7, 8, 255);
    std::vector<uint8_t> entriesOnly(whole.begin(), whole.begin() + CTemplate::kEntryCount * 4);
    std::vector<uint8_t> shortRow(whole.begin(), whole.begin() + CTemplate::kEntryCount * 4 - 1);
    struct Case
    {
        const char* what;
        std::vector<uint8_t> data;
        int32_t leftMargin;
    } cases[] = {
        {"pieces cut off", entriesOnly, 5},
        {"entry row cut", shortRow, 0},
        {"no data", {}, 0},
    };
    for (const Case& c : cases)
    {
        CTemplate frame(1, c.data.data(), static_cast<int32_t>(c.data.size()));
        EXPECT_EQ(frame.GetLeftMargin(), c.leftMargin) << c.what;
        CPixelBuffer* buffer = CPixelBuffer::Create(8, 8);
        frame.DrawFrame(buffer, 0xFFFFFFFF);
        EXPECT_TRUE(AllPixels(buffer, kClear)) << c.what;
        CPixelBuffer::Free(buffer);
    }
    CTemplate margins(1, whole.data(), static_cast<int32_t>(whole.size()));
    EXPECT_EQ(margins.GetTopMargin(), 6);
    EXPECT_EQ(margins.GetRightMargin(), 7);
    EXPECT_EQ(margins.GetBottomMargin(), 8);
}

TEST(StateTextBox, InsetOnTheSidesTheAlignmentLeansTo)
{
    std::vector<uint8_t> data = TemplateData(0, 6, 3, 40, 50, 255);
    std::unique_ptr<CTemplate> frame(NewTemplate(data));
    struct Case
    {
        uint8_t code;
        BorderKind kind;
        int32_t indent;
        TextBox expected;
    } cases[] = {
        {1, BorderNone, 0, {4, 4, 96, 46}},
        {2, BorderNone, 0, {0, 4, 100, 46}},
        {3, BorderNone, 0, {0, 4, 96, 46}},
        {4, BorderNone, 0, {4, 0, 96, 50}},
        {5, BorderNone, 0, {0, 0, 100, 50}}, // no inset at all
        {6, BorderNone, 0, {0, 0, 96, 50}},
        {7, BorderNone, 0, {4, 0, 96, 46}},
        {8, BorderNone, 0, {0, 0, 100, 46}},
        {9, BorderNone, 0, {0, 0, 96, 46}},
        {0, BorderNone, 0, {-3, 7, 100, 50}}, // the whole buffer at the stored position
        // A template border: left margin + 4 on both sides, top margin + 4 on both.
        {1, BorderTemplate, 0, {10, 7, 90, 43}},
        {9, BorderTemplate, 0, {0, 0, 90, 43}},
        {5, BorderTemplate, 0, {0, 0, 100, 50}},
        {9, BorderImage, 0, {0, 0, 96, 46}},
        // An indent smaller than the width narrows the box and moves it right.
        {5, BorderNone, 30, {30, 0, 70, 50}},
        {1, BorderNone, 30, {34, 4, 66, 46}},
        {5, BorderNone, 100, {0, 0, 100, 50}},
    };
    for (const Case& c : cases)
    {
        TextBox box = ComputeTextBox(100, 50, c.code, -3, 7, c.kind, frame.get(), c.indent);
        EXPECT_EQ(box.x, c.expected.x) << int(c.code) << " kind " << c.kind << " indent " << c.indent;
        EXPECT_EQ(box.y, c.expected.y) << int(c.code) << " kind " << c.kind << " indent " << c.indent;
        EXPECT_EQ(box.width, c.expected.width) << int(c.code) << " kind " << c.kind;
        EXPECT_EQ(box.height, c.expected.height) << int(c.code) << " kind " << c.kind;
    }
}

TEST_F(StateRendering, TextStaysInsideItsInsets)
{
    CFnt font(kFontPath, 1, 30);
    ItemRect rect{0, 0, 120, 60};
    item->SetRect(rect);
    state->m_font = &font;
    state->m_textColor = 0x000000FF;
    state->m_drawOrder = 0x4;
    ParseTextVariables(u"MW", state);
    struct Case
    {
        uint8_t code;
        bool templateBorder;
        int32_t minLeft, minTop, maxRight, maxBottom; // inclusive limits of the ink
    } cases[] = {
        {1, false, 4, 4, 119, 59},
        {9, false, 0, 0, 115, 55},
        {1, true, 10, 7, 119, 59}, // template margins 6 (left) and 3 (top)
        {9, true, 0, 0, 109, 52},  // the same margins on the right and at the bottom
    };
    backEnd.GetTemplates()->Add(NewTemplate(TemplateData(0, 6, 3, 0, 0, 255)));
    for (const Case& c : cases)
    {
        state->m_textAlignment = c.code;
        state->m_border = c.templateBorder ? 1 : 0;
        CPixelBuffer::Free(buffer);
        buffer = nullptr;
        Render();
        Bounds ink = CoveredBounds(buffer);
        ASSERT_FALSE(ink.Empty()) << int(c.code);
        EXPECT_GE(ink.left, c.minLeft) << int(c.code) << " template " << c.templateBorder;
        EXPECT_GE(ink.top, c.minTop) << int(c.code) << " template " << c.templateBorder;
        EXPECT_LE(ink.right, c.maxRight) << int(c.code) << " template " << c.templateBorder;
        EXPECT_LE(ink.bottom, c.maxBottom) << int(c.code) << " template " << c.templateBorder;
    }
}

TEST_F(StateRendering, TextPassShowsTheCurrentValue)
{
    CFnt font(kFontPath, 1, 12);
    state->m_font = &font;
    state->m_drawOrder = 0x4;
    ParseTextVariables(u"$V", state);
    item->m_value = 7.0f;
    Render();
    EXPECT_EQ(std::u16string(state->m_text), u"7");
}

TEST_F(StateRendering, TextNeedsAFont)
{
    state->m_drawOrder = 0x4;
    state->m_textColor = 0x000000FF;
    ParseTextVariables(u"text", state);
    Render();
    EXPECT_TRUE(AllPixels(buffer, kClear));
}

TEST_F(StateRendering, ImagesArePlacedInTheGridOfTheBuffer)
{
    const Pixel red{0, 0, 255, 255};
    CSprite* image = SolidImage(3, 4, 2, red);
    state->m_drawOrder = 0x2;
    state->m_bitmap = image;
    struct Case
    {
        uint8_t code;
        int32_t x;
        int32_t y;
    } cases[] = {{1, 0, 0},  {2, 8, 0}, {3, 16, 0}, {4, 0, 4},  {5, 8, 4},
                 {6, 16, 4}, {7, 0, 8}, {8, 8, 8},  {9, 16, 8}, {0, 3, 5}};
    for (const Case& c : cases)
    {
        state->m_bitmapAlignment = c.code;
        state->m_bitmapX = 3; // used by code 0 only
        state->m_bitmapY = 5;
        Render();
        Bounds ink = CoveredBounds(buffer);
        EXPECT_EQ(ink.left, c.x) << int(c.code);
        EXPECT_EQ(ink.top, c.y) << int(c.code);
        EXPECT_EQ(ink.right, c.x + 3) << int(c.code);
        EXPECT_EQ(ink.bottom, c.y + 1) << int(c.code);
        EXPECT_EQ(At(buffer, c.x, c.y), red);
    }
    // The icon pass uses its own fields.
    state->m_bitmap = nullptr;
    state->m_icon = image;
    state->m_iconAlignment = 9;
    state->m_drawOrder = 0x3;
    Render();
    EXPECT_EQ(CoveredBounds(buffer).left, 16);
    state->m_icon = nullptr;
    delete image;
}

TEST_F(StateRendering, ImageLargerThanTheBufferIsClippedOnBothSides)
{
    const Pixel green{0, 255, 0, 255};
    CSprite* image = SolidImage(3, 31, 13, green);
    state->m_drawOrder = 0x2;
    state->m_bitmap = image;
    state->m_bitmapAlignment = 5;
    Render();
    EXPECT_TRUE(AllPixels(buffer, green));
    state->m_bitmap = nullptr;
    delete image;
}

TEST(StateRenderCache, ReRendersOnlyWhenFlagged)
{
    CRecordingDialogSystem backEnd;
    ItemRect rect{5, 5, 8, 6};
    CDialogItem item(0, nullptr, &rect);
    item.AddState(new CDialogItemState(&item));
    item.GetStateAt(0)->m_fillColor = 0xFF0000FF;
    const DialogRect everywhere{0, 0, 1000, 1000};

    item.Draw(everywhere);
    CPixelBuffer* cached = backEnd.GetRenderHandle(item.m_renderHandle);
    ASSERT_NE(cached, nullptr);
    EXPECT_FALSE(item.NeedsRender());
    EXPECT_EQ(At(cached, 0, 0), (Pixel{0, 0, 255, 255}));

    item.GetStateAt(0)->m_fillColor = 0x00FF00FF; // changed behind the item's back
    item.Draw(everywhere);
    EXPECT_EQ(backEnd.GetRenderHandle(item.m_renderHandle), cached);
    EXPECT_EQ(At(cached, 0, 0), (Pixel{0, 0, 255, 255})) << "not flagged: the cache is shown";

    item.SetFillColor(0, 0x00FF00FF);
    item.Draw(everywhere);
    EXPECT_EQ(At(backEnd.GetRenderHandle(item.m_renderHandle), 0, 0), (Pixel{0, 255, 0, 255}));
}

TEST(StateRenderCache, HiddenItemsAreNotRendered)
{
    CRecordingDialogSystem backEnd;
    ItemRect rect{0, 0, 8, 6};
    CDialogItem item(0, nullptr, &rect);
    item.SetVisible(false);
    item.Draw(DialogRect{0, 0, 100, 100});
    EXPECT_EQ(backEnd.GetRenderHandle(item.m_renderHandle), nullptr);
    EXPECT_TRUE(item.NeedsRender());
}

TEST(StateRenderCache, AResizedItemGetsABufferOfItsNewSize)
{
    CRecordingDialogSystem backEnd;
    ItemRect rect{0, 0, 8, 6};
    CDialogItem item(0, nullptr, &rect);
    item.AddState(new CDialogItemState(&item));
    item.GetStateAt(0)->m_fillColor = 0xFFFFFFFF;
    item.Draw(DialogRect{0, 0, 100, 100});

    item.SetRect(ItemRect{0, 0, 30, 20});
    item.Invalidate();
    item.Draw(DialogRect{0, 0, 100, 100});
    CPixelBuffer* cached = backEnd.GetRenderHandle(item.m_renderHandle);
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(cached->width, 30);
    EXPECT_EQ(cached->height, 20);
    EXPECT_TRUE(AllPixels(cached, Pixel{255, 255, 255, 255}));
}

TEST(StateRenderEdges, EmptyItemsRenderEveryPassWithoutHarm)
{
    CRecordingDialogSystem backEnd;
    backEnd.GetTemplates()->Add(NewTemplate(TemplateData(0, 2, 2, 2, 2, 255)));
    backEnd.GetImages()->Add(SolidImage(7, 4, 4, {0, 255, 255, 255}));
    CFnt font(kFontPath, 1, 12);
    CSprite* image = SolidImage(3, 5, 5, {1, 2, 3, 255});
    const ItemRect sizes[] = {{0, 0, 0, 0}, {0, 0, 0, 10}, {0, 0, 10, 0}, {0, 0, 1, 1}, {0, 0, 3, 2}};
    for (uint32_t border : {1u, 0x01000007u})
    {
        for (const ItemRect& size : sizes)
        {
            CDialogItem item(0, nullptr, &size);
            item.AddState(new CDialogItemState(&item));
            CDialogItemState* state = item.GetStateAt(0);
            state->m_border = border;
            state->m_font = &font;
            state->m_bitmap = image;
            state->m_icon = image;
            state->m_fillColor = 0xFFFFFFFF;
            ParseTextVariables(u"Text $V", state);
            item.SetEnabled(false);
            item.Draw(DialogRect{0, 0, 100, 100});
            CPixelBuffer* cached = backEnd.GetRenderHandle(item.m_renderHandle);
            ASSERT_NE(cached, nullptr) << size.width << "x" << size.height;
            EXPECT_EQ(cached->width, size.width);
            EXPECT_EQ(cached->height, size.height);
        }
    }
    delete image;
}

#include "interface/ItemStateRenderer.h"

#include "common/Vector.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogItem.h"
#include "interface/DialogItemState.h"
#include "interface/TextVariables.h"
#include "render/CoverageMask.h"
#include "render/PixelBuffer.h"
#include "render/Sprite.h"
#include "render/Template.h"
#include "render/TextEffects.h"
#include "render/TextLayout.h"

#include <cstring>

namespace
{
constexpr uint32_t kBorderTopByteMask = 0xFF000000;
constexpr uint32_t kBorderNumberMask = 0x00FFFFFF;

// Top-left corner that centres an image in the buffer (halves truncated toward zero).
void CentreImage(CSprite* image, const CPixelBuffer* buffer, int32_t& x, int32_t& y)
{
    x = (buffer->width - image->GetWidth()) / 2;
    y = (buffer->height - image->GetHeight()) / 2;
}

void ClearBuffer(CPixelBuffer* buffer)
{
    if (buffer->pixels == nullptr || buffer->width <= 0)
        return;
    for (int32_t row = 0; row < buffer->height; row++)
        std::memset(buffer->Row(row), 0, static_cast<size_t>(buffer->width) * 4);
}

void PaintPass(uint32_t code, CPixelBuffer* buffer, CDialogItemState* state, BorderKind kind,
               CTemplate* frame, CSprite* borderImage)
{
    switch (code)
    {
    case DrawOrderFill:
        DrawStateFill(kind, buffer, borderImage, frame, ColorWord(state->m_fillColor));
        break;
    case DrawOrderBitmap:
        DrawStateImage(state->m_bitmap, state->m_bitmapAlignment, state->m_bitmapX, state->m_bitmapY, buffer);
        break;
    case DrawOrderIcon:
        DrawStateImage(state->m_icon, state->m_iconAlignment, state->m_iconX, state->m_iconY, buffer);
        break;
    case DrawOrderText:
        ExpandTextVariables(state);
        DrawItemText(buffer, state->m_text, -1, state->m_font, ColorWord(state->m_textColor),
                     state->m_textAlignment, state->m_textX, state->m_textY, state->m_wordWrap != 0,
                     state->m_textEffect, ColorWord(state->m_textEffectColor), kind, frame, 0);
        break;
    case DrawOrderBorder:
        DrawStateBorder(kind, buffer, borderImage, frame, ColorWord(state->m_borderColor));
        break;
    default:
        // 0 and 6 to 15 paint nothing.
        break;
    }
}
} // namespace

BorderKind ResolveStateBorder(uint32_t borderWord, CTemplate** frame, CSprite** image)
{
    *frame = nullptr;
    *image = nullptr;
    if (g_pDialogSystem == nullptr)
        return BorderNone;
    CVector* templates = g_pDialogSystem->GetTemplates();
    if (templates == nullptr || templates->GetCount() == 0)
        return BorderNone;
    uint32_t number = borderWord & kBorderNumberMask;
    uint32_t top = borderWord & kBorderTopByteMask;
    if (number == 0)
        return BorderNone;
    if (top == 0)
    {
        // A position beyond the list is no border.
        *frame = templates->Get<CTemplate>(static_cast<int32_t>(number) - 1);
        return *frame != nullptr ? BorderTemplate : BorderNone;
    }
    if (top == kBorderImageFlag)
    {
        CSprite* sprite = g_pDialogSystem->FindImage(number);
        // A dynamic image before its first picture gives no border.
        if (sprite != nullptr && sprite->HasBitmap())
        {
            *image = sprite;
            return BorderImage;
        }
    }
    return BorderNone;
}

CPixelBuffer* RenderItemState(CPixelBuffer* buffer, CDialogItem* item, CDialogItemState* state)
{
    // A new buffer comes zeroed from Create; only a reused one is cleared (also without a
    // state: it must not keep an old look).
    if (buffer != nullptr)
        ClearBuffer(buffer);
    else
        buffer = CPixelBuffer::Create(item->m_currentRect.width, item->m_currentRect.height);
    if (buffer == nullptr)
        return nullptr;
    if (state != nullptr)
    {
        item->m_renderedOpacity = state->m_opacity;
        CTemplate* frame = nullptr;
        CSprite* borderImage = nullptr;
        BorderKind kind = ResolveStateBorder(state->m_border, &frame, &borderImage);
        for (int32_t shift = 0; shift < 20; shift += 4)
            PaintPass((state->m_drawOrder >> shift) & 0xF, buffer, state, kind, frame, borderImage);
    }
    if (!item->IsEnabled())
        GreyPixelBuffer(buffer);
    return buffer;
}

void DrawStateFill(BorderKind kind, CPixelBuffer* buffer, CSprite* borderImage, const CTemplate* frame,
                   uint32_t colour)
{
    if (kind == BorderImage && borderImage != nullptr)
    {
        int32_t x = 0;
        int32_t y = 0;
        CentreImage(borderImage, buffer, x, y);
        borderImage->DrawFillTint(buffer, nullptr, x, y, -1, -1, colour);
        return;
    }
    FillPixelBuffer(buffer, buffer->height, buffer->width, colour);
    if (kind == BorderTemplate && frame != nullptr)
        frame->DrawFrame(buffer, colour);
}

void DrawStateImage(CSprite* image, uint8_t alignment, int32_t x, int32_t y, CPixelBuffer* buffer)
{
    if (image == nullptr || !image->HasBitmap())
        return;
    if (alignment >= AlignLeftTop && alignment <= AlignRightBottom)
    {
        int32_t column = (alignment - 1) % 3;
        int32_t row = (alignment - 1) / 3;
        int32_t width = image->GetWidth();
        int32_t height = image->GetHeight();
        x = column == 0 ? 0 : column == 1 ? (buffer->width - width) / 2 : buffer->width - width;
        y = row == 0 ? 0 : row == 1 ? (buffer->height - height) / 2 : buffer->height - height;
    }
    image->Draw(buffer, x, y);
}

TextBox ComputeTextBox(int32_t width, int32_t height, uint8_t alignment, int32_t x, int32_t y,
                       BorderKind kind, const CTemplate* frame, int32_t indent)
{
    TextBox box{0, 0, width, height};
    if (alignment == AlignStoredOffsets)
    {
        box.x = x;
        box.y = y;
    }
    else if (alignment <= AlignRightBottom)
    {
        int32_t h = kTextInset;
        int32_t v = kTextInset;
        if (kind == BorderTemplate && frame != nullptr)
        {
            h += frame->GetLeftMargin();
            v += frame->GetTopMargin();
        }
        int32_t column = (alignment - 1) % 3;
        int32_t row = (alignment - 1) / 3;
        if (column != 1)
            box.width -= h;
        if (column == 0)
            box.x = h;
        if (row != 1)
            box.height -= v;
        if (row == 0)
            box.y = v;
    }
    if (indent > 0 && indent < width)
    {
        box.width -= indent;
        box.x += indent;
    }
    return box;
}

void DrawItemText(CPixelBuffer* buffer, const char16_t* text, int32_t caret, const CFnt* font,
                  uint32_t colour, uint8_t alignment, int32_t x, int32_t y, bool wordWrap, int32_t effect,
                  uint32_t effectColour, BorderKind kind, const CTemplate* frame, int32_t indent)
{
    if (text == nullptr || font == nullptr || buffer == nullptr)
        return;
    TextBox box = ComputeTextBox(buffer->width, buffer->height, alignment, x, y, kind, frame, indent);
    CoverageMask* mask = LayoutText(font, text, caret, alignment, box.width, box.height, wordWrap);
    if (mask == nullptr)
        return;
    if (effect != 0)
    {
        CoverageMask* effectMask = ApplyTextEffect(effect, mask);
        if (effectMask != nullptr)
        {
            DrawCoverage(effectMask, buffer, box.x, box.y, effectColour);
            FreeCoverageMask(effectMask);
        }
    }
    DrawCoverage(mask, buffer, box.x, box.y, colour);
    FreeCoverageMask(mask);
}

void DrawStateBorder(BorderKind kind, CPixelBuffer* buffer, CSprite* borderImage, const CTemplate* frame,
                     uint32_t colour)
{
    if (kind == BorderTemplate && frame != nullptr)
    {
        frame->DrawFrame(buffer, colour);
    }
    else if (kind == BorderImage && borderImage != nullptr)
    {
        int32_t x = 0;
        int32_t y = 0;
        CentreImage(borderImage, buffer, x, y);
        borderImage->DrawBorderTint(buffer, nullptr, x, y, -1, -1, colour);
    }
}

void DrawCutOut(CPixelBuffer* buffer, CSprite* borderImage, uint32_t colour)
{
    if (buffer == nullptr || borderImage == nullptr)
        return;
    int32_t x = 0;
    int32_t y = 0;
    CentreImage(borderImage, buffer, x, y);
    borderImage->DrawCutOut(buffer, nullptr, x, y, -1, -1, colour);
}

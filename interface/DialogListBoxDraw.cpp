// Painting of the list box: the background state, the visible rows and the scroll bar.
#include "interface/DialogListBox.h"

#include "common/Vector.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogItemState.h"
#include "interface/ItemStateRenderer.h"
#include "interface/TextVariables.h"
#include "platform/FloatToInt.h"
#include "render/DynamicSprite.h"
#include "render/PixelBuffer.h"
#include "render/Sprite.h"
#include "render/Template.h"

#include <cstring>

void CDialogListBox::Update(uint32_t elapsedMs)
{
    (void)elapsedMs;
    if (m_rowSize <= 0 || g_pDialogSystem == nullptr)
        return;
    int32_t first = m_offset / m_rowSize;
    for (int32_t i = 0; i < m_visibleSlots; i++)
    {
        ListBoxRow* row = GetRow(first + i);
        if (row == nullptr)
            break;
        if (row->imageId == 0)
            continue;
        CSprite* image = g_pDialogSystem->FindImage(row->imageId);
        if (image == nullptr || image->GetKind() != CSprite::KindDynamic)
            continue;
        static_cast<CDynamicSprite*>(image)->SetInUse(true);
        if (image->GetVersion() != row->seenImageVersion)
        {
            row->seenImageVersion = image->GetVersion();
            Redraw();
        }
    }
}

void CDialogListBox::PaintRow(CPixelBuffer* rowBuffer, int32_t stateIndex, ListBoxRow* row)
{
    CDialogItemState* state = GetStateAt(stateIndex);
    if (rowBuffer->pixels != nullptr)
        for (int32_t line = 0; line < rowBuffer->height; line++)
            std::memset(rowBuffer->Row(line), 0, static_cast<size_t>(rowBuffer->width) * 4);
    m_renderedOpacity = state->m_opacity;
    CTemplate* frame = nullptr;
    CSprite* borderImage = nullptr;
    BorderKind kind = ResolveStateBorder(state->m_border, &frame, &borderImage);
    for (int32_t shift = 0; shift < 20; shift += 4)
    {
        switch ((state->m_drawOrder >> shift) & 0xF)
        {
        case DrawOrderFill:
            DrawStateFill(kind, rowBuffer, borderImage, frame, ColorWord(state->m_fillColor));
            break;
        case DrawOrderBitmap:
            // A row with an image id shows that image (nothing when no image has it).
            if (row->imageId != 0)
                DrawStateImage(g_pDialogSystem != nullptr ? g_pDialogSystem->FindImage(row->imageId)
                                                          : nullptr,
                               state->m_bitmapAlignment, state->m_bitmapX, state->m_bitmapY, rowBuffer);
            else
                DrawStateImage(state->m_bitmap, state->m_bitmapAlignment, state->m_bitmapX, state->m_bitmapY,
                               rowBuffer);
            break;
        case DrawOrderIcon:
            DrawStateImage(state->m_icon, state->m_iconAlignment, state->m_iconX, state->m_iconY, rowBuffer);
            break;
        case DrawOrderText:
            ExpandTextVariables(state);
            DrawItemText(rowBuffer, row->text != nullptr ? row->text : state->m_text, -1, state->m_font,
                         ColorWord(state->m_textColor), state->m_textAlignment, state->m_textX,
                         state->m_textY, state->m_wordWrap != 0, state->m_textEffect,
                         ColorWord(state->m_textEffectColor), kind, frame, m_indent);
            break;
        case DrawOrderBorder:
            DrawStateBorder(kind, rowBuffer, borderImage, frame, ColorWord(state->m_borderColor));
            break;
        default:
            break;
        }
    }
    if (!IsEnabled())
        GreyPixelBuffer(rowBuffer);
}

void CDialogListBox::DrawScrollBar(CPixelBuffer* buffer)
{
    CVector* templates = g_pDialogSystem != nullptr ? g_pDialogSystem->GetTemplates() : nullptr;
    if (templates == nullptr || templates->GetCount() < kScrollBarTemplate)
        return;
    CTemplate* frame = templates->Get<CTemplate>(kScrollBarTemplate - 1);
    if (frame == nullptr)
        return;
    int32_t pos = platform::FloatToInt32(static_cast<float>(m_offset) * m_scrollBarRatio);
    int32_t width = 5;
    int32_t height = 5;
    int32_t x = 0;
    int32_t y = 0;
    if (IsHorizontal())
    {
        width = platform::FloatToInt32(m_scrollBarRatio * static_cast<float>(m_currentRect.width));
        x = pos + 5;
        y = m_currentRect.height - 10;
    }
    else
    {
        height = platform::FloatToInt32(m_scrollBarRatio * static_cast<float>(m_currentRect.height));
        x = m_currentRect.width - 10;
        y = pos + 5;
    }
    if (width <= 0 || height <= 0)
        return;
    CPixelBuffer* bar = CPixelBuffer::Create(width, height);
    if (bar == nullptr)
        return;
    frame->DrawFrame(bar, ColorWord(m_scrollColor));
    BlitPixelBuffer(x, y, buffer, nullptr, bar, 255);
    CPixelBuffer::Free(bar);
}

CPixelBuffer* CDialogListBox::RenderState(CPixelBuffer* buffer)
{
    buffer = RenderItemState(buffer, this, GetStateAt(0));
    if (buffer == nullptr)
        return nullptr;
    if (m_rowSize > 0 && m_rowWidth > 0 && m_rowHeight > 0)
    {
        CPixelBuffer* rowBuffer = CPixelBuffer::Create(m_rowWidth, m_rowHeight);
        int32_t states = GetStateCount();
        int32_t first = m_offset / m_rowSize;
        int32_t shift = m_offset % m_rowSize;
        for (int32_t i = 0; rowBuffer != nullptr && i < m_visibleSlots; i++)
        {
            int32_t k = first + i;
            ListBoxRow* row = GetRow(k);
            if (row == nullptr)
                continue;
            int32_t stateIndex = -1;
            if (k == m_tappedRow && states >= 4)
                stateIndex = 3;
            else if (row->selected != 0)
                stateIndex = states >= 3 ? 2 : -1;
            else
                stateIndex = states >= 2 ? 1 : -1;
            if (stateIndex < 0)
                continue;
            PaintRow(rowBuffer, stateIndex, row);
            int32_t along = i * m_rowSize - shift;
            if (IsHorizontal())
                BlitPixelBuffer(along, 0, buffer, nullptr, rowBuffer, 255);
            else
                BlitPixelBuffer(0, along, buffer, nullptr, rowBuffer, 255);
        }
        CPixelBuffer::Free(rowBuffer);
    }
    uint32_t barFlags = ItemFlagScrolling | ItemFlagScrollBarShown;
    if ((m_flags & barFlags) == barFlags)
        DrawScrollBar(buffer);
    if (!IsEnabled())
        GreyPixelBuffer(buffer);
    return buffer;
}

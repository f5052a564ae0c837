#include "interface/LoaderProgressBar.h"

#include <algorithm>

#include "interface/AbstractDialogSystem.h"
#include "interface/DialogItemState.h"
#include "interface/ItemStateRenderer.h"
#include "platform/FloatToInt.h"
#include "render/PixelBuffer.h"

namespace
{
CDialogItemState* MakeState(CDialogItem* owner, uint32_t fill)
{
    CDialogItemState* state = new CDialogItemState(owner);
    state->m_opacity = 255;
    state->m_drawOrder = kDefaultDrawOrder;
    state->m_fillColor = fill;
    state->m_bitmapAlignment = AlignCentre;
    state->m_iconAlignment = AlignCentre;
    state->m_textAlignment = AlignCentre;
    return state;
}

// Renders one state into the buffer of a render handle, re-made when the item's size changed.
void RenderInto(CDialogItem* item, int32_t handle, CDialogItemState* state)
{
    CPixelBuffer* buffer = g_pDialogSystem->GetRenderHandle(handle);
    if (buffer &&
        (buffer->width != item->m_currentRect.width || buffer->height != item->m_currentRect.height))
        buffer = nullptr;
    g_pDialogSystem->SetRenderHandle(handle, RenderItemState(buffer, item, state));
}

DialogRect Intersect(const DialogRect& a, const DialogRect& b)
{
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}
} // namespace

CLoaderProgressBar::CLoaderProgressBar(CDialogItem* parent, const ItemRect& rect, uint32_t maximum)
    : CDialogItem(0, parent), m_high(static_cast<int32_t>(std::min<uint32_t>(maximum, INT32_MAX)))
{
    m_flags |= ItemFlagHorizontal;
    if (g_pDialogSystem)
        m_fillHandle = g_pDialogSystem->NewRenderHandle();
    AddState(MakeState(this, kTrackFill));
    AddState(MakeState(this, kLevelFill));
    SetRect(rect);
}

bool CLoaderProgressBar::OnMouse(int32_t kind, int32_t x, int32_t y)
{
    (void)kind;
    (void)x;
    (void)y;
    return false;
}

void CLoaderProgressBar::SetValue(float value)
{
    // NaN compares false both ways and becomes the low bound.
    float clamped = value > 0.0f ? std::min(value, static_cast<float>(m_high)) : 0.0f;
    CDialogItem::SetValue(clamped);
}

int32_t CLoaderProgressBar::FillWidth() const
{
    int32_t width = m_currentRect.width;
    if (m_high < 1)
        return width;
    int64_t pos = static_cast<int64_t>(platform::FloatToInt64(m_value)) * width / m_high;
    return static_cast<int32_t>(std::clamp<int64_t>(pos, 0, width));
}

void CLoaderProgressBar::Draw(const DialogRect& clip)
{
    if (!IsVisible() || !g_pDialogSystem)
        return;
    if (NeedsRender())
    {
        RenderInto(this, m_renderHandle, GetStateAt(0));
        RenderInto(this, m_fillHandle, GetStateAt(1));
        m_flags &= ~static_cast<uint32_t>(ItemFlagNeedsRender);
    }
    int32_t x = GetAbsX();
    int32_t y = GetAbsY();
    DialogRect visible{x + m_visiblePart.x, y + m_visiblePart.y, x + m_visiblePart.x + m_visiblePart.width,
                       y + m_visiblePart.y + m_visiblePart.height};
    DialogRect area = Intersect(visible, clip);
    g_pDialogSystem->DrawItemBitmap(this, m_renderHandle, x, y, &area);
    DialogRect fill = Intersect(area, DialogRect{x, y, x + FillWidth(), y + m_currentRect.height});
    if (fill.right > fill.left && fill.bottom > fill.top)
        g_pDialogSystem->DrawItemBitmap(this, m_fillHandle, x, y, &fill);
}

// The render cache of an item: its look is painted into the buffer of its render handle only
// when the item is flagged, and that buffer is composited whenever the item's area is painted.
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogItem.h"
#include "interface/ItemStateRenderer.h"
#include "render/PixelBuffer.h"

#include <algorithm>

CPixelBuffer* CDialogItem::RenderState(CPixelBuffer* buffer)
{
    return RenderItemState(buffer, this, GetCurrentState());
}

void CDialogItem::Draw(const DialogRect& clip)
{
    if (!IsVisible() || g_pDialogSystem == nullptr)
        return;
    if (NeedsRender())
    {
        CPixelBuffer* buffer = g_pDialogSystem->GetRenderHandle(m_renderHandle);
        // A resized item gets a new buffer of its new size (storing it frees the old one).
        if (buffer != nullptr &&
            (buffer->width != m_currentRect.width || buffer->height != m_currentRect.height))
            buffer = nullptr;
        buffer = RenderState(buffer);
        g_pDialogSystem->SetRenderHandle(m_renderHandle, buffer);
        m_flags &= ~static_cast<uint32_t>(ItemFlagNeedsRender);
    }
    int32_t x = GetAbsX();
    int32_t y = GetAbsY();
    DialogRect area{x + m_visiblePart.x, y + m_visiblePart.y, x + m_visiblePart.x + m_visiblePart.width,
                    y + m_visiblePart.y + m_visiblePart.height};
    area.left = std::max(area.left, clip.left);
    area.top = std::max(area.top, clip.top);
    area.right = std::min(area.right, clip.right);
    area.bottom = std::min(area.bottom, clip.bottom);
    g_pDialogSystem->DrawItemBitmap(this, m_renderHandle, x, y, &area);
}

#include "interface/DialogSlider.h"

#include <algorithm>
#include <cstring>

#include "common/InStream.h"
#include "common/Vector.h"
#include "interface/DialogItemState.h"
#include "interface/ItemStateRenderer.h"
#include "interface/ItemToDevice.h"
#include "platform/FloatToInt.h"
#include "render/PixelBuffer.h"
#include "render/Template.h"

namespace
{
constexpr uint32_t kVersionDragFlag = 0x10501;
constexpr uint32_t kVersionReversed = 0x10500;
constexpr uint32_t kVersionThumb = 0x10501;
constexpr uint32_t kLoaderTrackFill = 0x1E9DC0FF;
constexpr uint32_t kLoaderLevelFill = 0x5C5D6DFF;

CDialogItemState* MakeLoaderState(CDialogItem* owner, uint32_t fill)
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

bool IsEmpty(const DialogRect& r)
{
    return r.right <= r.left || r.bottom <= r.top;
}

int32_t ReadThumbEntry(const SliderThumb* thumb, int32_t entry)
{
    if (thumb == nullptr || thumb->data == nullptr || thumb->length < (entry + 1) * 4)
        return 0;
    int32_t value = 0;
    std::memcpy(&value, thumb->data + entry * 4, sizeof value);
    return value;
}
} // namespace

CDialogSlider::CDialogSlider(uint8_t behaviour, CDialogItem* parent) : CDialogItem(behaviour, parent)
{
    m_flags |= ItemFlagHorizontal;
    if (g_pDialogSystem)
    {
        m_fillHandle = g_pDialogSystem->NewRenderHandle();
        m_thumbHandle = g_pDialogSystem->NewRenderHandle();
    }
}

CDialogSlider::CDialogSlider(CDialogItem* parent, const ItemRect& rect, uint32_t maximum)
    : CDialogSlider(0, parent)
{
    m_high = static_cast<int32_t>(std::min<uint32_t>(maximum, INT32_MAX));
    AddState(MakeLoaderState(this, kLoaderTrackFill));
    AddState(MakeLoaderState(this, kLoaderLevelFill));
    m_loadedRect = rect;
    CDialogItem::ResetLayout();
    UpdateGeometry();
}

// ---- Record ----------------------------------------------------------------------------------

bool CDialogSlider::LoadRange(CInStream* stream, bool withThumb)
{
    uint8_t drag = 1;
    uint8_t horizontal = 0;
    uint8_t mode = 0;
    if (!stream->ReadI32(m_low) || !stream->ReadI32(m_high))
        return false;
    if (g_fileVersion >= kVersionDragFlag && !stream->ReadU8(drag))
        return false;
    if (!stream->ReadU8(horizontal) || !stream->ReadU8(mode))
        return false;
    m_dragFlag = drag != 0 ? 1 : 0;
    if (horizontal)
        m_flags |= ItemFlagHorizontal;
    else
        m_flags &= ~static_cast<uint32_t>(ItemFlagHorizontal);
    m_secondBehaviour = mode != 0 ? 1 : 0;
    if (g_fileVersion >= kVersionReversed)
    {
        uint8_t reversed = 0;
        if (!stream->ReadU8(reversed))
            return false;
        if (reversed)
            m_flags |= ItemFlagReversed;
        else
            m_flags &= ~static_cast<uint32_t>(ItemFlagReversed);
    }
    SetValue(0.0f);
    if (withThumb && g_fileVersion >= kVersionThumb)
        return stream->ReadU8(m_thumbNumber) && stream->ReadU32(m_thumbColor);
    return true;
}

bool CDialogSlider::Load(CInStream* stream)
{
    // CDialogItem::Load ends with the ResetLayout slot, which lays out the track too.
    return LoadRange(stream, true) && CDialogItem::Load(stream);
}

// ---- Value -----------------------------------------------------------------------------------

void CDialogSlider::SetValue(float value)
{
    float low = static_cast<float>(m_low);
    float high = static_cast<float>(m_high);
    // NaN fails both tests and becomes the low bound.
    float clamped = value >= low ? (value <= high ? value : high) : low;
    CDialogItem::SetValue(clamped);
}

int64_t CDialogSlider::PointToValue(int32_t x, int32_t y)
{
    int64_t p = 0;
    if (IsHorizontal())
    {
        if (m_currentRect.width == 0)
            return 0;
        p = std::max<int64_t>(0, static_cast<int64_t>(x) - m_marginLeft);
    }
    else
    {
        if (m_currentRect.height == 0)
            return 0;
        p = static_cast<int64_t>(m_currentRect.height) -
            std::max<int64_t>(0, static_cast<int64_t>(y) - m_marginTop);
    }
    if (m_trackLength <= 0)
        return m_low;
    // The range times a position passes 32 bits for wide ranges.
    int64_t range = static_cast<int64_t>(m_high) - m_low;
    int64_t value = m_low + range * p / m_trackLength;
    if (IsReversed())
        value = static_cast<int64_t>(m_low) + m_high - value;
    return value;
}

// ---- Geometry and drawing --------------------------------------------------------------------

const SliderThumb* CDialogSlider::FindThumb() const
{
    if (m_thumbNumber == 0 || g_pDialogSystem == nullptr || g_pDialogSystem->GetSliderThumbs() == nullptr)
        return nullptr;
    CVector* thumbs = g_pDialogSystem->GetSliderThumbs();
    if (m_thumbNumber > thumbs->GetCount())
        return nullptr;
    const SliderThumb* thumb = thumbs->Get<SliderThumb>(m_thumbNumber - 1);
    return thumb != nullptr && thumb->data != nullptr ? thumb : nullptr;
}

void CDialogSlider::ResetLayout()
{
    CDialogItem::ResetLayout();
    UpdateGeometry();
}

void CDialogSlider::UpdateGeometry()
{
    CDialogItemState* first = GetStateAt(0);
    if (first == nullptr)
        return;
    CTemplate* frame = nullptr;
    CSprite* image = nullptr;
    bool framed = g_pDialogSystem != nullptr &&
                  ResolveStateBorder(first->m_border, &frame, &image) == BorderTemplate && frame != nullptr;
    m_marginLeft = framed ? frame->GetLeftMargin() : 0;
    m_marginTop = framed ? frame->GetTopMargin() : 0;
    m_marginRight = framed ? frame->GetRightMargin() : 0;
    m_marginBottom = framed ? frame->GetBottomMargin() : 0;
    m_trackLength = IsHorizontal() ? m_currentRect.width - m_marginRight - m_marginLeft
                                   : m_currentRect.height - m_marginBottom - m_marginTop;
    const SliderThumb* thumb = FindThumb();
    if (thumb != nullptr)
    {
        m_thumbSize = ReadThumbEntry(thumb, ThumbSize);
        m_trackLength -= m_thumbSize;
    }
    else
    {
        m_thumbSize = 0;
    }
}

void CDialogSlider::RenderThumb()
{
    const SliderThumb* thumb = FindThumb();
    if (m_thumbNumber == 0 || GetStateAt(0) == nullptr || thumb == nullptr || g_pDialogSystem == nullptr)
        return;
    int32_t width = IsHorizontal() ? m_thumbSize : m_currentRect.width - m_marginLeft - m_marginRight;
    int32_t height = IsHorizontal() ? m_currentRect.height - m_marginTop - m_marginBottom : m_thumbSize;
    if (width <= 0 || height <= 0)
    {
        g_pDialogSystem->SetRenderHandle(m_thumbHandle, nullptr);
        return;
    }
    CPixelBuffer* buffer = g_pDialogSystem->GetRenderHandle(m_thumbHandle);
    if (buffer == nullptr || buffer->width != width || buffer->height != height)
    {
        buffer = CPixelBuffer::Create(width, height);
        g_pDialogSystem->SetRenderHandle(m_thumbHandle, buffer);
        if (buffer == nullptr)
            return;
    }
    else
    {
        std::memset(buffer->pixels, 0, static_cast<size_t>(buffer->stride) * static_cast<size_t>(height));
    }
    // A horizontal slider's thumb stands across the track: its bar runs vertically.
    DrawThreePartBar(thumb->data, thumb->length, !IsHorizontal(), buffer, ColorWord(m_thumbColor));
}

int32_t CDialogSlider::FillPosition()
{
    int32_t length =
        m_thumbNumber != 0 ? m_trackLength : (IsHorizontal() ? m_currentRect.width : m_currentRect.height);
    int64_t range = static_cast<int64_t>(m_high) - m_low;
    int64_t pos =
        platform::FloatToInt64((static_cast<double>(m_value) - m_low) * length / static_cast<double>(range));
    pos = std::clamp<int64_t>(pos, std::min(0, length), std::max(0, length));
    if (IsReversed())
        pos = length - pos;
    return static_cast<int32_t>(pos);
}

void CDialogSlider::Draw(const DialogRect& clip)
{
    if (!IsVisible() || g_pDialogSystem == nullptr)
        return;
    if (NeedsRender())
    {
        RenderInto(this, m_renderHandle, GetStateAt(0));
        RenderInto(this, m_fillHandle, GetStateAt(1));
        UpdateGeometry();
        RenderThumb();
        m_flags &= ~static_cast<uint32_t>(ItemFlagNeedsRender);
    }
    const int32_t x = GetAbsX();
    const int32_t y = GetAbsY();
    const int32_t w = m_currentRect.width;
    const int32_t h = m_currentRect.height;
    DialogRect visible{x + m_visiblePart.x, y + m_visiblePart.y, x + m_visiblePart.x + m_visiblePart.width,
                       y + m_visiblePart.y + m_visiblePart.height};
    DialogRect area = Intersect(visible, clip);
    if (!IsEmpty(area))
        g_pDialogSystem->DrawItemBitmap(this, m_renderHandle, x, y, &area);

    DialogRect fill{x, y, x + w, y + h};
    int32_t pos = 0;
    if (static_cast<int64_t>(m_high) - m_low >= 1)
    {
        pos = FillPosition();
        if (m_thumbNumber != 0)
        {
            int32_t half = FindThumb() != nullptr ? m_thumbSize / 2 : 0;
            fill = IsHorizontal() ? DialogRect{x, y, x + m_marginLeft + half + pos, y + h}
                                  : DialogRect{x, y + h - m_marginTop - half - pos, x + w, y + h};
        }
        else
        {
            fill =
                IsHorizontal() ? DialogRect{x, y, x + pos, y + h} : DialogRect{x, y + h - pos, x + w, y + h};
        }
    }
    DialogRect fillArea = Intersect(area, fill);
    if (!IsEmpty(fillArea))
        g_pDialogSystem->DrawItemBitmap(this, m_fillHandle, x, y, &fillArea);

    if (m_thumbNumber != 0 && !IsEmpty(visible) && g_pDialogSystem->GetRenderHandle(m_thumbHandle) != nullptr)
    {
        int32_t tx = IsHorizontal() ? x + m_marginLeft + pos : x + m_marginLeft;
        int32_t ty = IsHorizontal() ? y + m_marginTop : y + h - m_marginBottom - m_thumbSize - pos;
        g_pDialogSystem->DrawItemBitmap(this, m_thumbHandle, tx, ty, &visible);
    }
}

// ---- Pointer ---------------------------------------------------------------------------------

void CDialogSlider::SendIfChanged()
{
    int32_t level = platform::FloatToInt32(m_value);
    if (level == m_lastSent)
        return;
    SendItemValue(this, m_value);
    m_lastSent = level;
}

void CDialogSlider::OnPress(int32_t x, int32_t y)
{
    Press();
    if (g_pDialogSystem)
        g_pDialogSystem->PlaySound(m_clickSoundId != 0 ? m_clickSoundId
                                                       : CAbstractDialogSystem::kClickSoundId);
    if (m_dragFlag)
        m_flags |= ItemFlagDragging;
    Invalidate();
    if (m_secondBehaviour == ModeAbsolute || m_secondBehaviour == ModeAbsoluteReturn)
    {
        SetValue(static_cast<float>(PointToValue(x, y)));
        SendIfChanged();
        PressItemChannelsWithValue(this, m_value);
    }
    else
    {
        m_lastX = x;
        m_lastY = y;
    }
}

void CDialogSlider::OnMove(int32_t x, int32_t y)
{
    if (!IsPressed())
        return;
    if (m_secondBehaviour == ModeAbsolute || m_secondBehaviour == ModeAbsoluteReturn)
    {
        SetValue(static_cast<float>(PointToValue(x, y)));
    }
    else if (m_secondBehaviour == ModeRelative || m_secondBehaviour == ModeRelativeReturn)
    {
        int64_t delta = PointToValue(x, y) - PointToValue(m_lastX, m_lastY);
        SetValue(static_cast<float>(platform::FloatToInt64(static_cast<double>(delta) + m_value)));
        m_lastX = x;
        m_lastY = y;
    }
    else
    {
        return;
    }
    SendIfChanged();
}

void CDialogSlider::OnRelease()
{
    if (m_secondBehaviour == ModeAbsoluteReturn || m_secondBehaviour == ModeRelativeReturn)
    {
        int64_t middle = m_low + (static_cast<int64_t>(m_high) - m_low) / 2;
        SetValue(static_cast<float>(middle));
        SendIfChanged();
    }
    if (m_dragFlag)
        m_flags &= ~static_cast<uint32_t>(ItemFlagDragging);
    Release();
    Invalidate();
    ReleaseItemChannelsWithValue(this, m_value);
}

bool CDialogSlider::OnMouse(int32_t kind, int32_t x, int32_t y)
{
    if (!IsVisible() || !IsEnabled())
        return false;
    switch (kind)
    {
    case ItemMousePress:
        OnPress(x, y);
        break;
    case ItemMouseMove:
        OnMove(x, y);
        break;
    case ItemMouseRelease:
    // Hidden or disabled while dragged: the drag ends as on a release, or the slider would stay
    // flagged as dragged and ignore its feedback from then on.
    case ItemMouseForcedRelease:
        OnRelease();
        break;
    default:
        break;
    }
    return true;
}

void CDialogSlider::Update(uint32_t elapsedMs)
{
    // The state the truncated level selects, as for any value-driven item.
    CDialogItem::Update(elapsedMs);
}

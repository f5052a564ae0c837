// Pointer input and coasting of the list box.
#include "interface/DialogListBox.h"

#include "interface/AbstractDialogSystem.h"
#include "interface/ItemToDevice.h"
#include "platform/Clock.h"

#include <algorithm>
#include <limits>

bool CDialogListBox::OnMouse(int32_t kind, int32_t x, int32_t y)
{
    return OnMouseAt(kind, x, y, platform::ClockMs());
}

bool CDialogListBox::OnMouseAt(int32_t kind, int32_t x, int32_t y, uint32_t nowMs)
{
    if (!IsVisible() || !IsEnabled())
        return false;
    int32_t p = IsHorizontal() ? x : y;
    if (kind == ItemMousePress)
    {
        Press();
        PressItemChannels(this);
        if (g_pDialogSystem != nullptr)
            g_pDialogSystem->PlaySound(m_clickSoundId != 0 ? m_clickSoundId
                                                           : CAbstractDialogSystem::kClickSoundId);
        // A press while coasting only stops the list: no row is tapped.
        if (m_speed == 0)
        {
            int64_t position = static_cast<int64_t>(p) + m_offset;
            m_tappedRow = m_rowSize > 0 && position >= 0 && position / m_rowSize < GetRowCount()
                              ? static_cast<int32_t>(position / m_rowSize)
                              : -1;
            Redraw();
        }
        m_lastX = x;
        m_lastY = y;
        m_pressTick = nowMs;
        m_dragDistance = 0;
        m_speed = 0;
    }
    else if (kind == ItemMouseMove)
    {
        int32_t lastP = IsHorizontal() ? m_lastX : m_lastY;
        int32_t d = lastP - p;
        if (d != 0)
        {
            // A change of direction starts a new flick.
            if ((d > 0 && m_dragDistance < 0) || (d < 0 && m_dragDistance > 0))
            {
                m_pressTick = nowMs;
                m_dragDistance = 0;
            }
            m_dragDistance = static_cast<int32_t>(std::clamp<int64_t>(
                static_cast<int64_t>(m_dragDistance) + d, std::numeric_limits<int32_t>::min(),
                std::numeric_limits<int32_t>::max()));
            m_offset =
                static_cast<int32_t>(std::clamp<int64_t>(static_cast<int64_t>(m_offset) + d, 0, m_maxOffset));
            if (m_offset != m_drawnOffset)
            {
                m_drawnOffset = m_offset;
                Redraw();
            }
        }
        m_flags |= ItemFlagScrolling;
        m_lastX = x;
        m_lastY = y;
        if (m_tappedRow != -1)
        {
            m_tappedRow = -1;
            Redraw();
        }
    }
    else if (kind == ItemMouseRelease || kind == ItemMouseForcedRelease)
    {
        Release();
        uint32_t dt = platform::ElapsedMs(nowMs, m_pressTick);
        // 16.16 pixels per millisecond; a multiplication, since shifting a negative distance is
        // undefined, and 64 bits so that a long drag does not overflow.
        if (dt != 0 && m_dragDistance != 0)
            m_speed = static_cast<int32_t>(std::clamp<int64_t>(
                static_cast<int64_t>(m_dragDistance) * 65536 / static_cast<int64_t>(dt),
                std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
        else
            m_speed = 0;
        // A forced release (the box hidden or disabled under the finger) taps nothing.
        if (kind == ItemMouseRelease)
            ReleaseTap();
        ReleaseItemChannels(this);
        m_lastX = 0;
        m_lastY = 0;
        m_pressTick = 0;
        m_dragDistance = 0;
        m_tappedRow = -1;
        Redraw();
    }
    return true;
}

void CDialogListBox::ReleaseTap()
{
    ListBoxRow* row = GetRow(m_tappedRow);
    if (row == nullptr)
        return;
    SendItemValue(this, static_cast<float>(m_tappedRow));
    // Copies: a flip command may change the list.
    std::vector<uint32_t> keys = row->keys;
    for (uint32_t key : keys)
    {
        PressChannel(key);
        ReleaseChannel(key);
    }
    // The row may be gone after the keys were sent (an echo may clear the list).
    row = GetRow(m_tappedRow);
    if (row != nullptr && g_pDialogSystem != nullptr)
        g_pDialogSystem->RunFlipCommands(row->flips);
}

void CDialogListBox::StopScrolling()
{
    m_speed = 0;
    m_flags &= ~static_cast<uint32_t>(ItemFlagScrolling);
    Redraw();
}

void CDialogListBox::OnTimer(uint32_t elapsedMs)
{
    CDialogItem::OnTimer(elapsedMs);
    if (IsPressed())
        return;
    if (m_speed == 0)
    {
        m_flags &= ~static_cast<uint32_t>(ItemFlagScrolling);
        return;
    }
    int64_t offset = static_cast<int64_t>(m_offset) + ((static_cast<int64_t>(m_speed) * elapsedMs) >> 16);
    // The speed loses the deceleration once per tick, whatever the time the tick took.
    int64_t speed = m_speed > 0 ? static_cast<int64_t>(m_speed) - m_deceleration
                                : static_cast<int64_t>(m_speed) + m_deceleration;
    if ((m_speed > 0 && speed <= 0) || (m_speed < 0 && speed >= 0))
        StopScrolling();
    else
        m_speed = static_cast<int32_t>(speed);
    if (offset < 0 || offset > m_maxOffset)
    {
        offset = std::clamp<int64_t>(offset, 0, m_maxOffset);
        StopScrolling();
    }
    m_offset = static_cast<int32_t>(offset);
    if (m_offset != m_drawnOffset)
    {
        m_drawnOffset = m_offset;
        Redraw();
    }
}

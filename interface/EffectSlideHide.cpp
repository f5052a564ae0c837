#include "interface/EffectSlideHide.h"

#include <algorithm>

#include "interface/DialogItem.h"

void UpdateEffectClip(CDialogItem* item, const CEffect_SlideHide* effect)
{
    const ItemRect& r = item->m_currentRect;
    int32_t left = std::max(effect->m_clipLeft, r.x);
    int32_t top = std::max(effect->m_clipTop, r.y);
    int32_t right = std::min(effect->m_clipRight, r.x + r.width);
    int32_t bottom = std::min(effect->m_clipBottom, r.y + r.height);
    item->m_visiblePart = ItemRect{left - r.x, top - r.y, right - left, bottom - top};
}

bool CEffect_SlideHide::Arm(int32_t event)
{
    if (event != 2)
        return false;
    m_state = StateArmed;
    return true;
}

void CEffect_SlideHide::Step(CDialogItem* item, uint32_t elapsedMs)
{
    switch (m_state)
    {
    case StateArmed:
        Start(item);
        break;
    case StateRunning:
    {
        uint32_t quanta = TakeQuanta(elapsedMs);
        if (quanta != 0)
            Move(item, quanta);
        break;
    }
    case StateDone:
        Finish(item);
        break;
    default:
        break;
    }
}

namespace
{
// Pixels per millisecond from one coordinate to another, in floating point: a distance shorter
// than the duration still moves.
float StepPerMs(int32_t from, int32_t to, uint32_t durationMs)
{
    if (from == to)
        return 0.0f;
    return static_cast<float>(static_cast<double>(to - from) / static_cast<double>(durationMs));
}

// One coordinate after a move toward the target, never past it.
int32_t MoveToward(int32_t position, int32_t delta, int32_t target)
{
    int64_t next = static_cast<int64_t>(position) + delta;
    if ((delta > 0 && next >= target) || (delta < 0 && next <= target))
        return target;
    return static_cast<int32_t>(next);
}
} // namespace

void CEffect_SlideHide::Start(CDialogItem* item)
{
    StartRun();
    m_carryY = 0.0f;
    const int32_t x0 = item->m_loadedRect.x;
    const int32_t y0 = item->m_loadedRect.y;
    const int32_t w = item->GetWidth();
    const int32_t h = item->GetHeight();
    CDialogItem* parent = item->GetParent();
    if ((m_direction & ClipToParent) && parent != nullptr)
    {
        m_clipLeft = 0;
        m_clipTop = 0;
        m_clipRight = parent->GetWidth();
        m_clipBottom = parent->GetHeight();
    }
    else
    {
        m_clipLeft = x0;
        m_clipTop = y0;
        m_clipRight = x0 + w;
        m_clipBottom = y0 + h;
    }
    int32_t outsideX = x0;
    int32_t outsideY = y0;
    switch (m_direction & SideMask)
    {
    case SideLeft:
        outsideX = m_clipLeft - w;
        break;
    case SideRight:
        outsideX = m_clipRight;
        break;
    case SideTop:
        outsideY = m_clipTop - h;
        break;
    default:
        outsideY = m_clipBottom;
        break;
    }
    int32_t startX = item->m_currentRect.x;
    int32_t startY = item->m_currentRect.y;
    if (m_direction & MoveIn)
    {
        AddEffectPopupToPage(item, m_pageNumber);
        m_targetX = x0;
        m_targetY = y0;
        m_step = StepPerMs(outsideX, x0, m_durationMs);
        m_stepY = StepPerMs(outsideY, y0, m_durationMs);
        startX = outsideX;
        startY = outsideY;
    }
    else
    {
        m_targetX = outsideX;
        m_targetY = outsideY;
        m_step = StepPerMs(x0, outsideX, m_durationMs);
        m_stepY = StepPerMs(y0, outsideY, m_durationMs);
    }
    item->m_currentRect.x = startX;
    item->m_currentRect.y = startY;
    UpdateEffectClip(item, this);
    item->Invalidate();
    m_state = StateRunning;
}

void CEffect_SlideHide::Move(CDialogItem* item, uint32_t quanta)
{
    item->Invalidate();
    int32_t dx = TakeWholeUnits(m_step, quanta, m_carry);
    int32_t dy = TakeWholeUnits(m_stepY, quanta, m_carryY);
    int32_t x = MoveToward(item->m_currentRect.x, dx, m_targetX);
    int32_t y = MoveToward(item->m_currentRect.y, dy, m_targetY);
    // At its time the slide is where it goes, whatever the rounding of the moves.
    if (IsTimeUp())
    {
        x = m_targetX;
        y = m_targetY;
    }
    item->m_currentRect.x = x;
    item->m_currentRect.y = y;
    UpdateEffectClip(item, this);
    if (x == m_targetX && y == m_targetY)
        m_state = StateDone;
    item->Invalidate();
}

void CEffect_SlideHide::Finish(CDialogItem* item)
{
    if (!(m_direction & MoveIn))
    {
        RemoveEffectPopupFromPage(item, m_pageNumber);
        item->ResetLayout();
    }
    m_state = StateIdle;
}

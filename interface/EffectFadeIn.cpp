#include "interface/EffectFadeIn.h"

#include "interface/DialogItem.h"

bool CEffect_FadeIn::Arm(int32_t event)
{
    if (event != 1)
        return false;
    m_state = StateArmed;
    return true;
}

void CEffect_FadeIn::Step(CDialogItem* item, uint32_t elapsedMs)
{
    switch (m_state)
    {
    case StateArmed:
        StartRun();
        m_step = static_cast<float>(item->m_loadedOpacity) / static_cast<float>(m_durationMs);
        // Shown at its full opacity, the popup starts again from (almost) nothing.
        if (item->m_currentOpacity == item->m_loadedOpacity)
            item->m_currentOpacity = 1;
        AddEffectPopupToPage(item, m_pageNumber);
        item->Invalidate();
        m_state = StateRunning;
        break;
    case StateRunning:
    {
        uint32_t quanta = TakeQuanta(elapsedMs);
        if (quanta == 0)
            break;
        item->Invalidate();
        int32_t opacity = item->m_currentOpacity + TakeWholeUnits(m_step, quanta, m_carry);
        if (opacity >= item->m_loadedOpacity || IsTimeUp())
        {
            opacity = item->m_loadedOpacity;
            m_state = StateDone;
        }
        item->m_currentOpacity = static_cast<uint8_t>(opacity);
        break;
    }
    case StateDone:
        m_state = StateIdle;
        break;
    default:
        break;
    }
}

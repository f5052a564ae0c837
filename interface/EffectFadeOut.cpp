#include "interface/EffectFadeOut.h"

#include "interface/DialogItem.h"

bool CEffect_FadeOut::Arm(int32_t event)
{
    if (event != 2)
        return false;
    m_state = StateArmed;
    return true;
}

void CEffect_FadeOut::Step(CDialogItem* item, uint32_t elapsedMs)
{
    switch (m_state)
    {
    case StateArmed:
        StartRun();
        m_step = static_cast<float>(item->m_loadedOpacity) / static_cast<float>(m_durationMs);
        if (item->m_currentOpacity == 0)
            item->m_currentOpacity = item->m_loadedOpacity;
        m_state = StateRunning;
        break;
    case StateRunning:
    {
        uint32_t quanta = TakeQuanta(elapsedMs);
        if (quanta == 0)
            break;
        item->Invalidate();
        int32_t opacity = item->m_currentOpacity - TakeWholeUnits(m_step, quanta, m_carry);
        if (opacity <= 0 || IsTimeUp())
        {
            opacity = 0;
            m_state = StateDone;
        }
        item->m_currentOpacity = static_cast<uint8_t>(opacity);
        break;
    }
    case StateDone:
        RemoveEffectPopupFromPage(item, m_pageNumber);
        m_state = StateIdle;
        // The popup's own opacity, not full opacity: a popup loaded half transparent shows so
        // again the next time, also when it is shown without an effect.
        item->m_currentOpacity = item->m_loadedOpacity;
        item->Invalidate();
        break;
    default:
        break;
    }
}

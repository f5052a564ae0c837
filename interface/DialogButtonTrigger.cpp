#include "interface/DialogButtonTrigger.h"

bool CDialogTriggerButton::OnMouse(int32_t kind, int32_t x, int32_t y)
{
    (void)x;
    (void)y;
    float next = m_value == m_firstValue ? m_secondValue : m_firstValue;
    return OnValueMouse(kind, next);
}

void CDialogTriggerButton::SetValue(float value)
{
    CDialogItem::SetValue(value);
    bool off = m_value == m_firstValue;
    if (m_behaviour == ItemBehaviourFollowValue)
        ShowState(off ? 0 : 1);
    else if (m_behaviour == ItemBehaviourFollowValueInverted)
        ShowState(off ? 1 : 0);
}

bool CDialogTriggerButton::Load(CInStream* stream)
{
    return LoadValuePair(stream, m_firstValue, m_secondValue) && CDialogItem::Load(stream);
}

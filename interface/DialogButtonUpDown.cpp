#include "interface/DialogButtonUpDown.h"

bool CDialogUpDownButton::OnMouse(int32_t kind, int32_t x, int32_t y)
{
    (void)x;
    (void)y;
    return OnValueMouse(kind, m_value + m_step);
}

void CDialogUpDownButton::SetValue(float value)
{
    if (m_step > 0.0f)
    {
        if (value > m_limit)
            value = m_limit;
    }
    else if (value < m_limit)
    {
        value = m_limit;
    }
    CDialogButton::SetValue(value);
}

bool CDialogUpDownButton::Load(CInStream* stream)
{
    return LoadValuePair(stream, m_step, m_limit) && CDialogItem::Load(stream);
}

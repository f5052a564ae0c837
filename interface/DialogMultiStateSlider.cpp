#include "interface/DialogMultiStateSlider.h"

#include "interface/ItemStateRenderer.h"
#include "platform/FloatToInt.h"

void CDialogMultiStateSlider::OnTimer(uint32_t elapsedMs)
{
    Update(elapsedMs);
}

void CDialogMultiStateSlider::SetValue(float value)
{
    CDialogSlider::SetValue(value);
    int64_t range = static_cast<int64_t>(m_high) - m_low;
    int32_t state = 0;
    if (range != 0)
        state = platform::FloatToInt32((static_cast<double>(m_value) - m_low) * GetStateCount() /
                                       static_cast<double>(range));
    CDialogItem::SetState(m_stateIndex, state, 0);
    Invalidate();
}

bool CDialogMultiStateSlider::Load(CInStream* stream)
{
    return LoadRange(stream, false) && CDialogItem::Load(stream);
}

CPixelBuffer* CDialogMultiStateSlider::RenderState(CPixelBuffer* buffer)
{
    int32_t index = m_stateIndex;
    if (IsReversed())
        index = GetStateCount() - 1 - index;
    return RenderItemState(buffer, this, GetStateAt(index));
}

#include "devices/buses/shturman/ShturmanChannel.h"

#include "common/NerulanValue.h"
#include "devices/ReportPoster.h"

bool CShturmanChannel::TakeFeedback(CReportPoster& poster, uint8_t value)
{
    if (!TakesFeedback())
        return false;
    if (m_valueType == ValueBool)
        value = value != 0 ? 1 : 0;
    else if (m_valueType != ValueInt32)
        return false;
    return poster.PostIfChanged(*this, m_value, value);
}

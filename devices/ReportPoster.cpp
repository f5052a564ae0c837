#include "devices/ReportPoster.h"

#include "devices/AbstractDevice.h"
#include "platform/FloatToInt.h"

bool CReportPoster::IsFloatKind(uint8_t kind)
{
    return kind == EventSetItemValue || kind == EventSetSliderValue || kind == EventStepItemValue;
}

CDeviceEvent CReportPoster::MakeEvent(uint32_t channel, uint8_t kind, double value)
{
    if (IsFloatKind(kind))
        return CDeviceEvent::MakeFloat(channel, kind, static_cast<float>(value));
    // The integer kinds carry a 32-bit word; a negative level keeps its two's-complement bits.
    uint32_t word = static_cast<uint32_t>(platform::FloatToInt32(value));
    return CDeviceEvent::Make(channel, kind, word);
}

void CReportPoster::Post(uint32_t channel, uint8_t kind, double value)
{
    m_device.PostEvent(MakeEvent(channel, kind, value));
}

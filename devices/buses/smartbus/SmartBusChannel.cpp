#include "devices/buses/smartbus/SmartBusChannel.h"

#include "common/BlobReader.h"
#include "devices/buses/smartbus/SmartBusCodec.h"

namespace
{
constexpr uint8_t kAudioKind = 11;
}

void CSmartBusChannel::Load(const uint8_t* blob, uint32_t length)
{
    CBlobReader reader(blob, blob ? length : 0);
    uint8_t action = 0;
    if (!reader.U8(action))
        return;
    SetAction(action);
    uint32_t period = 0;
    if (action == ActionPeriodic && reader.U32LE(period))
        SetPeriod(period);
    if (!reader.U8(m_subnet) || !reader.U8(m_device) || !reader.U16LE(m_opCode))
        return;
    m_kind = smartbus::KindOf(m_opCode);
    if (m_kind == 0)
    {
        ReadRepeat(reader);
        return;
    }
    uint8_t value = 0;
    if (!reader.U8(m_number) || !reader.U8(value))
        return;
    m_value = value;
    if (m_kind == kAudioKind)
    {
        if (!reader.U8(m_zone) || !reader.U8(m_source))
            return;
    }
    else if (!reader.U16LE(m_extra))
    {
        return;
    }
    ReadRepeat(reader);
}

void CSmartBusChannel::ReadRepeat(CBlobReader& reader)
{
    uint8_t repeat = 0;
    if (reader.U8(repeat))
        m_repeat = repeat;
}

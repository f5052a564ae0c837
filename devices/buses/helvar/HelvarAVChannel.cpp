#include "devices/buses/helvar/HelvarAVChannel.h"

#include "common/BlobReader.h"
#include "devices/buses/helvar/HelvarAVCodec.h"

void CHelvarAVChannel::Load(const uint8_t* blob, uint32_t length)
{
    if (!blob || length <= 3)
        return;
    CBlobReader reader(blob, length);
    uint8_t action = 0;
    reader.U8(action);
    reader.U8(m_addressType);
    if (m_addressType != CHelvarAVCodec::Broadcast)
        reader.U8(m_address);
    reader.U8(m_kind);
    SetAction(action);
    if (m_kind == CHelvarAVCodec::KindScene || m_kind == CHelvarAVCodec::KindLevel)
    {
        uint8_t value = 0;
        reader.U8(value);
        m_value = value;
    }
}

bool CHelvarAVChannel::TakesLevel() const
{
    return m_addressType == CHelvarAVCodec::ShortAddress &&
           (m_kind == CHelvarAVCodec::KindSwitch || GetAction() == ActionSetValue);
}

#include "devices/buses/helvar/HelvarNetChannel.h"

#include "common/BlobReader.h"

void CHelvarNetChannel::Load(const uint8_t* blob, uint32_t length)
{
    CBlobReader reader(blob, blob ? length : 0);
    if (reader.Remaining() < kShortestBlob)
        return;
    uint8_t action = 0;
    uint32_t period = 0;
    reader.U8(action);
    reader.U32LE(period);
    reader.U8(m_target.command);
    reader.U8(m_bit);
    SetAction(action);
    SetPeriod(period);
    if (CHelvarNetCodec::IsGroupCommand(m_target.command))
        reader.U32LE(m_target.group);
    else
        reader.Bytes(m_target.address, sizeof m_target.address);
    if (IsSceneCommand())
    {
        uint8_t block = 0;
        uint8_t scene = 0;
        reader.U8(m_target.k);
        reader.U8(block);
        reader.U8(scene);
        m_value = block | (scene << 8);
    }
    else
    {
        uint8_t value = 0;
        reader.U8(value);
        m_value = static_cast<int8_t>(value);
    }
    uint32_t fade = 0;
    if (reader.U32LE(fade))
        m_target.fade = fade;
}

HelvarNetTarget CHelvarNetChannel::Target() const
{
    HelvarNetTarget target = m_target;
    const int32_t value = m_value.load();
    target.block = static_cast<uint8_t>(value);
    target.scene = static_cast<uint8_t>(value >> 8);
    target.value = value;
    return target;
}

void CHelvarNetChannel::StoreValue(int32_t value)
{
    if (IsSceneCommand())
        m_value = (m_value.load() & ~0xFF00) | ((value & 0xFF) << 8);
    else
        m_value = value;
}

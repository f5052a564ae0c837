#include "devices/buses/helvar/HelvarAVCodec.h"

namespace
{
uint8_t AddressByte(uint8_t type, uint8_t address, bool selector)
{
    uint8_t byte = 0;
    if (type == CHelvarAVCodec::Group)
        byte = static_cast<uint8_t>(0x80 + (address & 0x0F) * 2);
    else if (type == CHelvarAVCodec::Broadcast)
        byte = 0xFE;
    else
        byte = static_cast<uint8_t>((address & 0x3F) * 2);
    return static_cast<uint8_t>(byte + (selector ? 1 : 0));
}
} // namespace

FrameVerdict CHelvarAVCodec::Check(const uint8_t* bytes, int32_t available) const
{
    const uint8_t count = bytes[0];
    if (count < 1 || count > kCount)
        return FrameVerdict::None();
    if (available < count + 1)
        return FrameVerdict::More();
    return FrameVerdict::Whole(count + 1);
}

CHelvarAVCodec::Message CHelvarAVCodec::Probe()
{
    return {kCount, kProbeCode, 0x02, 0x00};
}

CHelvarAVCodec::Message CHelvarAVCodec::LevelQuery(uint8_t shortAddress)
{
    return {kCount, kRequestQuery, AddressByte(ShortAddress, shortAddress, true), kQueryActualLevel};
}

CHelvarAVCodec::Message CHelvarAVCodec::Command(uint8_t addressType, uint8_t address, uint8_t kind,
                                                int32_t value)
{
    const auto v = static_cast<uint8_t>(value);
    bool selector = true;
    uint8_t data = 0;
    switch (kind)
    {
    case KindScene:
        data = static_cast<uint8_t>(((v & 7) | 8) * 2);
        break;
    case KindLevel:
        // A direct level: 255 would mean "no change", and the selector bit stays clear.
        selector = false;
        data = v < kHighestLevel ? v : kHighestLevel;
        break;
    case KindSwitch:
        data = v != 0 ? 0 : 5; // off, or recall the highest level
        break;
    default:
        data = static_cast<uint8_t>(kind & 0x0F);
        break;
    }
    return {kCount, kRequestCommand, AddressByte(addressType, address, selector), data};
}

HelvarAVAnswer CHelvarAVCodec::Decode(const uint8_t* frame, int32_t length)
{
    HelvarAVAnswer answer;
    if (!frame || length < 2 || frame[0] + 1 != length)
        return answer;
    answer.code = frame[1];
    if (answer.code == kAnswerLevel && length >= 4)
    {
        answer.hasLevel = true;
        answer.level = frame[3];
    }
    return answer;
}

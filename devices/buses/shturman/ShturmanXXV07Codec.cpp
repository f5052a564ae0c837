#include "devices/buses/shturman/ShturmanXXV07Codec.h"

#include "common/Checksums.h"

FrameVerdict CShturmanXXV07Codec::Check(const uint8_t* bytes, int32_t available) const
{
    if (bytes[0] != 0x0C)
        return FrameVerdict::None();
    if (available < 2)
        return FrameVerdict::More();
    if (bytes[1] != 0xF3)
        return FrameVerdict::None();
    if (available < kStatusLength)
        return FrameVerdict::More();
    return bytes[13] == ShturmanSum7(bytes + 2, 11) ? FrameVerdict::Whole(kStatusLength)
                                                    : FrameVerdict::None();
}

std::vector<uint8_t> CShturmanXXV07Codec::StatusRequest(uint8_t module)
{
    return {static_cast<uint8_t>(0x80 + (module & 0x7F)), 0x71, 0x00};
}

std::vector<uint8_t> CShturmanXXV07Codec::Command(uint8_t module, uint8_t index, uint8_t value, uint8_t extra)
{
    return {static_cast<uint8_t>(0x80 + (module & 0x7F)), 0x03, index, value, extra};
}

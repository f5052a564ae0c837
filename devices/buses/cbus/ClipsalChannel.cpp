#include "devices/buses/cbus/ClipsalChannel.h"

#include "common/BlobReader.h"

void CClipsalChannel::Load(const uint8_t* blob, uint32_t length)
{
    if (!blob || length == 0)
        return;
    CBlobReader r(blob, length);
    uint8_t count = 0;
    r.U8(count);
    for (uint8_t i = 0; i < count; ++i)
    {
        uint8_t b = 0;
        if (!r.U8(b))
            return;
        if (i < kMaxPath)
            path[pathLength++] = b;
    }
    if (!r.U8(unit) || !r.U8(commandType) || !r.U8(application) || !r.U8(group) || !r.U8(command) ||
        !r.U8(dataLength))
        return;
    for (uint32_t i = 0; i <= dataLength; ++i)
    {
        if (!r.U8(data[i]))
            break;
        dataHeld = static_cast<uint16_t>(i + 1);
    }
}

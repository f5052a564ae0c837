#include "devices/buses/cbus/ClipsalGateChannel.h"

#include "common/BlobReader.h"

void CClipsalGateChannel::Load(const uint8_t* blob, uint32_t length)
{
    if (!blob || length == 0)
        return;
    CBlobReader r(blob, length);
    if (!r.U8(network) || !r.U8(commandType) || !r.U8(application) || !r.U8(group) || !r.U8(command) ||
        !r.U8(dataLength))
        return;
    for (uint32_t i = 0; i <= dataLength; ++i)
    {
        if (!r.U8(data[i]))
            break;
    }
}

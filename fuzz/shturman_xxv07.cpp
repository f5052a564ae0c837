// Arbitrary bytes through the Shturman XXV07 status-frame reader, as the driver receives them.
#include <cstdint>
#include <cstdlib>

#include "devices/buses/shturman/ShturmanXXV07Codec.h"
#include "support/StreamCodecFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const CShturmanXXV07Codec codec;
    return FuzzStreamCodec(codec, data, size,
                           [](const uint8_t* frame, int32_t length)
                           {
                               if (length != CShturmanXXV07Codec::kStatusLength || frame[0] != 0x0C ||
                                   frame[1] != 0xF3)
                                   abort();
                           });
}

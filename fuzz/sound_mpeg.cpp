// A raw MPEG audio stream (Layers I, II and III, MPEG-1, 2 and 2.5): the frame search past tags,
// the frame table and the decoder, straight, without the WAVE test before it.
#include <cstdint>

#include "fuzz/support/SoundDecoding.h"
#include "sound/DecompressMpeg.h"
#include "sound/MpegFile.h"
#include "sound/Reader.h"
#include "sound/WaveFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > 0xFFFFFFFFu)
        return 0;
    bool ok = false;
    CReader reader(static_cast<uint32_t>(size), data, ok);
    if (!ok)
        return 0;
    CMpegFile stream(&reader);
    WaveFormat format;
    bool decodable = false;
    CDecompressMpeg decoder(&stream, format, decodable);
    if (decodable)
        DecodeLikeTheOutput(&decoder);
    return 0;
}

// A sound of the interface file (or the click sound) as the loader takes it: a WAVE file (PCM,
// MS ADPCM, IMA ADPCM or MPEG data) or else a raw MPEG audio stream, then decoded.
#include <cstdint>

#include "fuzz/support/SoundDecoding.h"
#include "sound/SoundFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 0xFFFFFFFFu)
        return 0;
    CSoundFile sound;
    if (sound.LoadFromMemory(static_cast<uint32_t>(size), data) && sound.IsPlayable())
        DecodeLikeTheOutput(sound.GetDecoder());
    return 0;
}

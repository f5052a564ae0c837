#include "fuzz/support/SoundDecoding.h"

#include <algorithm>
#include <vector>

#include "sound/AbstractDecompressor.h"

void DecodeLikeTheOutput(CAbstractDecompressor* decoder)
{
    if (decoder == nullptr)
        return;
    const uint32_t length = decoder->GetLength();
    decoder->GetMonoSize();
    decoder->GetStereoSize();
    if (length == 0)
        return;
    // 16-bit stereo is the widest output: 4 bytes a frame.
    constexpr uint32_t kBlock = 4410;
    std::vector<uint8_t> buffer(kBlock * 4);
    const uint32_t end = std::min(length, kMaxFuzzFrames);
    for (uint32_t first = 0; first < end; first += kBlock)
        decoder->DecodeStereo(buffer.data(), first, std::min(kBlock, end - first), false);
    const uint32_t middle = length / 2;
    decoder->DecodeMono(buffer.data(), middle, std::min(kBlock, length - middle), false);
    decoder->DecodeStereo(buffer.data(), length - 1, 1, true);
    decoder->DecodeMono(buffer.data(), 0, std::min(kBlock, length), false);
    decoder->SilenceStereo(buffer.data(), 16);
    decoder->SilenceMono(buffer.data(), 16);
}

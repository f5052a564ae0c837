#include "sound/DecompressPcm8Unsigned.h"

#include "sound/AbstractSoundFile.h"
#include "sound/PcmDecoding.h"

namespace
{
constexpr uint32_t kChunkBytes = 4096;
constexpr uint8_t kSilence = 128;
} // namespace

CDecompressPcm8Unsigned::CDecompressPcm8Unsigned(CAbstractSoundFile* container, WaveFormat& outputFormat,
                                                 bool& ok)
    : CAbstractDecompressor(container)
{
    ok = false;
    if (!container || !container->GetFormat())
        return;
    outputFormat = ParseWaveFormat(container->GetFormat());
    m_mono = outputFormat.channels == 1;
    m_length = outputFormat.blockAlign ? container->GetDataSize() / outputFormat.blockAlign : 0;
    ok = true;
}

uint32_t CDecompressPcm8Unsigned::GetStereoSize()
{
    return pcm::SaturatedBytes(uint64_t{m_length} * 2);
}

uint32_t CDecompressPcm8Unsigned::DecodeMono(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool)
{
    uint8_t* out = static_cast<uint8_t*>(buffer);
    if (!out)
        return 0;
    if (m_mono)
    {
        pcm::ReadOrFill(m_container, out, firstFrame, frameCount, kSilence);
        return frameCount;
    }
    uint8_t chunk[kChunkBytes];
    uint64_t offset = uint64_t{firstFrame} * 2;
    for (uint32_t done = 0; done < frameCount;)
    {
        uint32_t frames = frameCount - done < kChunkBytes / 2 ? frameCount - done : kChunkBytes / 2;
        pcm::ReadOrFill(m_container, chunk, offset, frames * 2, kSilence);
        for (uint32_t i = 0; i < frames; ++i)
            out[done + i] = static_cast<uint8_t>((chunk[2 * i] + chunk[2 * i + 1]) >> 1);
        done += frames;
        offset += uint64_t{frames} * 2;
    }
    return frameCount;
}

uint32_t CDecompressPcm8Unsigned::DecodeStereo(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool)
{
    uint8_t* out = static_cast<uint8_t*>(buffer);
    if (!out)
        return 0;
    if (!m_mono)
    {
        pcm::ReadOrFill(m_container, out, uint64_t{firstFrame} * 2, frameCount * 2, kSilence);
        return frameCount * 2;
    }
    uint8_t chunk[kChunkBytes];
    uint64_t offset = firstFrame;
    for (uint32_t done = 0; done < frameCount;)
    {
        uint32_t frames = frameCount - done < kChunkBytes ? frameCount - done : kChunkBytes;
        pcm::ReadOrFill(m_container, chunk, offset, frames, kSilence);
        for (uint32_t i = 0; i < frames; ++i)
        {
            out[2 * (done + i)] = chunk[i];
            out[2 * (done + i) + 1] = chunk[i];
        }
        done += frames;
        offset += frames;
    }
    return frameCount * 2;
}

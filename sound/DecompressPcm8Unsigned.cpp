#include "sound/DecompressPcm8Unsigned.h"

#include "sound/AbstractSoundFile.h"
#include "sound/PcmDecoding.h"

namespace
{
constexpr uint8_t kSilence = 128;
} // namespace

CDecompressPcm8Unsigned::CDecompressPcm8Unsigned(CAbstractSoundFile* container, WaveFormat& outputFormat,
                                                 bool& ok)
    : CAbstractDecompressor(container)
{
    ok = pcm::ReadPcmFormat(container, outputFormat, m_length);
    if (ok)
        m_mono = outputFormat.channels == 1;
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
    pcm::ConvertInChunks(m_container, uint64_t{firstFrame} * 2, frameCount, 2, kSilence,
                         [out](const uint8_t* chunk, uint32_t done, uint32_t frames)
                         {
                             for (uint32_t i = 0; i < frames; ++i)
                                 out[done + i] = static_cast<uint8_t>((chunk[2 * i] + chunk[2 * i + 1]) >> 1);
                         });
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
    pcm::ConvertInChunks(m_container, firstFrame, frameCount, 1, kSilence,
                         [out](const uint8_t* chunk, uint32_t done, uint32_t frames)
                         {
                             for (uint32_t i = 0; i < frames; ++i)
                             {
                                 out[2 * (done + i)] = chunk[i];
                                 out[2 * (done + i) + 1] = chunk[i];
                             }
                         });
    return frameCount * 2;
}

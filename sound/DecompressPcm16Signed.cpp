#include "sound/DecompressPcm16Signed.h"

#include "sound/AbstractSoundFile.h"
#include "sound/PcmDecoding.h"

namespace
{
void PutSample(uint8_t* p, int32_t value)
{
    p[0] = static_cast<uint8_t>(value & 0xFF);
    p[1] = static_cast<uint8_t>((value >> 8) & 0xFF);
}
} // namespace

CDecompressPcm16Signed::CDecompressPcm16Signed(CAbstractSoundFile* container, WaveFormat& outputFormat,
                                               bool& ok)
    : CAbstractDecompressor(container)
{
    ok = pcm::ReadPcmFormat(container, outputFormat, m_length);
    if (ok)
        m_channels = outputFormat.channels;
}

uint32_t CDecompressPcm16Signed::GetMonoSize()
{
    return pcm::SaturatedBytes(uint64_t{m_length} * 2);
}

uint32_t CDecompressPcm16Signed::GetStereoSize()
{
    return pcm::SaturatedBytes(uint64_t{m_length} * 4);
}

uint32_t CDecompressPcm16Signed::DecodeMono(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool)
{
    uint8_t* out = static_cast<uint8_t*>(buffer);
    if (!out)
        return 0;
    if (m_channels == 1)
    {
        pcm::ReadOrFill(m_container, out, uint64_t{firstFrame} * 2, frameCount * 2, 0);
        return frameCount * 2;
    }
    pcm::ConvertInChunks(m_container, uint64_t{m_channels} * 2 * firstFrame, frameCount, 4, 0,
                         [out](const uint8_t* chunk, uint32_t done, uint32_t frames)
                         {
                             for (uint32_t i = 0; i < frames; ++i)
                             {
                                 // Arithmetic shift: the mean rounds toward minus infinity.
                                 int32_t sum = LoadS16(chunk + 4 * i) + LoadS16(chunk + 4 * i + 2);
                                 PutSample(out + 2 * (done + i), sum >> 1);
                             }
                         });
    return frameCount * 2;
}

uint32_t CDecompressPcm16Signed::DecodeStereo(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool)
{
    uint8_t* out = static_cast<uint8_t*>(buffer);
    if (!out)
        return 0;
    if (m_channels != 1)
    {
        pcm::ReadOrFill(m_container, out, uint64_t{firstFrame} * 4, frameCount * 4, 0);
        return frameCount * 4;
    }
    pcm::ConvertInChunks(m_container, uint64_t{firstFrame} * 2, frameCount, 2, 0,
                         [out](const uint8_t* chunk, uint32_t done, uint32_t frames)
                         {
                             for (uint32_t i = 0; i < frames; ++i)
                             {
                                 uint8_t* frame = out + 4 * (done + i);
                                 frame[0] = frame[2] = chunk[2 * i];
                                 frame[1] = frame[3] = chunk[2 * i + 1];
                             }
                         });
    return frameCount * 4;
}

#include "sound/DecompressPcm16Signed.h"

#include "sound/AbstractSoundFile.h"
#include "sound/PcmDecoding.h"

namespace
{
constexpr uint32_t kChunkBytes = 4096;

int16_t Sample(const uint8_t* p)
{
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

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
    ok = false;
    if (!container || !container->GetFormat())
        return;
    outputFormat = ParseWaveFormat(container->GetFormat());
    m_channels = outputFormat.channels;
    m_length = outputFormat.blockAlign ? container->GetDataSize() / outputFormat.blockAlign : 0;
    ok = true;
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
    uint8_t chunk[kChunkBytes];
    uint64_t offset = uint64_t{m_channels} * 2 * firstFrame;
    for (uint32_t done = 0; done < frameCount;)
    {
        uint32_t frames = frameCount - done < kChunkBytes / 4 ? frameCount - done : kChunkBytes / 4;
        pcm::ReadOrFill(m_container, chunk, offset, frames * 4, 0);
        for (uint32_t i = 0; i < frames; ++i)
        {
            // Arithmetic shift: the mean rounds toward minus infinity.
            int32_t sum = Sample(chunk + 4 * i) + Sample(chunk + 4 * i + 2);
            PutSample(out + 2 * (done + i), sum >> 1);
        }
        done += frames;
        offset += uint64_t{frames} * 4;
    }
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
    uint8_t chunk[kChunkBytes];
    uint64_t offset = uint64_t{firstFrame} * 2;
    for (uint32_t done = 0; done < frameCount;)
    {
        uint32_t frames = frameCount - done < kChunkBytes / 2 ? frameCount - done : kChunkBytes / 2;
        pcm::ReadOrFill(m_container, chunk, offset, frames * 2, 0);
        for (uint32_t i = 0; i < frames; ++i)
        {
            uint8_t* frame = out + 4 * (done + i);
            frame[0] = frame[2] = chunk[2 * i];
            frame[1] = frame[3] = chunk[2 * i + 1];
        }
        done += frames;
        offset += uint64_t{frames} * 2;
    }
    return frameCount * 4;
}

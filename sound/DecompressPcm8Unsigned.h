#pragma once
#include "sound/AbstractDecompressor.h"

// 8-bit unsigned PCM; the output format is the source's own. A source of more than one channel
// is read as two bytes per frame.
class CDecompressPcm8Unsigned : public CAbstractDecompressor
{
public:
    CDecompressPcm8Unsigned(CAbstractSoundFile* container, WaveFormat& outputFormat, bool& ok);

    uint32_t DecodeMono(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool loop) override;
    uint32_t DecodeStereo(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool loop) override;
    uint32_t SilenceMono(void* buffer, uint32_t frameCount) override
    {
        return WriteSilence8(buffer, frameCount);
    }
    uint32_t SilenceStereo(void* buffer, uint32_t frameCount) override
    {
        return WriteSilence8(buffer, frameCount * 2);
    }
    uint32_t GetLength() override { return m_length; }
    uint32_t GetMonoSize() override { return m_length; }
    uint32_t GetStereoSize() override;

private:
    bool m_mono = true;
    uint32_t m_length = 0;
};

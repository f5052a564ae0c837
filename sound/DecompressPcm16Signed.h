#pragma once
#include "sound/AbstractDecompressor.h"

// 16-bit signed little-endian PCM (also any other width but 8, which then keeps its own format
// and is refused by the output); the output format is the source's own. A source of more than one
// channel is read as two samples per frame.
class CDecompressPcm16Signed : public CAbstractDecompressor
{
public:
    CDecompressPcm16Signed(CAbstractSoundFile* container, WaveFormat& outputFormat, bool& ok);

    uint32_t DecodeMono(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool loop) override;
    uint32_t DecodeStereo(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool loop) override;
    uint32_t GetLength() override { return m_length; }
    uint32_t GetMonoSize() override;
    uint32_t GetStereoSize() override;

private:
    uint16_t m_channels = 0;
    uint32_t m_length = 0;
};

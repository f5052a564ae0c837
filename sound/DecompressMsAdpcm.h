#pragma once
#include <cstdint>

#include "sound/AdpcmDecompressor.h"

// Microsoft ADPCM (WAVE format tag 2) with the coefficient pairs of the file's format block.
// Output: 16-bit PCM.
class CDecompressMsAdpcm : public CAdpcmDecompressor
{
public:
    // Deltas beyond this are clamped: a hostile block can otherwise grow the delta until the
    // products overflow. Real streams stay far below it.
    static constexpr int32_t kMaxDelta = 0x7FFFFFFF / 768;

    CDecompressMsAdpcm(CAbstractSoundFile* container, WaveFormat& outputFormat, bool& ok);

    // Decode the block at the data position; samples per block, or 0 when the block fails.
    uint32_t DecodeBlockMono();
    uint32_t DecodeBlockStereo();

    uint32_t GetCoefficientCount() const { return m_coefficientCount; }

protected:
    uint32_t DecodeCurrentBlock() override
    {
        return m_channels == 2 ? DecodeBlockStereo() : DecodeBlockMono();
    }

private:
    struct Channel
    {
        int32_t coefficient1;
        int32_t coefficient2;
        int32_t delta;
        int32_t sample1;
        int32_t sample2;
    };

    bool SetPredictor(Channel& channel, uint8_t index);
    static int16_t Step(Channel& channel, uint8_t nibble);

    uint32_t m_coefficientCount = 0;
    const uint8_t* m_coefficients = nullptr; // pairs of signed 16-bit values in the format block
};

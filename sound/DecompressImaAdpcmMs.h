#pragma once
#include <cstdint>

#include "sound/AdpcmDecompressor.h"

// The predictor and step index of one IMA ADPCM channel.
struct ImaAdpcmState
{
    int32_t predictor;
    int32_t index;
};

// Decodes one 4-bit IMA ADPCM code; returns the new sample.
int16_t ImaAdpcmStep(ImaAdpcmState& state, uint8_t nibble);

// IMA ADPCM (WAVE format tag 17) in the block layout of WAVE files. Output: 16-bit PCM.
class CDecompressImaAdpcmMs : public CAdpcmDecompressor
{
public:
    CDecompressImaAdpcmMs(CAbstractSoundFile* container, WaveFormat& outputFormat, bool& ok);

    // Decodes the block at the data position; samples per block, or 0 when the block fails.
    uint32_t DecodeBlock();

protected:
    uint32_t DecodeCurrentBlock() override { return DecodeBlock(); }

private:
    bool ReadHeader(const uint8_t* header, ImaAdpcmState& state, int16_t& first);
};

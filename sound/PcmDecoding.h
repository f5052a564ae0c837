#pragma once
#include <cstdint>

#include "sound/AbstractSoundFile.h"
#include "sound/WaveFormat.h"

namespace pcm
{
// Reads `bytes` of the container's data at `offset` into buffer and fills what the data does not
// hold with `silence`, so the caller always gets a defined buffer.
void ReadOrFill(CAbstractSoundFile* container, uint8_t* buffer, uint64_t offset, uint32_t bytes,
                uint8_t silence);

// The format of a PCM source, which is also the output format, and its length in frames (whole
// blocks of the data). False when the container or its format is missing.
bool ReadPcmFormat(CAbstractSoundFile* container, WaveFormat& outputFormat, uint32_t& frames);

// 32-bit x 32-bit products as byte counts, saturated to 32 bits.
uint32_t SaturatedBytes(uint64_t value);

// Channel conversion through a stack buffer: reads frameCount source frames of frameBytes each
// from offset, a chunk at a time (missing data as silence), and calls convert(chunk, done, frames)
// for each, done being the frames converted before it.
template <class Convert>
void ConvertInChunks(CAbstractSoundFile* container, uint64_t offset, uint32_t frameCount, uint32_t frameBytes,
                     uint8_t silence, Convert convert)
{
    constexpr uint32_t kChunkBytes = 4096;
    uint8_t chunk[kChunkBytes];
    const uint32_t perChunk = kChunkBytes / frameBytes;
    for (uint32_t done = 0; done < frameCount;)
    {
        uint32_t frames = frameCount - done < perChunk ? frameCount - done : perChunk;
        ReadOrFill(container, chunk, offset, frames * frameBytes, silence);
        convert(chunk, done, frames);
        done += frames;
        offset += uint64_t{frames} * frameBytes;
    }
}
} // namespace pcm

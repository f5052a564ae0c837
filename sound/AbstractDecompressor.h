#pragma once
#include <cstdint>

#include "sound/WaveFormat.h"

class CAbstractSoundFile;

// Turns a container's sample data into PCM, from any sample frame onward, as mono or as
// interleaved stereo whatever the source has. Samples are 8-bit unsigned (silence 128) when the
// output format has 8 bits, else 16-bit signed little-endian (silence 0).
//
// Every decoder is constructed as (container, out WaveFormat, out ok): it reads the container's
// format block, fills the output format and sets ok when it can decode the data; the owner deletes
// a decoder whose ok is false. A decoder is not thread-safe: its owner serialises the calls.
class CAbstractDecompressor
{
public:
    explicit CAbstractDecompressor(CAbstractSoundFile* container) : m_container(container) {}
    virtual ~CAbstractDecompressor() = default;
    CAbstractDecompressor(const CAbstractDecompressor&) = delete;
    CAbstractDecompressor& operator=(const CAbstractDecompressor&) = delete;

    // Write frameCount frames starting at firstFrame; the caller keeps firstFrame + frameCount
    // within GetLength() and gives a buffer of frameCount x output bytes per frame. The loop
    // flag is passed through by the sound output and is not used by the decoders. Returns the
    // bytes written.
    virtual uint32_t DecodeMono(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool loop) = 0;
    virtual uint32_t DecodeStereo(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool loop) = 0;
    // Write frameCount frames of silence; returns the bytes written. 16-bit silence unless a
    // decoder with 8-bit output writes its own.
    virtual uint32_t SilenceMono(void* buffer, uint32_t frameCount)
    {
        return WriteSilence16(buffer, frameCount);
    }
    virtual uint32_t SilenceStereo(void* buffer, uint32_t frameCount)
    {
        return WriteSilence16(buffer, frameCount * 2);
    }
    // Length of the sound in sample frames.
    virtual uint32_t GetLength() = 0;
    // Bytes of the whole sound as mono and as stereo output.
    virtual uint32_t GetMonoSize() = 0;
    virtual uint32_t GetStereoSize() = 0;

    CAbstractSoundFile* GetContainer() const { return m_container; }

protected:
    // Shared silence writers for decoders with 16-bit and 8-bit output; both return the bytes
    // written for `samples` samples.
    static uint32_t WriteSilence16(void* buffer, uint32_t samples);
    static uint32_t WriteSilence8(void* buffer, uint32_t samples);

    CAbstractSoundFile* m_container;
};

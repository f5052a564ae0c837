#pragma once
#include <cstdint>

#include "sound/AbstractDecompressor.h"

// The block cache shared by the ADPCM decoders: the data is a sequence of fixed-size blocks,
// each decoding to samplesPerBlock frames on its own. The samples of the last block decoded are
// kept, so decoding frames in order reads and decodes every block once.
class CAdpcmDecompressor : public CAbstractDecompressor
{
public:
    ~CAdpcmDecompressor() override;

    uint32_t DecodeMono(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool loop) override;
    uint32_t DecodeStereo(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool loop) override;
    uint32_t GetLength() override { return m_length; }
    uint32_t GetMonoSize() override;
    uint32_t GetStereoSize() override;

    uint32_t GetSamplesPerBlock() const { return m_samplesPerBlock; }
    uint32_t GetBlockBytes() const { return m_blockBytes; }
    uint32_t GetBlockCount() const { return m_blockCount; }
    // Byte offset, from the data start, of the block whose samples are held.
    uint32_t GetCurrentBlock() const { return m_currentBlock; }

protected:
    explicit CAdpcmDecompressor(CAbstractSoundFile* container);

    // The container's format block, its format and its samples-per-block field; null when there is
    // no format or the channel count is neither 1 nor 2.
    static const uint8_t* ReadAdpcmFormat(CAbstractSoundFile* container, WaveFormat& format,
                                          uint32_t& samplesPerBlock);
    // Sizes the block cache, fills the output format and decodes the first block. False when
    // the buffer cannot be allocated.
    bool Setup(uint16_t channels, uint32_t samplesPerBlock, uint32_t blockBytes, uint32_t samplesPerSec,
               WaveFormat& outputFormat);
    // Reads the next block bytes of the data into the raw block and decodes it into the sample
    // buffers; returns samples per block, or 0 when the block fails (the samples then stay as
    // they were).
    virtual uint32_t DecodeCurrentBlock() = 0;

    // Reads one block into m_block; false when the data holds less than a whole block.
    bool ReadBlock();

    uint16_t m_channels = 0;
    uint32_t m_samplesPerBlock = 0;
    uint32_t m_blockBytes = 0;
    uint32_t m_blockCount = 0;
    uint8_t* m_block = nullptr; // raw block, m_blockBytes
    int16_t* m_samples[2] = {}; // per channel, m_samplesPerBlock each
    uint32_t m_currentBlock = 0;

private:
    uint32_t Decode(uint8_t* out, uint32_t firstFrame, uint32_t frameCount, bool stereo);
    void LoadBlock(uint32_t blockOffset);

    uint32_t m_length = 0;
    uint8_t* m_buffer = nullptr;
};

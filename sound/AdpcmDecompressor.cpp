#include "sound/AdpcmDecompressor.h"

#include <cstring>
#include <new>

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

CAdpcmDecompressor::CAdpcmDecompressor(CAbstractSoundFile* container) : CAbstractDecompressor(container) {}

CAdpcmDecompressor::~CAdpcmDecompressor()
{
    delete[] m_buffer;
}

const uint8_t* CAdpcmDecompressor::ReadAdpcmFormat(CAbstractSoundFile* container, WaveFormat& format,
                                                   uint32_t& samplesPerBlock)
{
    const uint8_t* block = container ? container->GetFormat() : nullptr;
    if (!block)
        return nullptr;
    format = ParseWaveFormat(block);
    samplesPerBlock = LoadU16(block + 18);
    return format.channels >= 1 && format.channels <= 2 ? block : nullptr;
}

bool CAdpcmDecompressor::Setup(uint16_t channels, uint32_t samplesPerBlock, uint32_t blockBytes,
                               uint32_t samplesPerSec, WaveFormat& outputFormat)
{
    m_channels = channels;
    m_samplesPerBlock = samplesPerBlock;
    m_blockBytes = blockBytes;
    const uint32_t dataSize = m_container->GetDataSize();
    m_blockCount = blockBytes ? dataSize / blockBytes : 0;
    // Keep the length within 32 bits: drop the blocks that would not fit.
    if (uint64_t{m_blockCount} * samplesPerBlock > UINT32_MAX)
        m_blockCount = UINT32_MAX / samplesPerBlock;
    m_length = m_blockCount * samplesPerBlock;

    const size_t sampleBytes = size_t{samplesPerBlock} * 2 * sizeof(int16_t);
    m_buffer = new (std::nothrow) uint8_t[blockBytes + sampleBytes + alignof(int16_t)];
    if (!m_buffer)
        return false;
    // Until a block decodes the samples are silence, not whatever the heap held.
    std::memset(m_buffer, 0, blockBytes + sampleBytes + alignof(int16_t));
    m_block = m_buffer;
    uint8_t* samples = m_buffer + blockBytes + (blockBytes & 1);
    m_samples[0] = reinterpret_cast<int16_t*>(samples);
    m_samples[1] = m_samples[0] + samplesPerBlock;

    outputFormat = MakePcm16Format(channels, samplesPerSec);
    m_currentBlock = 0;
    m_container->Seek(0);
    DecodeCurrentBlock();
    return true;
}

bool CAdpcmDecompressor::ReadBlock()
{
    return m_container->ReadData(m_blockBytes, m_block) == m_blockBytes;
}

uint32_t CAdpcmDecompressor::GetMonoSize()
{
    return pcm::SaturatedBytes(uint64_t{m_length} * 2);
}

uint32_t CAdpcmDecompressor::GetStereoSize()
{
    return pcm::SaturatedBytes(uint64_t{m_length} * 4);
}

uint32_t CAdpcmDecompressor::DecodeMono(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool)
{
    return Decode(static_cast<uint8_t*>(buffer), firstFrame, frameCount, false);
}

uint32_t CAdpcmDecompressor::DecodeStereo(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool)
{
    return Decode(static_cast<uint8_t*>(buffer), firstFrame, frameCount, true);
}

void CAdpcmDecompressor::LoadBlock(uint32_t blockOffset)
{
    if (blockOffset == m_currentBlock)
        return;
    // The block right after the current one is next in the data already: no seek for it.
    if (m_container->GetPosition() != blockOffset)
        m_container->Seek(blockOffset);
    m_currentBlock = blockOffset;
    DecodeCurrentBlock();
}

uint32_t CAdpcmDecompressor::Decode(uint8_t* out, uint32_t firstFrame, uint32_t frameCount, bool stereo)
{
    if (!out || !m_buffer)
        return 0;
    const uint32_t frameBytes = stereo ? 4 : 2;
    // Frames past the end are not the caller's to ask for; give them silence, not old samples.
    uint32_t available = firstFrame < m_length ? m_length - firstFrame : 0;
    uint32_t frames = frameCount < available ? frameCount : available;
    uint32_t block = firstFrame / m_samplesPerBlock;
    uint32_t index = firstFrame % m_samplesPerBlock;
    uint32_t done = 0;
    while (done < frames)
    {
        LoadBlock(block * m_blockBytes);
        uint32_t n = m_samplesPerBlock - index;
        if (n > frames - done)
            n = frames - done;
        const int16_t* left = m_samples[0] + index;
        const int16_t* right = (m_channels == 2 ? m_samples[1] : m_samples[0]) + index;
        uint8_t* p = out + size_t{done} * frameBytes;
        for (uint32_t i = 0; i < n; ++i)
        {
            if (stereo)
            {
                PutSample(p + 4 * i, left[i]);
                PutSample(p + 4 * i + 2, right[i]);
            }
            else
            {
                PutSample(p + 2 * i, (int32_t{left[i]} + right[i]) >> 1);
            }
        }
        done += n;
        index = 0;
        ++block;
    }
    if (frames < frameCount)
        std::memset(out + size_t{frames} * frameBytes, 0, size_t{frameCount - frames} * frameBytes);
    return frameCount * frameBytes;
}

#include "sound/DecompressMsAdpcm.h"

#include "sound/AbstractSoundFile.h"

namespace
{
constexpr int32_t kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                     768, 614, 512, 409, 307, 230, 230, 230};
constexpr uint32_t kCoefficientOffset = 22;
} // namespace

CDecompressMsAdpcm::CDecompressMsAdpcm(CAbstractSoundFile* container, WaveFormat& outputFormat, bool& ok)
    : CAdpcmDecompressor(container)
{
    ok = false;
    WaveFormat format;
    uint32_t samplesPerBlock = 0;
    const uint8_t* block = ReadAdpcmFormat(container, format, samplesPerBlock);
    if (!block || samplesPerBlock < 2)
        return;
    // Only the pairs the "fmt " chunk really holds count, whatever its count field says.
    const uint32_t formatSize = container->GetFormatSize();
    const uint32_t held = formatSize > kCoefficientOffset ? (formatSize - kCoefficientOffset) / 4 : 0;
    const uint32_t declared = LoadU16(block + 20);
    m_coefficientCount = declared < held ? declared : held;
    m_coefficients = block + kCoefficientOffset;
    const uint32_t blockBytes = (((samplesPerBlock - 2) >> 1) + 7) * format.channels;
    ok = Setup(format.channels, samplesPerBlock, blockBytes, format.samplesPerSec, outputFormat);
}

bool CDecompressMsAdpcm::SetPredictor(Channel& channel, uint8_t index)
{
    if (index >= m_coefficientCount)
        return false;
    channel.coefficient1 = LoadS16(m_coefficients + 4 * index);
    channel.coefficient2 = LoadS16(m_coefficients + 4 * index + 2);
    return true;
}

int16_t CDecompressMsAdpcm::Step(Channel& channel, uint8_t nibble)
{
    nibble &= 0x0F;
    const int64_t signedNibble = nibble >= 8 ? int64_t{nibble} - 16 : int64_t{nibble};
    // Arithmetic shift of the weighted sum, as the format defines it (not a division).
    int64_t predicted = ((int64_t{channel.sample1} * channel.coefficient1 +
                          int64_t{channel.sample2} * channel.coefficient2) >>
                         8) +
                        signedNibble * channel.delta;
    if (predicted > 32767)
        predicted = 32767;
    if (predicted < -32768)
        predicted = -32768;
    channel.sample2 = channel.sample1;
    channel.sample1 = static_cast<int32_t>(predicted);
    int64_t delta = (int64_t{channel.delta} * kAdaptation[nibble]) >> 8;
    if (delta < 16)
        delta = 16;
    if (delta > kMaxDelta)
        delta = kMaxDelta;
    channel.delta = static_cast<int32_t>(delta);
    return static_cast<int16_t>(predicted);
}

uint32_t CDecompressMsAdpcm::DecodeBlockMono()
{
    if (!ReadBlock())
        return 0;
    const uint8_t* p = m_block;
    Channel channel{};
    if (!SetPredictor(channel, p[0]))
        return 0;
    channel.delta = LoadS16(p + 1);
    channel.sample1 = LoadS16(p + 3);
    channel.sample2 = LoadS16(p + 5);
    int16_t* out = m_samples[0];
    out[0] = static_cast<int16_t>(channel.sample2);
    out[1] = static_cast<int16_t>(channel.sample1);
    // Two samples per byte, high nibble first; an odd sample count leaves a last sample no byte
    // holds, which stays silent.
    const uint8_t* end = m_block + m_blockBytes;
    uint32_t n = 2;
    for (p = m_block + 7; n < m_samplesPerBlock; ++p)
    {
        if (p >= end)
        {
            out[n++] = 0;
            continue;
        }
        out[n++] = Step(channel, *p >> 4);
        if (n < m_samplesPerBlock)
            out[n++] = Step(channel, *p & 0x0F);
    }
    return m_samplesPerBlock;
}

uint32_t CDecompressMsAdpcm::DecodeBlockStereo()
{
    if (!ReadBlock())
        return 0;
    const uint8_t* p = m_block;
    Channel left{};
    Channel right{};
    if (!SetPredictor(left, p[0]) || !SetPredictor(right, p[1]))
        return 0;
    left.delta = LoadS16(p + 2);
    right.delta = LoadS16(p + 4);
    left.sample1 = LoadS16(p + 6);
    right.sample1 = LoadS16(p + 8);
    left.sample2 = LoadS16(p + 10);
    right.sample2 = LoadS16(p + 12);
    m_samples[0][0] = static_cast<int16_t>(left.sample2);
    m_samples[0][1] = static_cast<int16_t>(left.sample1);
    m_samples[1][0] = static_cast<int16_t>(right.sample2);
    m_samples[1][1] = static_cast<int16_t>(right.sample1);
    // One byte per frame: left in the high nibble, right in the low one. An odd sample count
    // leaves frames that no byte holds; they stay silent.
    const uint8_t* end = m_block + m_blockBytes;
    p = m_block + 14;
    for (uint32_t n = 2; n < m_samplesPerBlock; ++n, ++p)
    {
        if (p >= end)
        {
            m_samples[0][n] = 0;
            m_samples[1][n] = 0;
            continue;
        }
        m_samples[0][n] = Step(left, *p >> 4);
        m_samples[1][n] = Step(right, *p & 0x0F);
    }
    return m_samplesPerBlock;
}

#include "sound/DecompressImaAdpcmMs.h"

#include "sound/AbstractSoundFile.h"

namespace
{
constexpr int16_t kStepTable[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr int8_t kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

constexpr uint32_t kHeaderBytes = 4;
} // namespace

int16_t ImaAdpcmStep(ImaAdpcmState& state, uint8_t nibble)
{
    nibble &= 0x0F;
    if (state.index < 0)
        state.index = 0;
    if (state.index > 88)
        state.index = 88;
    const int32_t step = kStepTable[state.index];
    int32_t difference = step >> 3;
    if (nibble & 1)
        difference += step >> 2;
    if (nibble & 2)
        difference += step >> 1;
    if (nibble & 4)
        difference += step;
    int32_t predictor = (nibble & 8) ? state.predictor - difference : state.predictor + difference;
    if (predictor > 32767)
        predictor = 32767;
    if (predictor < -32768)
        predictor = -32768;
    state.predictor = predictor;
    int32_t index = state.index + kIndexTable[nibble];
    state.index = index < 0 ? 0 : (index > 88 ? 88 : index);
    return static_cast<int16_t>(predictor);
}

CDecompressImaAdpcmMs::CDecompressImaAdpcmMs(CAbstractSoundFile* container, WaveFormat& outputFormat,
                                             bool& ok)
    : CAdpcmDecompressor(container)
{
    ok = false;
    WaveFormat format;
    uint32_t samplesPerBlock = 0;
    if (!ReadAdpcmFormat(container, format, samplesPerBlock))
        return;
    if (samplesPerBlock < 1 || (samplesPerBlock - 1) % 8 != 0)
        return;
    const uint32_t blockBytes = ((samplesPerBlock + 7) >> 1) * format.channels;
    ok = Setup(format.channels, samplesPerBlock, blockBytes, format.samplesPerSec, outputFormat);
}

bool CDecompressImaAdpcmMs::ReadHeader(const uint8_t* header, ImaAdpcmState& state, int16_t& first)
{
    first = LoadS16(header);
    if (header[3] != 0 || header[2] > 88)
        return false;
    state.predictor = first;
    state.index = header[2];
    return true;
}

uint32_t CDecompressImaAdpcmMs::DecodeBlock()
{
    if (!ReadBlock())
        return 0;
    ImaAdpcmState states[2] = {};
    int16_t firsts[2] = {};
    for (uint32_t ch = 0; ch < m_channels; ++ch)
    {
        if (!ReadHeader(m_block + kHeaderBytes * ch, states[ch], firsts[ch]))
            return 0;
    }
    // After the headers, each group holds 4 bytes (8 samples, low nibble first) per channel.
    const uint32_t groups = (m_samplesPerBlock - 1) / 8;
    const uint8_t* p = m_block + kHeaderBytes * m_channels;
    for (uint32_t ch = 0; ch < m_channels; ++ch)
        m_samples[ch][0] = firsts[ch];
    for (uint32_t g = 0; g < groups; ++g)
    {
        for (uint32_t ch = 0; ch < m_channels; ++ch)
        {
            int16_t* out = m_samples[ch] + 1 + 8 * g;
            for (uint32_t i = 0; i < 4; ++i, ++p)
            {
                out[2 * i] = ImaAdpcmStep(states[ch], *p & 0x0F);
                out[2 * i + 1] = ImaAdpcmStep(states[ch], *p >> 4);
            }
        }
    }
    return m_samplesPerBlock;
}

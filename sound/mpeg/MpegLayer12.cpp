#include <cmath>

#include "sound/mpeg/MpegAudioDecoder.h"

// Layer II allocation table: groups of sub-bands sharing an allocation field width, each with
// the number of levels of every allocation code (0 = no allocation).
struct MpegL2AllocTable
{
    int subbands;
    struct Group
    {
        int count;
        int bits;
        const uint32_t* levels;
    } group[4];
};

namespace
{
const uint32_t kLevelsA0[16] = {0,   3,    7,    15,   31,   63,    127,   255,
                                511, 1023, 2047, 4095, 8191, 16383, 32767, 65535};
const uint32_t kLevelsA1[16] = {0, 3, 5, 7, 9, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 65535};
const uint32_t kLevelsA2[8] = {0, 3, 5, 7, 9, 15, 31, 65535};
const uint32_t kLevelsA3[4] = {0, 3, 5, 65535};
const uint32_t kLevelsC0[16] = {0, 3, 5, 9, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 16383, 32767};
const uint32_t kLevelsC1[8] = {0, 3, 5, 9, 15, 31, 63, 127};
const uint32_t kLevelsL0[16] = {0, 3, 5, 7, 9, 15, 31, 63, 127, 255, 511, 1023, 2047, 4095, 8191, 16383};
const uint32_t kLevelsL1[8] = {0, 3, 5, 9, 15, 31, 63, 127};
const uint32_t kLevelsL2[4] = {0, 3, 5, 9};

const MpegL2AllocTable kTableA = {
    27, {{3, 4, kLevelsA0}, {8, 4, kLevelsA1}, {12, 3, kLevelsA2}, {4, 2, kLevelsA3}}};
const MpegL2AllocTable kTableB = {
    30, {{3, 4, kLevelsA0}, {8, 4, kLevelsA1}, {12, 3, kLevelsA2}, {7, 2, kLevelsA3}}};
const MpegL2AllocTable kTableC = {8,
                                  {{2, 4, kLevelsC0}, {6, 3, kLevelsC1}, {0, 0, nullptr}, {0, 0, nullptr}}};
const MpegL2AllocTable kTableD = {12,
                                  {{2, 4, kLevelsC0}, {10, 3, kLevelsC1}, {0, 0, nullptr}, {0, 0, nullptr}}};
const MpegL2AllocTable kTableLsf = {
    30, {{4, 4, kLevelsL0}, {7, 3, kLevelsL1}, {19, 2, kLevelsL2}, {0, 0, nullptr}}};

// Bits of one sample, or of a grouped triple for 3, 5 and 9 levels.
int SampleBits(uint32_t levels)
{
    switch (levels)
    {
    case 3:
        return 5;
    case 5:
        return 7;
    case 9:
        return 10;
    default: // 2^n - 1 levels in n bits
    {
        int bits = 0;
        while ((levels + 1) >> (bits + 1))
            ++bits;
        return bits;
    }
    }
}

int JointBound(const MpegHeader& header, int limit)
{
    int bound = header.mode == 1 ? 4 * (header.modeExtension + 1) : 32;
    return bound < limit ? bound : limit;
}

// Sub-band limit from the 24 kHz frequency limit: 31 at every rate, so sub-band 31 is never
// decoded.
int SubbandLimit(const MpegAudioDecoder& decoder, uint32_t rate)
{
    int limit = static_cast<int>((decoder.frequencyLimit * 64 + rate / 2) / rate);
    return limit < 31 ? limit : 31;
}

void ClearSamples(MpegAudioDecoder& decoder)
{
    for (auto& channel : decoder.subbandSamples)
        for (auto& slot : channel)
            for (float& value : slot)
                value = 0;
}

// How the codes of one sub-band and channel become values: a grouped triple's code through its
// table, or three plain codes of `bits` bits each less `half`. No bits: three zeros.
struct L2Band
{
    const float (*grouped)[3];
    uint32_t bits;
    int half;
};

L2Band MakeBand(const MpegAudioDecoder& decoder, uint32_t levels)
{
    L2Band band = {nullptr, 0, 0};
    if (!levels)
        return band;
    band.bits = static_cast<uint32_t>(SampleBits(levels));
    band.half = static_cast<int>((levels - 1) / 2);
    if (levels == 3)
        band.grouped = decoder.ungroup3;
    else if (levels == 5)
        band.grouped = decoder.ungroup5;
    else if (levels == 9)
        band.grouped = decoder.ungroup9;
    return band;
}

// The three values of one granule of one sub-band, before scaling.
inline void ReadTriple(MpegBitReader& reader, const L2Band& band, float* v)
{
    if (band.grouped)
    {
        const float* g = band.grouped[reader.Get(band.bits)];
        v[0] = g[0], v[1] = g[1], v[2] = g[2];
    }
    else if (band.bits)
    {
        // Three codes of up to 16 bits: one 32-bit peek covers the first two.
        const uint32_t n = band.bits;
        const uint32_t word = reader.Peek32();
        v[0] = static_cast<float>(static_cast<int>(word >> (32 - n)) - band.half);
        v[1] = static_cast<float>(static_cast<int>((word << n) >> (32 - n)) - band.half);
        reader.Skip(2 * n);
        v[2] = static_cast<float>(static_cast<int>(reader.Get(n)) - band.half);
    }
    else
        v[0] = v[1] = v[2] = 0.0f;
}

// The allocation table of one frame, from its own rate, mode and bitrate: the bitrate may move
// from frame to frame, and with it the bitrate per channel that picks the table. Null for a
// bitrate and mode that have no table.
const MpegL2AllocTable* L2AllocationTable(const MpegHeader& header)
{
    if (header.version != 1)
        return &kTableLsf;
    // Which bitrates each channel mode allows, and the table for the bitrate per channel.
    static const bool kStereoAllowed[15] = {false, false, false, false, true, false, true, true,
                                            true,  true,  true,  true,  true, true,  true};
    static const bool kMonoAllowed[15] = {false, true, true, true,  true,  true,  true, true,
                                          true,  true, true, false, false, false, false};
    const bool mono = header.mode == 3;
    if (header.bitrateIndex < 1 || header.bitrateIndex > 14 ||
        !(mono ? kMonoAllowed : kStereoAllowed)[header.bitrateIndex])
        return nullptr;
    const uint32_t perChannel = header.bitrate / (mono ? 1 : 2) / 1000;
    if (perChannel <= 48)
        return header.sampleRate == 32000 ? &kTableD : &kTableC;
    if (perChannel <= 80)
        return &kTableA;
    return header.sampleRate == 48000 ? &kTableA : &kTableB;
}

void Synthesize(MpegAudioDecoder& decoder, int slots, int channels, int16_t* output)
{
    MpegSynthesizeChannels(decoder, slots, decoder.subbandSamples[0], decoder.subbandSamples[1], channels,
                           output);
}
} // namespace

void L12InitTables(MpegAudioDecoder& decoder)
{
    for (int i = 0; i < 64; ++i)
        decoder.scaleFactorTable[i] = static_cast<float>(65536.0 * std::pow(2.0, -i / 3.0));
    for (int n = 0; n < 16; ++n)
    {
        // Allocation code n gives n + 1 bits per sample (code 0 none, 15 not used).
        MpegQuantClass& c = decoder.l1Class[n];
        c.bits = static_cast<uint8_t>(n + 1);
        c.levels = (1u << (n + 1)) - 1;
        c.step = static_cast<float>(2.0 / c.levels);
    }
    for (int code = 0; code < 32; ++code)
        for (int k = 0, v = code; k < 3; ++k, v /= 3)
            decoder.ungroup3[code][k] = static_cast<float>(code < 27 ? v % 3 - 1 : 0);
    for (int code = 0; code < 128; ++code)
        for (int k = 0, v = code; k < 3; ++k, v /= 5)
            decoder.ungroup5[code][k] = static_cast<float>(code < 125 ? v % 5 - 2 : 0);
    for (int code = 0; code < 1024; ++code)
        for (int k = 0, v = code; k < 3; ++k, v /= 9)
            decoder.ungroup9[code][k] = static_cast<float>(code < 729 ? v % 9 - 4 : 0);
}

void L1DecodeStart(MpegAudioDecoder& decoder, const MpegHeader& header)
{
    decoder.subbandLimit = SubbandLimit(decoder, header.sampleRate);
    ClearSamples(decoder);
}

bool L2DecodeStart(MpegAudioDecoder& decoder, const MpegHeader& header)
{
    decoder.subbandLimit = SubbandLimit(decoder, header.sampleRate);
    ClearSamples(decoder);
    return L2AllocationTable(header) != nullptr;
}

void L1DecodeFrame(MpegAudioDecoder& decoder, const MpegHeader& header, const uint8_t* frame, uint32_t size,
                   int16_t* output)
{
    const int channels = header.channels;
    const int bound = JointBound(header, 32);
    const int limit = decoder.subbandLimit;
    MpegBitReader reader;
    reader.Start(frame, size, 32 + (header.crc ? 16 : 0));

    int alloc[2][32] = {};
    for (int sb = 0; sb < 32; ++sb)
    {
        for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch)
            alloc[ch][sb] = static_cast<int>(reader.Get(4));
        if (sb >= bound)
            alloc[1][sb] = alloc[0][sb];
        for (int ch = 0; ch < channels; ++ch)
            if (alloc[ch][sb] == 15) // not a valid allocation: nothing was coded for it
                alloc[ch][sb] = 0;
    }
    float scale[2][32] = {};
    for (int sb = 0; sb < 32; ++sb)
        for (int ch = 0; ch < channels; ++ch)
            if (alloc[ch][sb])
                scale[ch][sb] = decoder.scaleFactorTable[reader.Get(6)] * decoder.l1Class[alloc[ch][sb]].step;

    for (int slot = 0; slot < 12; ++slot)
    {
        for (int sb = 0; sb < 32; ++sb)
        {
            int coded = sb < bound ? channels : 1;
            for (int ch = 0; ch < coded; ++ch)
            {
                int n = alloc[ch][sb];
                if (!n)
                    continue;
                uint32_t code = reader.Get(static_cast<uint32_t>(n + 1));
                if (sb >= limit)
                    continue; // read past, never heard
                float value = static_cast<float>(static_cast<int32_t>(code) - ((1 << n) - 1));
                if (sb < bound)
                    decoder.subbandSamples[ch][slot][sb] = value * scale[ch][sb];
                else
                    for (int c = 0; c < channels; ++c)
                        decoder.subbandSamples[c][slot][sb] = value * scale[c][sb];
            }
        }
        for (int ch = 0; ch < channels; ++ch)
        {
            for (int sb = 0; sb < 32; ++sb)
                if (!alloc[ch][sb] || sb >= limit)
                    decoder.subbandSamples[ch][slot][sb] = 0;
        }
    }
    Synthesize(decoder, 12, channels, output);
}

void L2DecodeFrame(MpegAudioDecoder& decoder, const MpegHeader& header, const uint8_t* frame, uint32_t size,
                   int16_t* output)
{
    const int channels = header.channels;
    const MpegL2AllocTable* table = L2AllocationTable(header);
    if (!table)
    {
        // A frame without an allocation table for its bitrate and mode plays silence.
        ClearSamples(decoder);
        Synthesize(decoder, 36, channels, output);
        return;
    }
    const int limit = table->subbands < decoder.subbandLimit ? table->subbands : decoder.subbandLimit;
    const int bound = JointBound(header, limit);
    MpegBitReader reader;
    reader.Start(frame, size, 32 + (header.crc ? 16 : 0));

    uint32_t levels[2][32] = {};
    int sb = 0;
    for (const auto& group : table->group)
    {
        for (int i = 0; i < group.count; ++i, ++sb)
        {
            if (sb >= limit)
                break;
            for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch)
                levels[ch][sb] = group.levels[reader.Get(static_cast<uint32_t>(group.bits))];
            if (sb >= bound)
                levels[1][sb] = levels[0][sb];
        }
    }
    uint32_t selection[2][32] = {};
    for (sb = 0; sb < limit; ++sb)
        for (int ch = 0; ch < channels; ++ch)
            if (levels[ch][sb])
                selection[ch][sb] = reader.Get(2);
    float scale[2][32][3] = {};
    for (sb = 0; sb < limit; ++sb)
    {
        for (int ch = 0; ch < channels; ++ch)
        {
            if (!levels[ch][sb])
                continue;
            uint32_t s[3];
            switch (selection[ch][sb])
            {
            case 0:
                s[0] = reader.Get(6), s[1] = reader.Get(6), s[2] = reader.Get(6);
                break;
            case 1:
                s[0] = s[1] = reader.Get(6), s[2] = reader.Get(6);
                break;
            case 2:
                s[0] = s[1] = s[2] = reader.Get(6);
                break;
            default:
                s[0] = reader.Get(6), s[1] = s[2] = reader.Get(6);
                break;
            }
            float step = static_cast<float>(2.0 / levels[ch][sb]);
            for (int p = 0; p < 3; ++p)
                scale[ch][sb][p] = decoder.scaleFactorTable[s[p]] * step;
        }
    }

    // Per sub-band and channel, how a code becomes three values: through the table of a grouped
    // triple, or as three plain codes of `bits` bits each less `half`.
    L2Band band[2][32] = {};
    for (sb = 0; sb < limit; ++sb)
        for (int ch = 0; ch < channels; ++ch)
            band[ch][sb] = MakeBand(decoder, levels[ch][sb]);

    for (int part = 0; part < 3; ++part)
    {
        for (int granule = 0; granule < 4; ++granule)
        {
            const int slot = part * 12 + granule * 3;
            float(*rows[2])[32] = {decoder.subbandSamples[0] + slot, decoder.subbandSamples[1] + slot};
            for (sb = 0; sb < bound; ++sb)
            {
                for (int ch = 0; ch < channels; ++ch)
                {
                    float v[3];
                    ReadTriple(reader, band[ch][sb], v);
                    const float factor = scale[ch][sb][part];
                    for (int k = 0; k < 3; ++k)
                        rows[ch][k][sb] = v[k] * factor;
                }
            }
            // Above the joint-stereo bound one triple serves both channels, each with its own
            // scale factors.
            for (; sb < limit; ++sb)
            {
                float v[3];
                ReadTriple(reader, band[0][sb], v);
                for (int ch = 0; ch < channels; ++ch)
                {
                    const float factor = scale[ch][sb][part];
                    for (int k = 0; k < 3; ++k)
                        rows[ch][k][sb] = v[k] * factor;
                }
            }
        }
    }
    // Sub-bands from the limit up are never decoded; they are silent in every slot.
    for (int ch = 0; ch < channels; ++ch)
        for (int t = 0; t < 36; ++t)
            for (int s = limit; s < 32; ++s)
                decoder.subbandSamples[ch][t][s] = 0;
    Synthesize(decoder, 36, channels, output);
}

#include <bit>
#include <cmath>
#include <cstring>

#include "sound/mpeg/MpegAudioDecoder.h"
#include "sound/mpeg/MpegVector.h"

namespace
{
using mpegvec::Float4;

// Scale-factor band boundaries: long (23 entries) and short (14 entries, per window) by
// [version row][sample-rate index]; rows MPEG-1, MPEG-2, MPEG 2.5.
const uint16_t kLongBands[3][3][23] = {
    {{0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 52, 62, 74, 90, 110, 134, 162, 196, 238, 288, 342, 418, 576},
     {0, 4, 8, 12, 16, 20, 24, 30, 36, 42, 50, 60, 72, 88, 106, 128, 156, 190, 230, 276, 330, 384, 576},
     {0, 4, 8, 12, 16, 20, 24, 30, 36, 44, 54, 66, 82, 102, 126, 156, 194, 240, 296, 364, 448, 550, 576}},
    {{0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 114, 136, 162, 194, 232, 278, 332, 394, 464, 540, 576},
     {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576}},
    {{0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0, 6, 12, 18, 24, 30, 36, 44, 54, 66, 80, 96, 116, 140, 168, 200, 238, 284, 336, 396, 464, 522, 576},
     {0,   12,  24,  36,  48,  60,  72,  88,  108, 132, 160, 192,
      232, 280, 336, 400, 476, 566, 568, 570, 572, 574, 576}},
};
const uint16_t kShortBands[3][3][14] = {
    {{0, 4, 8, 12, 16, 22, 30, 40, 52, 66, 84, 106, 136, 192},
     {0, 4, 8, 12, 16, 22, 28, 38, 50, 64, 80, 100, 126, 192},
     {0, 4, 8, 12, 16, 22, 30, 42, 58, 78, 104, 138, 180, 192}},
    {{0, 4, 8, 12, 18, 24, 32, 42, 56, 74, 100, 132, 174, 192},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 136, 180, 192},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192}},
    {{0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},
     {0, 4, 8, 12, 18, 26, 36, 48, 62, 80, 104, 134, 174, 192},
     {0, 8, 16, 24, 36, 52, 72, 96, 124, 160, 162, 164, 166, 192}},
};

const int kPretab[22] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};
const int kSlen1[16] = {0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4};
const int kSlen2[16] = {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3};
// Scale factors per slen partition: [table][long, short, mixed][partition].
const int kPartitions[6][3][4] = {
    {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}},       {{6, 5, 7, 3}, {9, 9, 12, 6}, {6, 9, 12, 6}},
    {{11, 10, 0, 0}, {18, 18, 0, 0}, {15, 18, 0, 0}}, {{7, 7, 7, 0}, {12, 12, 12, 0}, {6, 15, 12, 0}},
    {{6, 6, 6, 3}, {12, 9, 9, 6}, {6, 12, 9, 6}},     {{8, 8, 5, 0}, {15, 12, 9, 0}, {6, 18, 9, 0}},
};
const double kAliasC[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};

uint32_t SideInfoBytes(const MpegHeader& header)
{
    if (header.version == 1)
        return header.channels == 1 ? 17 : 32;
    return header.channels == 1 ? 9 : 17;
}

bool IsShort(const MpegL3GranuleInfo& gi)
{
    return gi.windowSwitching && gi.blockType == 2;
}

void ReadGranuleInfo(MpegBitReader& r, MpegL3GranuleInfo& gi, bool mpeg1)
{
    gi.part23Length = r.Get(12);
    gi.bigValues = r.Get(9);
    if (gi.bigValues > 288)
        gi.bigValues = 288;
    gi.globalGain = r.Get(8);
    gi.scalefacCompress = r.Get(mpeg1 ? 4 : 9);
    gi.windowSwitching = r.Get(1);
    if (gi.windowSwitching)
    {
        gi.blockType = r.Get(2);
        gi.mixedBlock = r.Get(1);
        gi.tableSelect[0] = r.Get(5);
        gi.tableSelect[1] = r.Get(5);
        gi.tableSelect[2] = 0;
        for (uint32_t& g : gi.subblockGain)
            g = r.Get(3);
        // Region 1 starts at line 36 (54 for MPEG-2 start and stop blocks); region 2 is empty.
        if (mpeg1)
            gi.region0Count = 7, gi.region1Count = 13;
        else if (gi.blockType == 2)
            gi.region0Count = 5, gi.region1Count = 15;
        else
            gi.region0Count = 7, gi.region1Count = 13;
    }
    else
    {
        gi.blockType = 0;
        gi.mixedBlock = 0;
        for (uint32_t& t : gi.tableSelect)
            t = r.Get(5);
        gi.subblockGain[0] = gi.subblockGain[1] = gi.subblockGain[2] = 0;
        gi.region0Count = r.Get(4);
        gi.region1Count = r.Get(3);
    }
    gi.preflag = mpeg1 ? r.Get(1) : 0;
    gi.scalefacScale = r.Get(1);
    gi.count1Table = r.Get(1);
}

void L3SideInfoMpeg1(MpegBitReader& r, MpegL3SideInfo& side, int channels)
{
    side.mainDataBegin = r.Get(9);
    r.Skip(channels == 1 ? 5 : 3);
    for (int ch = 0; ch < channels; ++ch)
        side.scfsi[ch] = r.Get(4);
    for (int gr = 0; gr < 2; ++gr)
        for (int ch = 0; ch < channels; ++ch)
            ReadGranuleInfo(r, side.granule[gr][ch], true);
}

void L3SideInfoMpeg2(MpegBitReader& r, MpegL3SideInfo& side, int channels)
{
    side.mainDataBegin = r.Get(8);
    r.Skip(channels == 1 ? 1 : 2);
    side.scfsi[0] = side.scfsi[1] = 0;
    for (int ch = 0; ch < channels; ++ch)
        ReadGranuleInfo(r, side.granule[0][ch], false);
}

void L3ScaleFactorsMpeg1(MpegAudioDecoder& d, MpegBitReader& r, const MpegL3GranuleInfo& gi, int ch, int gr,
                         uint32_t scfsi)
{
    const int slen1 = kSlen1[gi.scalefacCompress & 15];
    const int slen2 = kSlen2[gi.scalefacCompress & 15];
    int* lf = d.sfLong[ch];
    if (IsShort(gi))
    {
        int firstShort = 0;
        if (gi.mixedBlock)
        {
            for (int sfb = 0; sfb < 8; ++sfb)
                lf[sfb] = static_cast<int>(r.Get(static_cast<uint32_t>(slen1)));
            firstShort = 3;
        }
        for (int sfb = firstShort; sfb < 12; ++sfb)
            for (int w = 0; w < 3; ++w)
                d.sfShort[ch][sfb][w] =
                    static_cast<int>(r.Get(static_cast<uint32_t>(sfb < 6 ? slen1 : slen2)));
        d.sfShort[ch][12][0] = d.sfShort[ch][12][1] = d.sfShort[ch][12][2] = 0;
        return;
    }
    static const int kGroupStart[5] = {0, 6, 11, 16, 21};
    for (int g = 0; g < 4; ++g)
    {
        // Granule 1 reuses granule 0's factors for the groups its scfsi marks.
        if (gr == 1 && ((scfsi >> (3 - g)) & 1))
            continue;
        int bits = g < 2 ? slen1 : slen2;
        for (int sfb = kGroupStart[g]; sfb < kGroupStart[g + 1]; ++sfb)
            lf[sfb] = static_cast<int>(r.Get(static_cast<uint32_t>(bits)));
    }
    lf[21] = 0;
    lf[22] = 0;
}

void L3ScaleFactorsMpeg2(MpegAudioDecoder& d, MpegBitReader& r, MpegL3GranuleInfo& gi, int ch,
                         bool intensityRight)
{
    int slen[4] = {};
    int table = 0;
    uint32_t sfc = gi.scalefacCompress;
    if (!intensityRight)
    {
        if (sfc < 400)
            slen[0] = (sfc >> 4) / 5, slen[1] = (sfc >> 4) % 5, slen[2] = (sfc & 15) >> 2, slen[3] = sfc & 3,
            table = 0;
        else if (sfc < 500)
            sfc -= 400, slen[0] = (sfc >> 2) / 5, slen[1] = (sfc >> 2) % 5, slen[2] = sfc & 3, table = 1;
        else
            sfc -= 500, slen[0] = sfc / 3, slen[1] = sfc % 3, table = 2, gi.preflag = 1;
    }
    else
    {
        d.intensityScale = static_cast<int>(sfc & 1);
        sfc >>= 1;
        if (sfc < 180)
            slen[0] = sfc / 36, slen[1] = (sfc % 36) / 6, slen[2] = (sfc % 36) % 6, table = 3;
        else if (sfc < 244)
            sfc -= 180, slen[0] = (sfc & 63) >> 4, slen[1] = (sfc & 15) >> 2, slen[2] = sfc & 3, table = 4;
        else
            sfc -= 244, slen[0] = sfc / 3, slen[1] = sfc % 3, table = 5;
    }
    const int block = IsShort(gi) ? (gi.mixedBlock ? 2 : 1) : 0;
    int values[45] = {};
    int bits[45] = {};
    int n = 0;
    for (int p = 0; p < 4; ++p)
        for (int i = 0; i < kPartitions[table][block][p] && n < 45; ++i, ++n)
        {
            bits[n] = slen[p];
            values[n] = static_cast<int>(r.Get(static_cast<uint32_t>(slen[p])));
        }
    // Spread the list over the bands: long bands, or short bands x 3 windows (mixed: 6 long bands
    // first, then short bands from 3).
    int k = 0;
    if (block == 0)
    {
        for (int sfb = 0; sfb < 21; ++sfb, ++k)
        {
            d.sfLong[ch][sfb] = values[k];
            d.isIllegalLong[sfb] = (1 << bits[k]) - 1;
        }
        d.sfLong[ch][21] = d.sfLong[ch][22] = 0;
        d.isIllegalLong[21] = d.isIllegalLong[22] = 0;
        return;
    }
    int firstShort = 0;
    if (block == 2)
    {
        for (int sfb = 0; sfb < 6; ++sfb, ++k)
        {
            d.sfLong[ch][sfb] = values[k];
            d.isIllegalLong[sfb] = (1 << bits[k]) - 1;
        }
        firstShort = 3;
    }
    for (int sfb = firstShort; sfb < 12; ++sfb)
    {
        for (int w = 0; w < 3; ++w, ++k)
            d.sfShort[ch][sfb][w] = values[k];
        d.isIllegalShort[sfb] = (1 << bits[k - 1]) - 1;
    }
    d.sfShort[ch][12][0] = d.sfShort[ch][12][1] = d.sfShort[ch][12][2] = 0;
    d.isIllegalShort[12] = 0;
}

// Region boundary from the band table; counts that run past the table end at line 576.
uint32_t RegionStart(const uint16_t* longBands, uint32_t index)
{
    return index < 23 ? longBands[index] : 576;
}

// Huffman data of one channel into d.quantized; returns the count of lines up to the last
// non-zero one, or 0 when the data ran past the channel's end.
uint32_t L3Huffman(MpegAudioDecoder& d, MpegBitReader& r, const MpegL3GranuleInfo& gi, uint32_t end)
{
    int* q = d.quantized;
    const uint32_t limit = d.decodeLimit;
    uint32_t bigEnd = gi.bigValues * 2;
    if (bigEnd > limit)
        bigEnd = limit;
    uint32_t region1 = RegionStart(d.longBands, gi.region0Count + 1);
    uint32_t region2 = RegionStart(d.longBands, gi.region0Count + gi.region1Count + 2);
    if (gi.windowSwitching)
        region2 = 576;
    const uint32_t bounds[3] = {region1 < bigEnd ? region1 : bigEnd, region2 < bigEnd ? region2 : bigEnd,
                                bigEnd};

    uint32_t pos = 0;
    uint32_t nonZero = 0;
    for (int region = 0; region < 3; ++region)
    {
        const uint32_t regionEnd = bounds[region];
        if (pos >= regionEnd)
            continue;
        const MpegBigValueTable table = kMpegBigValueTables[gi.tableSelect[region] & 31];
        if (table.source < 0)
        {
            // Table 0 codes nothing; 4 and 14 do not exist and decode as zeros too.
            for (; pos < regionEnd; ++pos)
                q[pos] = 0;
            continue;
        }
        const uint32_t linbits = table.linbits;
        const int source = table.source;
        for (; pos < regionEnd; pos += 2)
        {
            if (r.position >= end)
                break; // the data ran out: the rest of the region stays zero
            // One 32-bit peek holds the code (at most 19 bits) and both sign bits.
            const uint32_t bits = r.Peek32();
            uint32_t length;
            const uint32_t v = d.huffman.DecodeBits(bits, source, length);
            int x = static_cast<int>(v >> 4);
            int y = static_cast<int>(v & 15);
            if (!linbits)
            {
                // Each non-zero value takes the next bit as its sign; without branches, as the
                // signs are as good as random.
                uint32_t rest = bits << length;
                const uint32_t hasX = x != 0;
                const int negX = -static_cast<int>((rest >> 31) & hasX);
                x = (x ^ negX) - negX;
                rest <<= hasX;
                const uint32_t hasY = y != 0;
                const int negY = -static_cast<int>((rest >> 31) & hasY);
                y = (y ^ negY) - negY;
                r.Skip(length + hasX + hasY);
            }
            else
            {
                r.Skip(length);
                if (x == 15)
                    x += static_cast<int>(r.Get(linbits));
                if (x && r.Get1())
                    x = -x;
                if (y == 15)
                    y += static_cast<int>(r.Get(linbits));
                if (y && r.Get1())
                    y = -y;
            }
            q[pos] = x;
            q[pos + 1] = y;
            nonZero = (x | y) ? pos + 2 : nonZero;
        }
        for (; pos < regionEnd; ++pos)
            q[pos] = 0;
    }
    if (r.position > end)
        return 0; // ran past its data: the channel is silent for this granule

    // Quadruples while bits remain, up to the decode limit.
    while (pos < limit && r.position < end)
    {
        // One peek holds the code (at most 6 bits) and its up to four sign bits.
        const uint32_t bits = r.Peek32();
        uint32_t length = 4;
        const uint32_t v = gi.count1Table ? 15 - (bits >> 28) : d.huffman.DecodeBits(bits, 18, length);
        uint32_t rest = bits << length;
        int value[4];
        for (int k = 0; k < 4; ++k)
        {
            const uint32_t present = (v >> (3 - k)) & 1;
            // 1 - 2 x sign bit, or 0 for a value that is not there (which takes no sign bit).
            value[k] = static_cast<int>(present) * (1 - 2 * static_cast<int>(rest >> 31));
            rest <<= present;
            length += present;
        }
        r.Skip(length);
        if (r.position > end)
            break; // overran the channel's bits: this quadruple is discarded
        for (int k = 0; k < 4; ++k)
        {
            q[pos + k] = value[k];
            nonZero = value[k] ? pos + k + 1 : nonZero;
        }
        pos += 4;
    }
    return nonZero;
}

// sign(x) |x|^(4/3) x factor. A Huffman value is at most 15 + (2^13 - 1) = 8,206 (the largest
// linbits), so the table covers every value a stream can code.
inline float Requantize(const MpegAudioDecoder& d, int value, float factor)
{
    const uint32_t magnitude = static_cast<uint32_t>(value < 0 ? -value : value);
    // The sign goes on as a bit, without a branch on it: factor is never negative.
    const uint32_t v =
        std::bit_cast<uint32_t>(d.pow43[magnitude] * factor) | (static_cast<uint32_t>(value) & 0x80000000u);
    return std::bit_cast<float>(v);
}

// Returns the non-zero count of the dequantised lines: for short blocks the interleaving can move a
// window's lines past the coded count, up to the end of its band.
uint32_t L3Dequantize(MpegAudioDecoder& d, const MpegL3GranuleInfo& gi, int ch, uint32_t nonZero,
                      bool midSide)
{
    float* xr = d.xr[ch];
    const int* q = d.quantized;
    int gainIndex = static_cast<int>(gi.globalGain) + 6 - (midSide ? 2 : 0);
    const float gain = d.gainTable[gainIndex < 0 ? 0 : gainIndex];
    const float* mult = d.sfMultiplier[gi.scalefacScale];

    uint32_t longEnd = nonZero;
    int firstShort = 13;
    if (IsShort(gi))
    {
        // The long part of a mixed block is long bands 0 to 7 (MPEG-1) or 0 to 5 (MPEG-2 and 2.5),
        // the short part short bands 3 up, as the scale factors were read: line 36 at every rate
        // but 8 kHz, where both end at line 72.
        const uint32_t mixedEnd = d.longBands[d.first.version == 1 ? 8 : 6];
        longEnd = gi.mixedBlock ? (nonZero < mixedEnd ? nonZero : mixedEnd) : 0;
        firstShort = gi.mixedBlock ? 3 : 0;
        // Short windows leave gaps between their lines.
        std::memset(xr, 0, sizeof(d.xr[ch]));
    }
    else
    {
        // Long blocks write every line up to the last non-zero one: only the rest is cleared.
        std::memset(xr + longEnd, 0, sizeof(float) * (576 - longEnd));
    }
    for (int sfb = 0; sfb < 22 && d.longBands[sfb] < longEnd; ++sfb)
    {
        int n = d.sfLong[ch][sfb] + (gi.preflag ? kPretab[sfb] : 0);
        const float factor = gain * mult[n < 127 ? n : 127];
        uint32_t stop = d.longBands[sfb + 1] < longEnd ? d.longBands[sfb + 1] : longEnd;
        for (uint32_t i = d.longBands[sfb]; i < stop; ++i)
            xr[i] = Requantize(d, q[i], factor);
    }
    uint32_t reordered = nonZero;
    for (int sfb = firstShort; sfb < 13; ++sfb)
    {
        const uint32_t start = d.shortBands[sfb];
        const uint32_t width = d.shortBands[sfb + 1] - start;
        if (3 * start >= nonZero)
            break;
        reordered = 3 * (start + width);
        for (int w = 0; w < 3; ++w)
        {
            int n = d.sfShort[ch][sfb][w];
            const float factor = gain * d.subblockGainTable[gi.subblockGain[w] & 7] * mult[n < 127 ? n : 127];
            const uint32_t coded = 3 * start + w * width;
            for (uint32_t i = 0; i < width; ++i)
            {
                // Stored interleaved by window: line x 3 + window.
                if (coded + i < nonZero && q[coded + i])
                    xr[3 * (start + i) + w] = Requantize(d, q[coded + i], factor);
            }
        }
    }
    return reordered > nonZero ? reordered : nonZero;
}

void L3MidSide(MpegAudioDecoder& d)
{
    uint32_t n = d.nonZero[0] > d.nonZero[1] ? d.nonZero[0] : d.nonZero[1];
    float* l = d.xr[0];
    float* r = d.xr[1];
    for (uint32_t i = 0; i < n; ++i)
    {
        float m = l[i];
        float s = r[i];
        l[i] = m + s;
        r[i] = m - s;
    }
}

// Intensity over one band's lines: `stride` 1 for long bands, 3 for a short window.
void ApplyIntensity(float* l, float* r, uint32_t first, uint32_t count, uint32_t stride, float kl, float kr)
{
    for (uint32_t i = 0; i < count; ++i)
    {
        uint32_t at = first + i * stride;
        float v = l[at];
        l[at] = v * kl;
        r[at] = v * kr;
    }
}

// Ratios for one band, or false when the position means "no intensity" for the band (the band
// then stays as mid/side or left/right decoding left it).
bool IntensityRatios(const MpegAudioDecoder& d, bool mpeg1, bool midSide, int position, int illegal,
                     float& kl, float& kr)
{
    if (mpeg1)
    {
        if (position < 0 || position >= 7)
            return false;
        kl = d.isRatioMpeg1[midSide][position][0];
        kr = d.isRatioMpeg1[midSide][position][1];
        return true;
    }
    if (position < 0 || position >= 32 || position == illegal)
        return false;
    kl = d.isRatioMpeg2[midSide][d.intensityScale][position][0];
    kr = d.isRatioMpeg2[midSide][d.intensityScale][position][1];
    return true;
}

// Where the intensity region begins: the right channel's last band with a non-zero line, long
// and for each short window (-1 or, for the short part of a mixed block, 2 when there is none).
// Found on the right channel as decoded, before mid/side fills it with mid - side.
struct IntensityStart
{
    int longBand = -1;
    int shortBand[3] = {-1, -1, -1};
};

IntensityStart L3IntensityStart(const MpegAudioDecoder& d, const MpegL3GranuleInfo& gi)
{
    IntensityStart start;
    const float* r = d.xr[1];
    if (IsShort(gi))
    {
        const int firstBand = gi.mixedBlock ? 3 : 0;
        for (int w = 0; w < 3; ++w)
        {
            start.shortBand[w] = firstBand - 1;
            for (int sfb = 12; sfb >= firstBand; --sfb)
            {
                bool found = false;
                for (uint32_t f = d.shortBands[sfb]; f < d.shortBands[sfb + 1] && !found; ++f)
                    found = r[3 * f + w] != 0.0f;
                if (found)
                {
                    start.shortBand[w] = sfb;
                    break;
                }
            }
        }
        if (!gi.mixedBlock)
            return start;
    }
    // Long blocks, or the long part of a mixed block (lines below its short part).
    uint32_t end = d.nonZero[1];
    if (IsShort(gi))
    {
        const uint32_t mixedEnd = 3u * d.shortBands[3];
        end = end < mixedEnd ? end : mixedEnd;
    }
    for (int i = static_cast<int>(end) - 1; i >= 0; --i)
        if (r[i] != 0.0f)
        {
            for (int sfb = 21; sfb >= 0; --sfb)
                if (d.longBands[sfb] <= static_cast<uint32_t>(i))
                {
                    start.longBand = sfb;
                    break;
                }
            break;
        }
    return start;
}

void L3Intensity(MpegAudioDecoder& d, const MpegL3GranuleInfo& gi, bool mpeg1, bool midSide,
                 const IntensityStart& start)
{
    float* l = d.xr[0];
    float* r = d.xr[1];
    float kl, kr;
    if (IsShort(gi))
    {
        for (int w = 0; w < 3; ++w)
        {
            for (int sfb = start.shortBand[w] + 1; sfb < 12; ++sfb)
            {
                if (IntensityRatios(d, mpeg1, midSide, d.sfShort[1][sfb][w], d.isIllegalShort[sfb], kl, kr))
                    ApplyIntensity(l, r, 3 * d.shortBands[sfb] + w, d.shortBands[sfb + 1] - d.shortBands[sfb],
                                   3, kl, kr);
            }
        }
        if (!gi.mixedBlock)
            return;
        // The long part of a mixed block joins the intensity region only when no short window of
        // the right channel holds a value; then from its last non-zero long band up.
        for (int w = 0; w < 3; ++w)
            if (start.shortBand[w] >= 3)
                return;
        const int longBands = mpeg1 ? 8 : 6;
        for (int sfb = start.longBand + 1; sfb < longBands; ++sfb)
        {
            if (IntensityRatios(d, mpeg1, midSide, d.sfLong[1][sfb], d.isIllegalLong[sfb], kl, kr))
                ApplyIntensity(l, r, d.longBands[sfb], d.longBands[sfb + 1] - d.longBands[sfb], 1, kl, kr);
        }
        return;
    }
    for (int sfb = start.longBand + 1; sfb < 21; ++sfb)
    {
        if (IntensityRatios(d, mpeg1, midSide, d.sfLong[1][sfb], d.isIllegalLong[sfb], kl, kr))
            ApplyIntensity(l, r, d.longBands[sfb], d.longBands[sfb + 1] - d.longBands[sfb], 1, kl, kr);
    }
}

// The butterflies across one sub-band boundary: the 8 lines below it (read downwards from lo) with
// the 8 above it (hi).
inline __attribute__((always_inline)) void AliasButterflies(const MpegAudioDecoder& d, float* lo, float* hi)
{
    for (int i = 0; i < 8; ++i)
    {
        float a = lo[-i];
        float c = hi[i];
        lo[-i] = a * d.aliasCs[i] - c * d.aliasCa[i];
        hi[i] = c * d.aliasCs[i] + a * d.aliasCa[i];
    }
}

// The same eight at once, each with the same operations: the lines below, read downwards, are a
// reversed vector.
inline __attribute__((always_inline)) void AliasButterfliesVector(const MpegAudioDecoder& d, float* lo,
                                                                  float* hi)
{
    using mpegvec::Float8;
    Float8 below, c, cs, ca;
    mpegvec::Load(below, lo - 7);
    mpegvec::Load(c, hi);
    mpegvec::Load(cs, d.aliasCs);
    mpegvec::Load(ca, d.aliasCa);
    const Float8 a = __builtin_shufflevector(below, below, 7, 6, 5, 4, 3, 2, 1, 0);
    const Float8 newBelow = a * cs - c * ca;
    mpegvec::Store(lo - 7, __builtin_shufflevector(newBelow, newBelow, 7, 6, 5, 4, 3, 2, 1, 0));
    mpegvec::Store(hi, c * cs + a * ca);
}

template <bool vectorCode>
inline __attribute__((always_inline)) void AntialiasBody(MpegAudioDecoder& d, int ch, uint32_t boundaries)
{
    float* xr = d.xr[ch];
    for (uint32_t b = 1; b <= boundaries; ++b)
    {
        if constexpr (vectorCode)
            AliasButterfliesVector(d, xr + 18 * b - 1, xr + 18 * b);
        else
            AliasButterflies(d, xr + 18 * b - 1, xr + 18 * b);
    }
}

NERULAN_WIDE_CLONES void AntialiasVector(MpegAudioDecoder& d, int ch, uint32_t boundaries)
{
    AntialiasBody<true>(d, ch, boundaries);
}

void AntialiasScalar(MpegAudioDecoder& d, int ch, uint32_t boundaries)
{
    AntialiasBody<false>(d, ch, boundaries);
}

uint32_t L3Antialias(MpegAudioDecoder& d, const MpegL3GranuleInfo& gi, int ch, uint32_t nonZero)
{
    uint32_t boundaries;
    if (IsShort(gi))
        boundaries = gi.mixedBlock ? 1 : 0;
    else
    {
        boundaries = (nonZero + 7) / 18;
        if (boundaries > 31)
            boundaries = 31;
    }
    if (d.vectorCode)
        AntialiasVector(d, ch, boundaries);
    else
        AntialiasScalar(d, ch, boundaries);
    if (boundaries && nonZero < 18 * boundaries + 8)
        nonZero = 18 * boundaries + 8;
    return nonZero;
}

// A sub-band's 18 outputs of a granule into their time slots; odd time slots of odd sub-bands
// change sign (frequency inversion).
inline __attribute__((always_inline)) void SpreadOverSlots(float* sum, float (*__restrict out)[32],
                                                           uint32_t sb)
{
    if (sb & 1)
        for (int t = 1; t < 18; t += 2)
            sum[t] = -sum[t];
    for (int t = 0; t < 18; ++t)
        out[t][sb] = sum[t];
}

// The 36 windowed outputs of an IMDCT from its 18 distinct values: outputs 0-8 come first, 9-17
// mirror them with the sign changed, 18-26 come next and 27-35 mirror those.
inline void ImdctWindow(const float* base, const float* window, float* out)
{
    for (int i = 0; i < 9; ++i)
    {
        out[i] = base[i] * window[i];
        out[17 - i] = -base[i] * window[17 - i];
        out[18 + i] = base[9 + i] * window[18 + i];
        out[35 - i] = base[9 + i] * window[35 - i];
    }
}

// The 18 distinct sums of a 36-point IMDCT of each of `count` neighbouring sub-bands' 18 lines
// (each base 24 floats: outputs 0-8 and 18-26, then padding). Input by input over all outputs: the
// inner loop runs over contiguous coefficients, padded to 24 so that it splits into whole vectors
// of eight. Two sub-bands at once make the same sums in the same order as one at a time, but the
// two sets do not wait on each other, which keeps twice as many additions in flight.
template <int count>
inline __attribute__((always_inline)) void ImdctSums(const MpegAudioDecoder& d, const float* in,
                                                     float* const (&base)[count])
{
    mpegvec::Float8 acc[count][3] = {};
    for (int k = 0; k < 18; ++k)
    {
        const float* c = d.imdctCos[k];
#pragma GCC unroll 3
        for (int q = 0; q < 3; ++q)
        {
            mpegvec::Float8 cv;
            mpegvec::Load(cv, c + 8 * q);
            for (int n = 0; n < count; ++n)
            {
                const float x = in[18 * n + k];
                const mpegvec::Float8 xv = {x, x, x, x, x, x, x, x};
                acc[n][q] += xv * cv;
            }
        }
    }
    for (int n = 0; n < count; ++n)
        std::memcpy(base[n], acc[n], sizeof(acc[n]));
}

// ImdctWindow and OverlapAdd of a long block in vectors, with the same operations on each value:
// the mirrored halves are the base read backwards (a reversed vector), their sign change the
// negated base. Values 8 and 17 of each half fall outside the two vectors of eight and are done
// alone.
inline __attribute__((always_inline)) void WindowOverlapVector(const float* base, const float* window,
                                                               float* __restrict saved,
                                                               float (*__restrict out)[32], uint32_t sb)
{
    using mpegvec::Float8;
    Float8 b0, b1, b9, b10, w0, w9, w18, w27, s0, s9;
    mpegvec::Load(b0, base);       // base 0-7: outputs 0-7
    mpegvec::Load(b1, base + 1);   // base 1-8: outputs 16-9, negated
    mpegvec::Load(b9, base + 9);   // base 9-16: outputs 18-25
    mpegvec::Load(b10, base + 10); // base 10-17: outputs 35-28
    mpegvec::Load(w0, window);
    mpegvec::Load(w9, window + 9);
    mpegvec::Load(w18, window + 18);
    mpegvec::Load(w27, window + 27);
    mpegvec::Load(s0, saved);
    mpegvec::Load(s9, saved + 9);
    const Float8 mirrored = -__builtin_shufflevector(b1, b1, 7, 6, 5, 4, 3, 2, 1, 0);
    float sum[18];
    mpegvec::Store(sum, b0 * w0 + s0);
    mpegvec::Store(sum + 9, mirrored * w9 + s9);
    sum[8] = base[8] * window[8] + saved[8];
    sum[17] = -base[0] * window[17] + saved[17];
    mpegvec::Store(saved, b9 * w18);
    mpegvec::Store(saved + 9, __builtin_shufflevector(b10, b10, 7, 6, 5, 4, 3, 2, 1, 0) * w27);
    saved[8] = base[17] * window[26];
    saved[17] = base[9] * window[35];
    SpreadOverSlots(sum, out, sb);
}

// The scalar twin of ImdctSums and the windowing: the same sums in the same order, then
// ImdctWindow (whose vector form is the first half of WindowOverlapVector).
void Imdct18Scalar(const MpegAudioDecoder& d, const float* in, const float* window, float* out)
{
    float base[18] = {};
    for (int k = 0; k < 18; ++k)
        for (int o = 0; o < 18; ++o)
            base[o] += in[k] * d.imdctCos[k][o];
    ImdctWindow(base, window, out);
}

// Three 12-point IMDCTs of the interleaved short windows, windowed and overlapped into 36 values.
void Imdct6(const MpegAudioDecoder& d, const float* in, float* out)
{
    for (int i = 0; i < 36; ++i)
        out[i] = 0;
    for (int w = 0; w < 3; ++w)
    {
        for (int i = 0; i < 12; ++i)
        {
            float sum = 0;
            for (int k = 0; k < 6; ++k)
                sum += in[3 * k + w] * d.imdctShort[i][k];
            out[6 + 6 * w + i] += sum * d.windowShort[i];
        }
    }
}

// A sub-band's 18 outputs of this granule: the first half of its IMDCT (z) plus the second half saved
// from the last granule, which the second half of z replaces.
inline __attribute__((always_inline)) void OverlapAdd(const float* __restrict z, float* __restrict saved,
                                                      float (*__restrict out)[32], uint32_t sb)
{
    float sum[18];
    for (int t = 0; t < 18; ++t)
        sum[t] = z[t] + saved[t];
    std::memcpy(saved, z + 18, sizeof(sum));
    SpreadOverSlots(sum, out, sb);
}

// The block type a sub-band's IMDCT uses: the long window of the first two sub-bands of a mixed
// block, else the granule's own.
inline uint32_t BlockTypeOf(const MpegL3GranuleInfo& gi, uint32_t sb)
{
    if (!gi.windowSwitching || (gi.mixedBlock && sb < 2))
        return 0;
    return gi.blockType;
}

template <bool vectorCode>
inline __attribute__((always_inline)) void HybridBody(MpegAudioDecoder& d, const MpegL3GranuleInfo& gi,
                                                      int ch, uint32_t nonZero)
{
    const uint32_t active = (nonZero + 17) / 18;
    float(*out)[32] = d.hybrid[ch];
    float z[36];
    float base[24];
    float pairBase[24];
    bool pairReady = false; // pairBase holds this sub-band's sums, made with the one before
    for (uint32_t sb = 0; sb < 32; ++sb)
    {
        float* saved = d.overlap[ch][sb];
        if (sb >= d.hybridSubbands || sb >= active)
        {
            // Nothing coded here: the saved half alone, then nothing saved. Past the sub-bands in
            // use that half is zero, as the start of decoding left it.
            static constexpr float kSilence[36] = {};
            OverlapAdd(kSilence, saved, out, sb);
            continue;
        }
        const uint32_t type = BlockTypeOf(gi, sb);
        const float* in = d.xr[ch] + 18 * sb;
        if (type == 2)
        {
            Imdct6(d, in, z);
            OverlapAdd(z, saved, out, sb);
            continue;
        }
        if constexpr (vectorCode)
        {
            if (pairReady)
            {
                pairReady = false;
                WindowOverlapVector(pairBase, d.windowLong[type], saved, out, sb);
                continue;
            }
            const uint32_t next = sb + 1;
            if (next < active && next < d.hybridSubbands && BlockTypeOf(gi, next) != 2)
            {
                ImdctSums<2>(d, in, {base, pairBase});
                pairReady = true;
            }
            else
                ImdctSums<1>(d, in, {base});
            WindowOverlapVector(base, d.windowLong[type], saved, out, sb);
        }
        else
        {
            Imdct18Scalar(d, in, d.windowLong[type], z);
            OverlapAdd(z, saved, out, sb);
        }
    }
}

// The IMDCTs and overlap of one granule and channel into d.hybrid, with the vector IMDCT (built
// for AVX2 and AVX-512 too) or its scalar twin.
NERULAN_WIDE_CLONES void HybridVector(MpegAudioDecoder& d, const MpegL3GranuleInfo& gi, int ch,
                                      uint32_t nonZero)
{
    HybridBody<true>(d, gi, ch, nonZero);
}

void HybridScalar(MpegAudioDecoder& d, const MpegL3GranuleInfo& gi, int ch, uint32_t nonZero)
{
    HybridBody<false>(d, gi, ch, nonZero);
}

void L3Hybrid(MpegAudioDecoder& d, const MpegL3GranuleInfo& gi, int ch, uint32_t nonZero)
{
    if (d.vectorCode)
        HybridVector(d, gi, ch, nonZero);
    else
        HybridScalar(d, gi, ch, nonZero);
}

void L3DecodeGranule(MpegAudioDecoder& d, const MpegHeader& header, int gr, MpegBitReader& r,
                     uint32_t& bitPos, int16_t* output)
{
    const int channels = header.channels;
    const bool mpeg1 = header.version == 1;
    const bool jointStereo = header.mode == 1 && channels == 2;
    const bool midSide = jointStereo && (header.modeExtension & 2);
    const bool intensity = jointStereo && (header.modeExtension & 1);

    for (int ch = 0; ch < channels; ++ch)
    {
        MpegL3GranuleInfo& gi = d.side.granule[gr][ch];
        r.position = bitPos;
        const uint32_t end = bitPos + gi.part23Length;
        bitPos = end;
        if (mpeg1)
            L3ScaleFactorsMpeg1(d, r, gi, ch, gr, d.side.scfsi[ch]);
        else
            L3ScaleFactorsMpeg2(d, r, gi, ch, intensity && ch == 1);
        uint32_t nonZero = r.position > end ? 0 : L3Huffman(d, r, gi, end);
        uint32_t limit = IsShort(gi) ? d.shortLimit : d.longLimit;
        if (nonZero > limit)
            nonZero = limit;
        d.nonZero[ch] = L3Dequantize(d, gi, ch, nonZero, midSide);
    }
    if (midSide || intensity)
    {
        IntensityStart start;
        if (intensity)
            start = L3IntensityStart(d, d.side.granule[gr][0]);
        if (midSide)
            L3MidSide(d);
        if (intensity)
            L3Intensity(d, d.side.granule[gr][0], mpeg1, midSide, start);
        uint32_t n = d.nonZero[0] > d.nonZero[1] ? d.nonZero[0] : d.nonZero[1];
        d.nonZero[0] = d.nonZero[1] = n;
    }
    for (int ch = 0; ch < channels; ++ch)
    {
        const MpegL3GranuleInfo& gi = d.side.granule[gr][ch];
        uint32_t nonZero = L3Antialias(d, gi, ch, d.nonZero[ch]);
        L3Hybrid(d, gi, ch, nonZero);
    }
    MpegSynthesizeChannels(d, 18, d.hybrid[0], d.hybrid[1], channels, output);
}
} // namespace

void L3InitTables(MpegAudioDecoder& d)
{
    for (int i = 0; i < 262; ++i)
        d.gainTable[i] = static_cast<float>(std::pow(2.0, (i - 156) / 4.0));
    for (int scale = 0; scale < 2; ++scale)
        for (int n = 0; n < 128; ++n)
            d.sfMultiplier[scale][n] = static_cast<float>(std::pow(2.0, -(scale + 1) * n / 2.0));
    for (int k = 0; k < 8; ++k)
        d.subblockGainTable[k] = static_cast<float>(std::pow(2.0, -2.0 * k));
    for (int i = 0; i < 8207; ++i)
        d.pow43[i] = static_cast<float>(std::cbrt(double(i)) * i);
    for (int i = 0; i < 8; ++i)
    {
        double root = std::sqrt(1.0 + kAliasC[i] * kAliasC[i]);
        d.aliasCs[i] = static_cast<float>(1.0 / root);
        d.aliasCa[i] = static_cast<float>(kAliasC[i] / root);
    }
    const double sqrt2 = std::sqrt(2.0);
    for (int pos = 0; pos < 8; ++pos)
    {
        double kl = 1, kr = 0;
        if (pos < 7)
        {
            double s = std::sin(pos * M_PI / 12), c = std::cos(pos * M_PI / 12);
            kl = s / (s + c);
            kr = c / (s + c);
        }
        d.isRatioMpeg1[0][pos][0] = static_cast<float>(kl);
        d.isRatioMpeg1[0][pos][1] = static_cast<float>(kr);
        d.isRatioMpeg1[1][pos][0] = static_cast<float>(pos < 7 ? kl * sqrt2 : 1.0);
        d.isRatioMpeg1[1][pos][1] = static_cast<float>(pos < 7 ? kr * sqrt2 : 1.0);
    }
    for (int scale = 0; scale < 2; ++scale)
    {
        double io = scale ? std::pow(2.0, -0.5) : std::pow(2.0, -0.25);
        for (int pos = 0; pos < 32; ++pos)
        {
            double kl = 1, kr = 1;
            if (pos & 1)
                kl = std::pow(io, (pos + 1) / 2);
            else if (pos)
                kr = std::pow(io, pos / 2);
            for (int ms = 0; ms < 2; ++ms)
            {
                d.isRatioMpeg2[ms][scale][pos][0] = static_cast<float>(ms ? kl * sqrt2 : kl);
                d.isRatioMpeg2[ms][scale][pos][1] = static_cast<float>(ms ? kr * sqrt2 : kr);
            }
        }
    }
    // IMDCT: x[i] = sum X[k] cos(pi / 72 (2i + 19)(2k + 1)), stored [k][o]; columns 0-8 are
    // outputs 0-8, columns 9-17 outputs 18-26.
    for (int o = 0; o < 18; ++o)
    {
        int i = o < 9 ? o : o + 9;
        for (int k = 0; k < 18; ++k)
            d.imdctCos[k][o] = static_cast<float>(std::cos(M_PI / 72.0 * (2 * i + 19) * (2 * k + 1)));
    }
    for (int i = 0; i < 12; ++i)
        for (int k = 0; k < 6; ++k)
            d.imdctShort[i][k] = static_cast<float>(std::cos(M_PI / 24.0 * (2 * i + 7) * (2 * k + 1)));
    for (int i = 0; i < 36; ++i)
    {
        double normal = std::sin(M_PI / 36.0 * (i + 0.5));
        d.windowLong[0][i] = static_cast<float>(normal);
        double start =
            i < 18 ? normal : (i < 24 ? 1.0 : (i < 30 ? std::sin(M_PI / 12.0 * (i - 18 + 0.5)) : 0.0));
        double stop =
            i < 6 ? 0.0 : (i < 12 ? std::sin(M_PI / 12.0 * (i - 6 + 0.5)) : (i < 18 ? 1.0 : normal));
        d.windowLong[1][i] = static_cast<float>(start);
        d.windowLong[3][i] = static_cast<float>(stop);
        d.windowLong[2][i] = static_cast<float>(normal); // not used: short blocks have their own
    }
    for (int i = 0; i < 12; ++i)
        d.windowShort[i] = static_cast<float>(std::sin(M_PI / 12.0 * (i + 0.5)));
}

void L3DecodeStart(MpegAudioDecoder& d, const MpegHeader& header)
{
    const int row = header.version - 1;
    const int rate = header.sampleRateIndex;
    d.longBands = kLongBands[row][rate];
    d.shortBands = kShortBands[row][rate];
    int limit = static_cast<int>((d.frequencyLimit * 64 + header.sampleRate / 2) / header.sampleRate);
    d.subbandLimit = limit < 31 ? limit : 31;
    d.bandEnd = header.version == 1 ? 576 : d.longBands[21];
    uint32_t decodeLimit = d.bandEnd + 8;
    if (decodeLimit > 18u * d.subbandLimit)
        decodeLimit = 18u * d.subbandLimit;
    d.decodeLimit = decodeLimit;
    d.longLimit = d.bandEnd < decodeLimit ? d.bandEnd : decodeLimit;
    uint32_t shortEnd = 3u * (header.version == 1 ? d.shortBands[13] : d.shortBands[12]);
    d.shortLimit = shortEnd < decodeLimit ? shortEnd : decodeLimit;
    d.hybridSubbands = (decodeLimit + 17) / 18;
    std::memset(d.overlap, 0, sizeof(d.overlap));
    d.reservoirFill = 0;
}

bool L3DecodeFrame(MpegAudioDecoder& d, const MpegHeader& header, const uint8_t* frame, uint32_t size,
                   int16_t* output)
{
    const int channels = header.channels;
    const uint32_t sideStart = 4 + (header.crc ? 2 : 0);
    const uint32_t sideBytes = SideInfoBytes(header);
    if (size < sideStart + sideBytes)
        return false;
    MpegBitReader sideReader;
    sideReader.Start(frame + sideStart, sideBytes);
    if (header.version == 1)
        L3SideInfoMpeg1(sideReader, d.side, channels);
    else
        L3SideInfoMpeg2(sideReader, d.side, channels);

    // Keep only what later frames can still reach when the reservoir fills up.
    if (d.reservoirFill > 6692)
    {
        uint32_t keep = d.side.mainDataBegin < d.reservoirFill ? d.side.mainDataBegin : d.reservoirFill;
        std::memmove(d.reservoir, d.reservoir + d.reservoirFill - keep, keep);
        d.reservoirFill = keep;
    }
    const uint32_t before = d.reservoirFill;
    uint32_t mainBytes = size - sideStart - sideBytes;
    if (mainBytes > MpegAudioDecoder::kReservoirBytes - before)
        mainBytes = MpegAudioDecoder::kReservoirBytes - before;
    std::memcpy(d.reservoir + before, frame + sideStart + sideBytes, mainBytes);
    d.reservoirFill = before + mainBytes;
    if (d.side.mainDataBegin > before)
        return false; // its main data began in frames this decoder has not seen

    MpegBitReader r;
    r.Start(d.reservoir, d.reservoirFill);
    uint32_t bitPos = (before - d.side.mainDataBegin) * 8;
    const int granules = header.version == 1 ? 2 : 1;
    for (int gr = 0; gr < granules; ++gr)
        L3DecodeGranule(d, header, gr, r, bitPos, output + gr * 576 * channels);
    return true;
}

#include "LayerThreeWriter.h"

#include <random>
#include <utility>

#include "BitWriter.h"

namespace mpegtest
{
namespace
{
struct Channel
{
    uint32_t compress = 0;
    std::vector<std::pair<int, int>> partitions; // (count, bits) of the scale-factor list
    std::vector<int> factors;
    std::vector<int> values; // coded lines, multiple of 4
};

uint32_t MainDataBits(const Channel& c)
{
    uint32_t bits = 0;
    for (const auto& part : c.partitions)
        bits += static_cast<uint32_t>(part.first * part.second);
    for (size_t q = 0; q + 3 < c.values.size(); q += 4)
    {
        bits += 4;
        for (int k = 0; k < 4; ++k)
            bits += c.values[q + k] != 0;
    }
    return bits;
}

void WriteMainData(BitWriter& w, const Channel& c)
{
    size_t at = 0;
    for (const auto& part : c.partitions)
        for (int i = 0; i < part.first; ++i)
            w.Put(static_cast<uint32_t>(c.factors[at++]), part.second);
    for (size_t q = 0; q + 3 < c.values.size(); q += 4)
    {
        uint32_t value = 0;
        for (int k = 0; k < 4; ++k)
            value = (value << 1) | (c.values[q + k] != 0);
        w.Put(15 - value, 4); // table B
        for (int k = 0; k < 4; ++k)
            if (c.values[q + k])
                w.Put(c.values[q + k] < 0 ? 1 : 0, 1);
    }
}

// Scale-factor layout of a channel: MPEG-1 with scalefac_compress 15 (4 and 3 bits); MPEG-2 with
// slen 3, 3, 2, 2 (scalefac_compress 298), or for the intensity-coded right channel slen 3, 3, 3
// (compress 129 << 1 | intensity_scale).
void Layout(const LayerThreeParams& p, bool intensityRight, unsigned intensityScale, Channel& c)
{
    const bool isShort = p.blockType == 2;
    const int block = isShort ? (p.mixed ? 2 : 1) : 0;
    if (p.version == 1)
    {
        c.compress = 15;
        if (block == 0)
            c.partitions = {{11, 4}, {10, 3}};
        else if (block == 1)
            c.partitions = {{18, 4}, {18, 3}};
        else
            c.partitions = {{8, 4}, {9, 4}, {18, 3}};
        return;
    }
    static const int kPlain[3][4] = {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}};
    static const int kIntensity[3][4] = {{7, 7, 7, 0}, {12, 12, 12, 0}, {6, 15, 12, 0}};
    static const int kPlainBits[4] = {3, 3, 2, 2};
    static const int kIntensityBits[4] = {3, 3, 3, 0};
    c.compress = intensityRight ? ((129u << 1) | intensityScale) : 298u;
    for (int i = 0; i < 4; ++i)
    {
        int count = intensityRight ? kIntensity[block][i] : kPlain[block][i];
        int bits = intensityRight ? kIntensityBits[i] : kPlainBits[i];
        if (count)
            c.partitions.push_back({count, bits});
    }
}
} // namespace

std::vector<uint8_t> WriteLayerThree(const LayerThreeParams& p, int frames)
{
    const bool mpeg1 = p.version == 1;
    const int granules = mpeg1 ? 2 : 1;
    // 128 kbit/s at 44.1 kHz, 64 kbit/s at 22.05 kHz, 32 kbit/s at 8 kHz (MPEG 2.5).
    const size_t frameBytes = mpeg1 ? 417 : (p.version == 2 ? 208 : 288);
    const bool joint = p.midSide || p.intensity;
    std::mt19937 random(p.seed);
    std::vector<uint8_t> stream;
    for (int f = 0; f < frames; ++f)
    {
        Channel channels[2][2]; // [granule][channel]
        for (int gr = 0; gr < granules; ++gr)
            for (int ch = 0; ch < 2; ++ch)
            {
                Channel& c = channels[gr][ch];
                const bool intensityRight = p.intensity && ch == 1;
                Layout(p, intensityRight, random() & 1, c);
                for (const auto& part : c.partitions)
                    for (int i = 0; i < part.first; ++i)
                    {
                        int limit = (1 << part.second) - 1;
                        int v;
                        if (intensityRight)
                        {
                            v = static_cast<int>(random() % (p.maxPosition + 1));
                            if (v > 7 && (p.writeSevenForHigher || part.second < 4))
                                v = 7;
                        }
                        else
                            v = static_cast<int>(random() % 4); // modest attenuation
                        c.factors.push_back(v < limit ? v : limit);
                    }
                if (!intensityRight)
                {
                    c.values.resize(static_cast<size_t>(p.lines));
                    for (int& v : c.values)
                        v = static_cast<int>(random() % 3) - 1;
                }
            }

        BitWriter w;
        w.Put(mpeg1 ? 0xFFFB90 : (p.version == 2 ? 0xFFF380 : 0xFFE348), 24);
        w.Put(joint ? (0x40u | (p.midSide ? 0x20u : 0u) | (p.intensity ? 0x10u : 0u)) : 0u, 8);
        w.Put(0, mpeg1 ? 9 : 8); // main_data_begin: no reservoir
        w.Put(0, mpeg1 ? 3 : 2); // private bits
        if (mpeg1)
            w.Put(0, 8); // scfsi
        for (int gr = 0; gr < granules; ++gr)
            for (const Channel& c : channels[gr])
            {
                w.Put(MainDataBits(c), 12);
                w.Put(0, 9); // big_values
                w.Put(static_cast<uint32_t>(p.globalGain), 8);
                w.Put(c.compress, mpeg1 ? 4 : 9);
                if (p.blockType)
                {
                    w.Put(1, 1);
                    w.Put(static_cast<uint32_t>(p.blockType), 2);
                    w.Put(p.mixed ? 1 : 0, 1);
                    w.Put(0, 10); // table_select
                    for (int g : p.subblockGain)
                        w.Put(static_cast<uint32_t>(g), 3);
                }
                else
                {
                    w.Put(0, 1);
                    w.Put(0, 15); // table_select
                    w.Put(0, 7);  // region counts
                }
                if (mpeg1)
                    w.Put(0, 1); // preflag
                w.Put(0, 1);     // scalefac_scale
                w.Put(1, 1);     // count1 table B
            }
        for (int gr = 0; gr < granules; ++gr)
            for (const Channel& c : channels[gr])
                WriteMainData(w, c);
        std::vector<uint8_t>& bytes = w.Bytes();
        if (bytes.size() > frameBytes)
            return {};
        bytes.resize(frameBytes, 0);
        stream.insert(stream.end(), bytes.begin(), bytes.end());
    }
    return stream;
}
} // namespace mpegtest

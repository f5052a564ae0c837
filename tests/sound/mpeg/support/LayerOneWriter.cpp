#include "LayerOneWriter.h"

#include "BitWriter.h"

#include <cmath>

namespace mpegtest
{
namespace
{
const int kRates[3] = {44100, 48000, 32000};
const int kKbps[16] = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0};
} // namespace

std::vector<uint8_t> WriteLayerOne(const LayerOneParams& p, int frames, const SubbandSignal& value)
{
    const int channels = p.mode == 3 ? 1 : 2;
    const int bound = p.mode == 1 ? 4 * (p.modeExtension + 1) : 32;
    const size_t frameBytes =
        static_cast<size_t>(12 * kKbps[p.bitrateIndex] * 1000 / kRates[p.sampleRateIndex]) * 4;
    const int nb = p.bitsPerSample;
    std::vector<uint8_t> stream;
    for (int f = 0; f < frames; ++f)
    {
        double v[2][12][32];
        bool used[2][32] = {};
        int scaleIndex[2][32] = {};
        for (int ch = 0; ch < channels; ++ch)
            for (int sb = 0; sb < 32; ++sb)
            {
                double peak = 0;
                for (int t = 0; t < 12; ++t)
                {
                    v[ch][t][sb] = value(ch, f, t, sb);
                    peak = std::fmax(peak, std::fabs(v[ch][t][sb]));
                }
                used[ch][sb] = peak > 0;
                // Smallest scale factor 2^(1 - i/3) that still covers the peak.
                int index = 0;
                while (index < 62 && std::pow(2.0, 1.0 - (index + 1) / 3.0) >= peak)
                    ++index;
                scaleIndex[ch][sb] = index;
            }
        for (int sb = bound; sb < 32 && channels == 2; ++sb)
            used[0][sb] = used[1][sb] = used[0][sb] || used[1][sb];

        BitWriter w;
        w.Put(0xFFF, 12);
        w.Put(1, 1); // MPEG-1
        w.Put(3, 2); // Layer I
        w.Put(p.crc ? 0 : 1, 1);
        w.Put(static_cast<uint32_t>(p.bitrateIndex), 4);
        w.Put(static_cast<uint32_t>(p.sampleRateIndex), 2);
        w.Put(0, 1); // padding
        w.Put(0, 1); // private
        w.Put(static_cast<uint32_t>(p.mode), 2);
        w.Put(static_cast<uint32_t>(p.modeExtension), 2);
        w.Put(0, 4); // copyright, original, emphasis
        if (p.crc)
            w.Put(0, 16);
        for (int sb = 0; sb < 32; ++sb)
            for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch)
                w.Put(used[ch][sb] ? static_cast<uint32_t>(nb - 1) : 0, 4);
        for (int sb = 0; sb < 32; ++sb)
            for (int ch = 0; ch < channels; ++ch)
                if (used[ch][sb])
                    w.Put(static_cast<uint32_t>(scaleIndex[ch][sb]), 6);
        const double levels = std::pow(2.0, nb) - 1;
        for (int t = 0; t < 12; ++t)
            for (int sb = 0; sb < 32; ++sb)
                for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch)
                {
                    if (!used[ch][sb])
                        continue;
                    double scale = std::pow(2.0, 1.0 - scaleIndex[ch][sb] / 3.0);
                    double fraction = v[ch][t][sb] / scale;
                    double code = std::round(fraction * levels / 2 + (std::pow(2.0, nb - 1) - 1));
                    code = std::fmin(std::fmax(code, 0.0), levels - 1);
                    w.Put(static_cast<uint32_t>(code), nb);
                }
        std::vector<uint8_t>& bytes = w.Bytes();
        if (bytes.size() > frameBytes)
            return {}; // the parameters ask for more bits than the bitrate gives
        bytes.resize(frameBytes, 0);
        stream.insert(stream.end(), bytes.begin(), bytes.end());
    }
    return stream;
}
} // namespace mpegtest

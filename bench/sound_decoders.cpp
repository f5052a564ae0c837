// Decoding speed of the PCM and ADPCM decoders, in the sound output's access pattern: chunks of
// 16,384 frames in order.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "sound/SoundFile.h"

namespace
{
using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Bytes& b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

Bytes Wave(uint16_t tag, uint16_t channels, uint16_t blockAlign, uint16_t bits, const Bytes& extra,
           const Bytes& data)
{
    Bytes fmt;
    Put16(fmt, tag);
    Put16(fmt, channels);
    Put32(fmt, 44100);
    Put32(fmt, 44100 * blockAlign);
    Put16(fmt, blockAlign);
    Put16(fmt, bits);
    Put16(fmt, static_cast<uint32_t>(extra.size()));
    fmt.insert(fmt.end(), extra.begin(), extra.end());
    Bytes out{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    Put32(out, static_cast<uint32_t>(fmt.size()));
    out.insert(out.end(), fmt.begin(), fmt.end());
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    Put32(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// Ten seconds of random codes in valid blocks.
Bytes MakeFile(int kind, uint16_t channels)
{
    std::mt19937 random(1);
    Bytes extra;
    Bytes data;
    if (kind == 0)
    {
        data.resize(size_t{441000} * 2 * channels);
        for (auto& b : data)
            b = static_cast<uint8_t>(random());
        return Wave(1, channels, static_cast<uint16_t>(2 * channels), 16, extra, data);
    }
    const uint32_t blockBytes = 1024;
    const uint32_t spb =
        kind == 1 ? (blockBytes / channels - 4) * 2 + 1 : (blockBytes / channels - 7) * 2 + 2;
    Put16(extra, spb);
    if (kind == 2)
    {
        const int16_t pairs[7][2] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                     {240, 0}, {460, -208}, {392, -232}};
        Put16(extra, 7);
        for (const auto& p : pairs)
        {
            Put16(extra, static_cast<uint16_t>(p[0]));
            Put16(extra, static_cast<uint16_t>(p[1]));
        }
    }
    for (uint32_t block = 0; block < 441000 / spb; ++block)
    {
        Bytes b(blockBytes);
        for (auto& x : b)
            x = static_cast<uint8_t>(random());
        for (uint32_t ch = 0; ch < channels; ++ch)
        {
            if (kind == 1)
            {
                b[4 * ch + 2] = static_cast<uint8_t>(random() % 89);
                b[4 * ch + 3] = 0;
            }
            else
            {
                b[ch] = static_cast<uint8_t>(random() % 7);
                b[channels + 2 * ch] = 64; // delta
                b[channels + 2 * ch + 1] = 0;
            }
        }
        data.insert(data.end(), b.begin(), b.end());
    }
    return Wave(kind == 1 ? 17 : 2, channels, static_cast<uint16_t>(blockBytes), 4, extra, data);
}

void DecodeInChunks(benchmark::State& state, int kind)
{
    const uint16_t channels = static_cast<uint16_t>(state.range(0));
    Bytes file = MakeFile(kind, channels);
    CSoundFile sound;
    if (!sound.LoadFromMemory(static_cast<uint32_t>(file.size()), file.data()))
    {
        state.SkipWithError("sound did not load");
        return;
    }
    CAbstractDecompressor* decoder = sound.GetDecoder();
    const uint32_t length = decoder->GetLength();
    std::vector<uint8_t> buffer(16384 * 4);
    for (auto _ : state)
    {
        for (uint32_t first = 0; first < length; first += 16384)
        {
            uint32_t n = length - first < 16384 ? length - first : 16384;
            benchmark::DoNotOptimize(decoder->DecodeStereo(buffer.data(), first, n, false));
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * length);
    state.counters["frames"] = length;
}
} // namespace

static void BM_Pcm16(benchmark::State& state)
{
    DecodeInChunks(state, 0);
}
static void BM_ImaAdpcm(benchmark::State& state)
{
    DecodeInChunks(state, 1);
}
static void BM_MsAdpcm(benchmark::State& state)
{
    DecodeInChunks(state, 2);
}
BENCHMARK(BM_Pcm16)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImaAdpcm)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MsAdpcm)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Throughput of the string functions on the paths that see the most bytes: the password CRC over
// a whole block, and the UTF-8 texts that drivers and list boxes turn into wide text.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "common/StringFunctions.h"

namespace
{
void BM_Crc32_4KiB(benchmark::State& state)
{
    std::vector<unsigned char> block(4096);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<unsigned char>(i * 31 + 7);
    for (auto _ : state)
        benchmark::DoNotOptimize(Crc32(block.data(), block.size()));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 4096);
}
BENCHMARK(BM_Crc32_4KiB);

// A line of mixed text: ASCII, Latin, euro sign and a character outside the BMP.
std::string MixedText(size_t bytes)
{
    const std::string piece = "Living room \xC3\xA9t\xC3\xA9 \xE2\x82\xAC 21.5 \xF0\x9F\x94\x86 ";
    std::string text;
    while (text.size() + piece.size() <= bytes)
        text += piece;
    return text;
}

void BM_Utf8ToWide(benchmark::State& state)
{
    std::string text = MixedText(static_cast<size_t>(state.range(0)));
    for (auto _ : state)
    {
        char16_t* wide = Utf8ToWide(text.c_str());
        benchmark::DoNotOptimize(wide);
        WStrFree(wide);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Utf8ToWide)->Arg(64)->Arg(4096);

void BM_WideToUtf8(benchmark::State& state)
{
    char16_t* wide = Utf8ToWide(MixedText(4096).c_str());
    for (auto _ : state)
    {
        char* utf8 = WideToUtf8(wide);
        benchmark::DoNotOptimize(utf8);
        StrFree(utf8);
    }
    WStrFree(wide);
}
BENCHMARK(BM_WideToUtf8);
} // namespace

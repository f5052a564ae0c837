// Decoding speed of the MPEG audio decoder against libmpg123 on the same files: 60 s of 44.1 kHz
// stereo, Layer III at 128 kbit/s and Layer II at 192 kbit/s, made at run time with sox, lame and
// twolame. Each benchmark of ours reports vs_mpg123, its time over mpg123's for the same file
// (the best of several runs each, in processor time of the decoding thread).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sound/DecompressMpeg.h"
#include "sound/MpegFile.h"
#include "sound/Reader.h"

#ifdef NERULAN_HAVE_MPG123
#include <mpg123.h>
#endif

namespace
{
struct Fixture
{
    std::string dir;
    std::string layer3;
    std::string layer2;
    bool ok = false;

    Fixture()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "nerulan-bench-XXXXXX").string();
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (!mkdtemp(buffer.data()))
            return;
        dir = buffer.data();
        std::string wav = dir + "/in.wav";
        layer3 = dir + "/l3.mp3";
        layer2 = dir + "/l2.mp2";
        // Music-like content: two tones, a sweep and noise bursts for block switching, mixed into
        // one 60 s piece at their own levels (sox's ':' would play the three one after another).
        const std::string part = "-v 1 \"|sox -n -r 44100 -c 2 -p synth 60 ";
        std::string synth = "sox -m " + part + "sine 220 sine 330 gain -10\" " + part +
                            "sine 100-8000 gain -14\" " + part + "pinknoise gain -24 tremolo 3 90\" -b 16 '" +
                            wav + "'";
        ok = std::system(("(" + synth + ") >/dev/null 2>&1").c_str()) == 0 &&
             std::system(("lame --quiet -b 128 '" + wav + "' '" + layer3 + "' >/dev/null 2>&1").c_str()) ==
                 0 &&
             std::system(("twolame --quiet -b 192 '" + wav + "' '" + layer2 + "' >/dev/null 2>&1").c_str()) ==
                 0;
    }
    ~Fixture()
    {
        std::error_code ignored;
        if (!dir.empty())
            std::filesystem::remove_all(dir, ignored);
    }
};

Fixture& Files()
{
    static Fixture fixture;
    return fixture;
}

// The processor time of this thread: on a shared machine the time the thread waited for a core
// would otherwise count against whichever decoder was unlucky.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

std::vector<uint8_t> Read(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Decodes the whole file as the sound output reads it: 16,384-frame stereo blocks in order.
size_t DecodeOurs(const std::vector<uint8_t>& bytes, std::vector<int16_t>& out)
{
    bool ok = false;
    CReader reader(static_cast<uint32_t>(bytes.size()), bytes.data(), ok);
    CMpegFile container(&reader);
    WaveFormat format;
    CDecompressMpeg decoder(&container, format, ok);
    if (!ok)
        return 0;
    const uint32_t length = decoder.GetLength();
    out.resize(16384 * 2);
    size_t total = 0;
    for (uint32_t first = 0; first < length; first += 16384)
    {
        uint32_t n = std::min<uint32_t>(16384, length - first);
        total += decoder.DecodeStereo(out.data(), first, n, false);
    }
    return total;
}

#ifdef NERULAN_HAVE_MPG123
size_t DecodeMpg123(const std::vector<uint8_t>& bytes)
{
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    if (!handle)
        return 0;
    mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
    mpg123_format_none(handle);
    mpg123_format(handle, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open_feed(handle);
    size_t total = 0;
    std::vector<unsigned char> out(1 << 16);
    size_t done = 0;
    int result = mpg123_decode(handle, bytes.data(), bytes.size(), out.data(), out.size(), &done);
    total += done;
    while (result != MPG123_ERR && result != MPG123_NEED_MORE)
    {
        result = mpg123_decode(handle, nullptr, 0, out.data(), out.size(), &done);
        total += done;
    }
    mpg123_delete(handle);
    return total;
}

double Mpg123Seconds(const std::vector<uint8_t>& bytes)
{
    static bool initialised = (mpg123_init(), true);
    (void)initialised;
    double best = 1e9;
    for (int run = 0; run < 5; ++run)
    {
        const double start = ThreadSeconds();
        benchmark::DoNotOptimize(DecodeMpg123(bytes));
        best = std::min(best, ThreadSeconds() - start);
    }
    return best;
}
#endif

void Ours(benchmark::State& state, const std::string& path)
{
    if (!Files().ok)
    {
        state.SkipWithError("sox, lame or twolame could not make the test files");
        return;
    }
    std::vector<uint8_t> bytes = Read(path);
    std::vector<int16_t> out;
    double best = 1e9;
    size_t total = 0;
    for (auto _ : state)
    {
        const double start = ThreadSeconds();
        total = DecodeOurs(bytes, out);
        best = std::min(best, ThreadSeconds() - start);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["audio_s_per_s"] = total / 4.0 / 44100.0 / best;
#ifdef NERULAN_HAVE_MPG123
    state.counters["vs_mpg123"] = best / Mpg123Seconds(bytes);
#endif
}

void BM_OursLayer3(benchmark::State& state)
{
    Ours(state, Files().layer3);
}
void BM_OursLayer2(benchmark::State& state)
{
    Ours(state, Files().layer2);
}
BENCHMARK(BM_OursLayer3)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_OursLayer2)->Unit(benchmark::kMillisecond)->MinTime(1.0);

#ifdef NERULAN_HAVE_MPG123
void Reference(benchmark::State& state, const std::string& path)
{
    if (!Files().ok)
    {
        state.SkipWithError("sox, lame or twolame could not make the test files");
        return;
    }
    static bool initialised = (mpg123_init(), true);
    (void)initialised;
    std::vector<uint8_t> bytes = Read(path);
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeMpg123(bytes));
}
void BM_Mpg123Layer3(benchmark::State& state)
{
    Reference(state, Files().layer3);
}
void BM_Mpg123Layer2(benchmark::State& state)
{
    Reference(state, Files().layer2);
}
BENCHMARK(BM_Mpg123Layer3)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Mpg123Layer2)->Unit(benchmark::kMillisecond)->MinTime(1.0);
#endif
} // namespace

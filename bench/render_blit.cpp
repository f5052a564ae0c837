// Compositing of a full-screen frame: the blits of item bitmaps onto the screen surface, the fill,
// a plain memcpy and memset of the same bytes as the floors, and pixman's OVER operator as the peer.
#include "render/BlendTables.h"
#include "render/PixelBuffer.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#if defined(NERULAN_HAVE_PIXMAN)
#include <pixman.h>
#endif

namespace
{
constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;
constexpr int64_t kFrameBytes = int64_t{kWidth} * kHeight * 4;

struct BufferDeleter
{
    void operator()(CPixelBuffer* buffer) const { CPixelBuffer::Free(buffer); }
};
using BufferPtr = std::unique_ptr<CPixelBuffer, BufferDeleter>;

// Straight-alpha pixels with a little colour variety; with sourceAlpha < 255 the colour bytes stay
// at or below the alpha, so the same bytes are also valid premultiplied pixels for pixman.
BufferPtr MakeFrame(uint8_t sourceAlpha)
{
    BufferPtr frame(CPixelBuffer::Create(kWidth, kHeight));
    for (int32_t y = 0; y < kHeight; ++y)
    {
        uint8_t* p = frame->Row(y);
        for (int32_t x = 0; x < kWidth; ++x, p += 4)
        {
            p[0] = static_cast<uint8_t>((x * 7) % (sourceAlpha + 1));
            p[1] = static_cast<uint8_t>((y * 3) % (sourceAlpha + 1));
            p[2] = static_cast<uint8_t>((x + y) % (sourceAlpha + 1));
            p[3] = sourceAlpha;
        }
    }
    return frame;
}

class Tables
{
public:
    Tables() { BuildBlendTables(); }
    ~Tables() { ReleaseBlendTables(); }
};

void Finish(benchmark::State& state)
{
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}

void BM_Memcpy(benchmark::State& state)
{
    BufferPtr source = MakeFrame(255);
    BufferPtr destination = MakeFrame(255);
    for (auto _ : state)
    {
        std::memcpy(destination->pixels, source->pixels, static_cast<size_t>(kFrameBytes));
        benchmark::ClobberMemory();
    }
    Finish(state);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMicrosecond);

void BM_Memset(benchmark::State& state)
{
    BufferPtr destination = MakeFrame(255);
    for (auto _ : state)
    {
        std::memset(destination->pixels, 0x5A, static_cast<size_t>(kFrameBytes));
        benchmark::ClobberMemory();
    }
    Finish(state);
}
BENCHMARK(BM_Memset)->Unit(benchmark::kMicrosecond);

void BM_FillPixelBuffer(benchmark::State& state)
{
    BufferPtr destination = MakeFrame(255);
    for (auto _ : state)
    {
        FillPixelBuffer(destination.get(), kHeight, kWidth, 0xFF336699u);
        benchmark::ClobberMemory();
    }
    Finish(state);
}
BENCHMARK(BM_FillPixelBuffer)->Unit(benchmark::kMicrosecond);

void BM_BlitOpaque(benchmark::State& state)
{
    Tables tables;
    BufferPtr source = MakeFrame(255);
    BufferPtr destination = MakeFrame(255);
    for (auto _ : state)
    {
        BlitPixelBuffer(0, 0, destination.get(), nullptr, source.get(), 255);
        benchmark::ClobberMemory();
    }
    Finish(state);
}
BENCHMARK(BM_BlitOpaque)->Unit(benchmark::kMicrosecond);

// A half-transparent source at overall alpha 128 over the opaque screen.
void BM_BlitBlended(benchmark::State& state)
{
    Tables tables;
    BufferPtr source = MakeFrame(128);
    BufferPtr destination = MakeFrame(255);
    for (auto _ : state)
    {
        BlitPixelBuffer(0, 0, destination.get(), nullptr, source.get(), 128);
        benchmark::ClobberMemory();
    }
    Finish(state);
}
BENCHMARK(BM_BlitBlended)->Unit(benchmark::kMicrosecond);

// ---- Ratios measured side by side ----
// The machine the figures come from is shared, so separate benchmarks of the operation and of its
// reference can meet very different loads. Each ratio benchmark below runs the two alternately,
// one frame each per iteration, and reports the median of the operation's times over the median
// of the reference's as the counter "ratio" (the target is a ratio, not a time).

using FrameWork = std::function<void()>;

double Median(std::vector<double>& samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.empty() ? 0.0 : samples[samples.size() / 2];
}

double TimeOnce(const FrameWork& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    benchmark::ClobberMemory();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

void SideBySide(benchmark::State& state, const FrameWork& subject, const FrameWork& reference)
{
    std::vector<double> subjectTimes;
    std::vector<double> referenceTimes;
    subject(); // both warm before the first sample
    reference();
    for (auto _ : state)
    {
        subjectTimes.push_back(TimeOnce(subject));
        referenceTimes.push_back(TimeOnce(reference));
    }
    const double subjectMedian = Median(subjectTimes);
    const double referenceMedian = Median(referenceTimes);
    state.counters["us"] = subjectMedian;
    state.counters["ref_us"] = referenceMedian;
    state.counters["ratio"] = referenceMedian > 0 ? subjectMedian / referenceMedian : 0.0;
}

void BM_RatioFillToMemset(benchmark::State& state)
{
    BufferPtr destination = MakeFrame(255);
    SideBySide(
        state, [&] { FillPixelBuffer(destination.get(), kHeight, kWidth, 0xFF336699u); },
        [&] { std::memset(destination->pixels, 0x5A, static_cast<size_t>(kFrameBytes)); });
}
BENCHMARK(BM_RatioFillToMemset)->Iterations(300)->Unit(benchmark::kMicrosecond);

void BM_RatioBlitOpaqueToMemcpy(benchmark::State& state)
{
    Tables tables;
    BufferPtr source = MakeFrame(255);
    BufferPtr destination = MakeFrame(255);
    SideBySide(
        state, [&] { BlitPixelBuffer(0, 0, destination.get(), nullptr, source.get(), 255); },
        [&] { std::memcpy(destination->pixels, source->pixels, static_cast<size_t>(kFrameBytes)); });
}
BENCHMARK(BM_RatioBlitOpaqueToMemcpy)->Iterations(300)->Unit(benchmark::kMicrosecond);

#if defined(NERULAN_HAVE_PIXMAN)
pixman_image_t* Wrap(const CPixelBuffer* buffer)
{
    return pixman_image_create_bits(PIXMAN_a8r8g8b8, buffer->width, buffer->height,
                                    reinterpret_cast<uint32_t*>(buffer->pixels), buffer->stride);
}

// pixman's OVER of the same frames; the overall alpha is a solid mask, as pixman composites it.
void PixmanOver(benchmark::State& state, uint8_t sourceAlpha, uint8_t alpha)
{
    BufferPtr source = MakeFrame(sourceAlpha);
    BufferPtr destination = MakeFrame(255);
    pixman_image_t* src = Wrap(source.get());
    pixman_image_t* dst = Wrap(destination.get());
    pixman_image_t* mask = nullptr;
    if (alpha != 255)
    {
        const pixman_color_t colour = {0, 0, 0, static_cast<uint16_t>(alpha * 257)};
        mask = pixman_image_create_solid_fill(&colour);
    }
    for (auto _ : state)
    {
        pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
        benchmark::ClobberMemory();
    }
    if (mask != nullptr)
    {
        pixman_image_unref(mask);
    }
    pixman_image_unref(src);
    pixman_image_unref(dst);
    Finish(state);
}

void BM_PixmanOverOpaque(benchmark::State& state)
{
    PixmanOver(state, 255, 255);
}
BENCHMARK(BM_PixmanOverOpaque)->Unit(benchmark::kMicrosecond);

void BM_PixmanOverBlended(benchmark::State& state)
{
    PixmanOver(state, 128, 128);
}
BENCHMARK(BM_PixmanOverBlended)->Unit(benchmark::kMicrosecond);

// The blended blit against pixman's OVER of the same frames with the same solid mask, each into a
// screen of its own (both screens stay opaque, so every frame takes the same path).
void BM_RatioBlitBlendedToPixman(benchmark::State& state)
{
    Tables tables;
    BufferPtr source = MakeFrame(128);
    BufferPtr destination = MakeFrame(255);
    BufferPtr pixmanDestination = MakeFrame(255);
    pixman_image_t* src = Wrap(source.get());
    pixman_image_t* dst = Wrap(pixmanDestination.get());
    const pixman_color_t colour = {0, 0, 0, static_cast<uint16_t>(128 * 257)};
    pixman_image_t* mask = pixman_image_create_solid_fill(&colour);
    SideBySide(
        state, [&] { BlitPixelBuffer(0, 0, destination.get(), nullptr, source.get(), 128); },
        [&] { pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, 0, 0, kWidth, kHeight); });
    pixman_image_unref(mask);
    pixman_image_unref(src);
    pixman_image_unref(dst);
}
BENCHMARK(BM_RatioBlitBlendedToPixman)->Iterations(200)->Unit(benchmark::kMicrosecond);
#endif
} // namespace

// CDecompressMpeg: frame counting, the offset table, seeking with priming frames, direct and
// buffered decoding, channel conversion, and loading through the sound file.
#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "sound/SoundFile.h"
#include "support/BitWriter.h"
#include "support/LayerOneWriter.h"
#include "support/MpegFixtures.h"

using namespace mpegtest;

namespace
{
// Encodes `seconds` of a tone over noise with the given command ({in}, {out}).
std::vector<uint8_t> Encode(const TempFolder& dir, double seconds, int rate, int channels,
                            const std::string& encoder)
{
    std::string in = dir.File("in.wav"), out = dir.File("out.mp");
    std::string synth = "sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b 16 '" +
                        in + "' synth " + std::to_string(seconds) + " sine 440 gain -8 : synth " +
                        std::to_string(seconds) + " whitenoise gain -20 sinc -" + std::to_string(rate / 3);
    // Two pieces back to back: a tone, then noise.
    if (!RunShell(synth))
        return {};
    std::string cmd = encoder;
    cmd.replace(cmd.find("{in}"), 4, "'" + in + "'");
    cmd.replace(cmd.find("{out}"), 5, "'" + out + "'");
    if (!RunShell(cmd))
        return {};
    return ReadFileBytes(out);
}

// The first `frames` frames of a raw stream.
std::vector<uint8_t> FirstFrames(const std::vector<uint8_t>& stream, size_t frames)
{
    std::vector<size_t> offsets = FrameOffsets(stream);
    if (offsets.size() <= frames)
        return {};
    return std::vector<uint8_t>(stream.begin() + offsets[0], stream.begin() + offsets[frames]);
}

TEST(DecompressMpeg, HundredFramesOfLayer3ReadInOrderWithoutSeeking)
{
    TempFolder dir;
    std::vector<uint8_t> whole = Encode(dir, 1.4, 44100, 2, "lame --quiet -t -b 128 {in} {out}");
    std::vector<uint8_t> bytes = FirstFrames(whole, 100);
    ASSERT_FALSE(bytes.empty());
    auto stream = OpenStream(bytes);
    ASSERT_TRUE(stream->ok);
    CDecompressMpeg& d = *stream->decoder;
    EXPECT_EQ(d.GetFrameCount(), 100u);
    EXPECT_EQ(d.GetLength(), 115200u);
    EXPECT_EQ(d.GetMonoSize(), 230400u);
    EXPECT_EQ(d.GetStereoSize(), 460800u);

    std::vector<int16_t> first(16384 * 2), second(16384 * 2);
    EXPECT_EQ(d.DecodeStereo(first.data(), 0, 16384, false), 65536u);
    EXPECT_EQ(d.GetCurrentFrame(), 14u);
    EXPECT_EQ(d.DecodeStereo(second.data(), 16384, 16384, false), 65536u);
    EXPECT_EQ(d.GetSeekCount(), 0u) << "reading on from where the last call ended must not seek";

    // The same samples as a decode in other chunk sizes (direct and buffered paths mixed).
    auto other = OpenStream(bytes);
    std::vector<int16_t> small = DecodeAll(*other, 1000);
    ASSERT_EQ(small.size(), 115200u * 2);
    EXPECT_TRUE(std::equal(first.begin(), first.end(), small.begin()));
    EXPECT_TRUE(std::equal(second.begin(), second.end(), small.begin() + 16384 * 2));
    EXPECT_EQ(other->decoder->GetSeekCount(), 0u);

    // Past the end: nothing; a request over the end is cut to the length.
    EXPECT_EQ(d.DecodeStereo(first.data(), 115201, 10, false), 0u);
    EXPECT_EQ(d.DecodeStereo(first.data(), 115200 - 10, 100, false), 40u);
}

struct FrameSizeCase
{
    const char* name;
    int rate, channels;
    const char* encoder;
    uint32_t samplesPerFrame;
};

void PrintTo(const FrameSizeCase& c, std::ostream* os)
{
    *os << c.name;
}

class SamplesPerFrame : public ::testing::TestWithParam<FrameSizeCase>
{
};

TEST_P(SamplesPerFrame, LengthIsFramesTimesSamplesPerFrame)
{
    const FrameSizeCase& c = GetParam();
    TempFolder dir;
    std::vector<uint8_t> bytes;
    if (std::string(c.encoder) == "layer1")
        bytes = WriteLayerOne(LayerOneParams(), 25,
                              [](int, int f, int t, int sb)
                              { return sb == 2 ? 0.3 * std::sin(0.3 * (f * 12 + t)) : 0.0; });
    else
        bytes = Encode(dir, 0.5, c.rate, c.channels, c.encoder);
    ASSERT_FALSE(bytes.empty());
    auto stream = OpenStream(bytes);
    ASSERT_TRUE(stream->ok);
    EXPECT_EQ(stream->decoder->GetSamplesPerFrame(), c.samplesPerFrame);
    EXPECT_EQ(stream->decoder->GetLength(), FrameOffsets(bytes).size() * c.samplesPerFrame);
    EXPECT_EQ(DecodeAll(*stream).size(), size_t(stream->decoder->GetLength()) * c.channels);
}

const FrameSizeCase kFrameSizeCases[] = {
    {"Mpeg1Layer3", 44100, 2, "lame --quiet -t -b 128 {in} {out}", 1152},
    {"Mpeg2Layer3", 22050, 1, "lame --quiet -t -b 32 {in} {out}", 576},
    {"Mpeg25Layer3", 11025, 2, "lame --quiet -t -b 32 {in} {out}", 576},
    {"Mpeg1Layer1", 44100, 2, "layer1", 384},
    {"Mpeg2Layer2", 16000, 1, "twolame --quiet -b 32 {in} {out}", 1152},
    {"Mpeg1Layer2", 48000, 2, "twolame --quiet -b 192 {in} {out}", 1152},
};

INSTANTIATE_TEST_SUITE_P(Streams, SamplesPerFrame, ::testing::ValuesIn(kFrameSizeCases),
                         [](const ::testing::TestParamInfo<FrameSizeCase>& info) { return info.param.name; });

// A long stream decoded once in order gives the reference; random access must give the same
// samples after its priming frames, with the bit reservoir in use.
TEST(DecompressMpeg, SeekPrimesThreeFramesAndMatchesSequentialDecoding)
{
    TempFolder dir;
    std::vector<uint8_t> bytes = Encode(dir, 14.0, 44100, 2, "lame --quiet -t -b 128 {in} {out}");
    ASSERT_GT(FrameOffsets(bytes).size(), 510u);
    auto sequential = OpenStream(bytes);
    ASSERT_TRUE(sequential->ok);
    std::vector<int16_t> all = DecodeAll(*sequential);

    auto stream = OpenStream(bytes);
    CDecompressMpeg& d = *stream->decoder;
    std::vector<int16_t> buffer(4000 * 2);
    ASSERT_EQ(d.DecodeStereo(buffer.data(), 20 * 1152 + 5, 1000, false), 4000u);
    EXPECT_EQ(d.GetLastPrimeStart(), 17u);
    EXPECT_EQ(d.GetLastPrimeCount(), 3u);

    struct Jump
    {
        uint32_t first, count, primeStart, primeCount;
    };
    const Jump jumps[] = {
        {500 * 1152 + 7, 3000, 497, 3}, // far ahead
        {2 * 1152, 100, 0, 2},          // back near the start: frames 0 and 1 prime
        {0, 1152, 0, 0},                // the very first frame: nothing to prime
        {300 * 1152 + 1151, 2, 297, 3}, // the last sample of a frame, then the next one
    };
    for (const Jump& j : jumps)
    {
        uint32_t seeks = d.GetSeekCount();
        ASSERT_EQ(d.DecodeStereo(buffer.data(), j.first, j.count, false), j.count * 4);
        EXPECT_EQ(d.GetSeekCount(), seeks + 1);
        EXPECT_EQ(d.GetLastPrimeStart(), j.primeStart) << j.first;
        EXPECT_EQ(d.GetLastPrimeCount(), j.primeCount) << j.first;
        EXPECT_TRUE(
            std::equal(buffer.begin(), buffer.begin() + j.count * 2, all.begin() + size_t(j.first) * 2))
            << "samples after a seek to " << j.first << " differ from the sequential decode";
    }
}

// At low bitrates a frame's main data reaches back over many small frames: a seek primes as
// far back as the bit reservoir of the seek frame and of the frame before it needs, so every
// seek gives the samples of a decode from the start.
TEST(DecompressMpeg, SeekRefillsTheReservoirAtLowBitrates)
{
    struct Case
    {
        const char* name;
        int rate, channels;
        const char* encoder;
    };
    const Case cases[] = {
        {"64 kbit/s mono", 44100, 1, "lame --quiet -t -m m -b 64 {in} {out}"},
        {"22,050 Hz 64 kbit/s", 22050, 2, "lame --quiet -t -b 64 {in} {out}"},
        {"11,025 Hz", 11025, 2, "lame --quiet -t -b 16 {in} {out}"},
        {"8,000 Hz mono 8 kbit/s", 8000, 1, "lame --quiet -t -m m -b 8 {in} {out}"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        std::vector<uint8_t> bytes = Encode(dir, 4.0, c.rate, c.channels, c.encoder);
        ASSERT_FALSE(bytes.empty());
        auto sequential = OpenStream(bytes);
        ASSERT_TRUE(sequential->ok);
        std::vector<int16_t> all = DecodeAll(*sequential);
        auto stream = OpenStream(bytes);
        CDecompressMpeg& d = *stream->decoder;
        const uint32_t length = d.GetLength();
        const uint32_t spf = d.GetSamplesPerFrame();
        std::mt19937 random(7);
        int wrong = 0;
        for (int seek = 0; seek < 60; ++seek)
        {
            // Somewhere in a frame at least two frames on from the last one read: always a seek.
            const uint32_t first = static_cast<uint32_t>(random() % (length - spf));
            const uint32_t count = spf;
            std::vector<int16_t> buffer(size_t(count) * c.channels);
            const uint32_t seeks = d.GetSeekCount();
            if (c.channels == 2)
                ASSERT_EQ(d.DecodeStereo(buffer.data(), first, count, false), count * 4);
            else
                ASSERT_EQ(d.DecodeMono(buffer.data(), first, count, false), count * 2);
            if (d.GetSeekCount() == seeks)
                continue; // landed on the frame after the last one: read in order
            wrong += !std::equal(buffer.begin(), buffer.end(), all.begin() + size_t(first) * c.channels);
        }
        EXPECT_EQ(wrong, 0) << "seeks whose samples differ from the decode from the start";
    }
}

TEST(DecompressMpeg, FrameDecodedIntoTheCallerIsDecodedAgainWhenNeededFromTheBuffer)
{
    TempFolder dir;
    std::vector<uint8_t> bytes = Encode(dir, 1.0, 44100, 2, "lame --quiet -t -b 128 {in} {out}");
    auto reference = OpenStream(bytes);
    std::vector<int16_t> all = DecodeAll(*reference);
    auto stream = OpenStream(bytes);
    std::vector<int16_t> buffer(3000 * 2);
    // Frames 1 and 2 go straight into the caller's buffer (frame 2 is wanted whole)...
    ASSERT_EQ(stream->decoder->DecodeStereo(buffer.data(), 1152, 2 * 1152 + 1, false), (2 * 1152 + 1) * 4u);
    // ...so a request for part of frame 3 is fine, but one for part of frame 2 must re-decode it.
    ASSERT_EQ(stream->decoder->DecodeStereo(buffer.data(), 2 * 1152 + 10, 50, false), 200u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 100, all.begin() + (2 * 1152 + 10) * 2));
}

TEST(DecompressMpeg, ConvertsBetweenMonoAndStereo)
{
    TempFolder dir;
    for (int channels : {1, 2})
    {
        std::vector<uint8_t> bytes = Encode(dir, 0.5, 44100, channels,
                                            channels == 1 ? "lame --quiet -t -m m -b 64 {in} {out}"
                                                          : "lame --quiet -t -m s -b 128 {in} {out}");
        auto a = OpenStream(bytes);
        auto b = OpenStream(bytes);
        ASSERT_TRUE(a->ok && b->ok);
        uint32_t length = a->decoder->GetLength();
        std::vector<int16_t> mono(length), stereo(size_t(length) * 2);
        ASSERT_EQ(a->decoder->DecodeMono(mono.data(), 0, length, false), length * 2);
        ASSERT_EQ(b->decoder->DecodeStereo(stereo.data(), 0, length, false), length * 4);
        int mismatches = 0;
        for (uint32_t i = 0; i < length; ++i)
        {
            int expectedMono = channels == 2 ? (stereo[2 * i] + stereo[2 * i + 1]) >> 1 : mono[i];
            mismatches += mono[i] != expectedMono;
            if (channels == 1)
                mismatches += stereo[2 * i] != mono[i] || stereo[2 * i + 1] != mono[i];
        }
        EXPECT_EQ(mismatches, 0) << channels << " channel source";
    }
}

TEST(DecompressMpeg, XingFrameIsCountedAndPlaysAsSilence)
{
    TempFolder dir;
    std::vector<uint8_t> bytes =
        Encode(dir, 0.5, 44100, 2, "lame --quiet -b 128 {in} {out}"); // with Info tag
    std::vector<size_t> offsets = FrameOffsets(bytes);
    ASSERT_GE(offsets.size(), 2u);
    ASSERT_EQ(std::memcmp(bytes.data() + offsets[0] + 36, "Info", 4), 0);
    auto stream = OpenStream(bytes);
    ASSERT_TRUE(stream->ok);
    EXPECT_EQ(stream->decoder->GetFrameCount(), offsets.size());
    std::vector<int16_t> all = DecodeAll(*stream);
    ASSERT_EQ(all.size(), offsets.size() * 1152 * 2);
    EXPECT_TRUE(std::all_of(all.begin(), all.begin() + 1152 * 2, [](int16_t v) { return v == 0; }));
    EXPECT_FALSE(std::all_of(all.begin() + 1152 * 2, all.end(), [](int16_t v) { return v == 0; }));
}

// Stereo, then mono, then stereo again, joined: the mono frames are counted with their own
// size and play as silence of the stream's frame length; the stereo part after them starts
// afresh and plays exactly as it does on its own.
TEST(DecompressMpeg, FramesOfAnotherKindAreCountedAndPlayAsSilence)
{
    TempFolder dir;
    std::vector<uint8_t> first = Encode(dir, 1.0, 44100, 2, "lame --quiet -t -m j -b 128 {in} {out}");
    std::vector<uint8_t> mono = Encode(dir, 1.0, 44100, 1, "lame --quiet -t -m m -b 64 {in} {out}");
    std::vector<uint8_t> last = Encode(dir, 0.5, 44100, 2, "lame --quiet -t -m s -b 160 {in} {out}");
    ASSERT_FALSE(first.empty() || mono.empty() || last.empty());
    std::vector<uint8_t> joined = first;
    joined.insert(joined.end(), mono.begin(), mono.end());
    joined.insert(joined.end(), last.begin(), last.end());
    const size_t n1 = FrameOffsets(first).size(), n2 = FrameOffsets(mono).size(),
                 n3 = FrameOffsets(last).size();

    auto stream = OpenStream(joined);
    ASSERT_TRUE(stream->ok);
    EXPECT_EQ(stream->decoder->GetFrameCount(), n1 + n2 + n3);
    EXPECT_EQ(stream->decoder->GetLength(), (n1 + n2 + n3) * 1152);
    std::vector<int16_t> all = DecodeAll(*stream);
    ASSERT_EQ(all.size(), (n1 + n2 + n3) * 1152 * 2);

    auto alone1 = OpenStream(first);
    auto alone3 = OpenStream(last);
    std::vector<int16_t> part1 = DecodeAll(*alone1), part3 = DecodeAll(*alone3);
    const auto mid = all.begin() + static_cast<ptrdiff_t>(n1 * 1152 * 2);
    const auto end3 = mid + static_cast<ptrdiff_t>(n2 * 1152 * 2);
    EXPECT_TRUE(std::equal(part1.begin(), part1.end(), all.begin()));
    EXPECT_TRUE(std::all_of(mid, end3, [](int16_t v) { return v == 0; }));
    EXPECT_TRUE(std::equal(part3.begin(), part3.end(), end3));
    EXPECT_FALSE(std::all_of(part3.begin(), part3.end(), [](int16_t v) { return v == 0; }));

    // A seek into the silent part and one back out of it.
    std::vector<int16_t> buffer(2000 * 2);
    const uint32_t inside = static_cast<uint32_t>(n1 + n2 / 2) * 1152 + 17;
    ASSERT_EQ(stream->decoder->DecodeStereo(buffer.data(), inside, 2000, false), 8000u);
    EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](int16_t v) { return v == 0; }));
    ASSERT_EQ(stream->decoder->DecodeStereo(buffer.data(), 5 * 1152, 2000, false), 8000u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), part1.begin() + 5 * 1152 * 2));
}

std::vector<uint8_t> WaveWithMpegData(const std::vector<uint8_t>& mpeg, uint16_t channels, uint32_t rate)
{
    std::vector<uint8_t> w;
    auto put = [&](uint32_t v, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            w.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto tag = [&](const char* t) { w.insert(w.end(), t, t + 4); };
    tag("RIFF");
    put(static_cast<uint32_t>(4 + 8 + 30 + 8 + mpeg.size()), 4);
    tag("WAVE");
    tag("fmt ");
    put(30, 4);
    put(85, 2);
    put(channels, 2);
    put(rate, 4);
    put(16000, 4);
    put(1, 2);
    put(0, 2);
    put(12, 2);
    for (int i = 0; i < 12; ++i)
        w.push_back(0); // MPEG layer 3 extra bytes; not read
    tag("data");
    put(static_cast<uint32_t>(mpeg.size()), 4);
    w.insert(w.end(), mpeg.begin(), mpeg.end());
    return w;
}

TEST(DecompressMpeg, LoadsAsRawStreamAndAsWaveTag85)
{
    TempFolder dir;
    std::vector<uint8_t> mpeg = Encode(dir, 0.5, 22050, 2, "lame --quiet -t -b 64 {in} {out}");
    ASSERT_FALSE(mpeg.empty());
    for (const std::vector<uint8_t>& file : {mpeg, WaveWithMpegData(mpeg, 2, 22050)})
    {
        CSoundFile sound;
        ASSERT_TRUE(sound.LoadFromMemory(static_cast<uint32_t>(file.size()), file.data()));
        ASSERT_TRUE(sound.IsPlayable());
        ASSERT_NE(dynamic_cast<CDecompressMpeg*>(sound.GetDecoder()), nullptr);
        const WaveFormat& f = sound.GetOutputFormat();
        EXPECT_EQ(f.formatTag, kWaveFormatPcm);
        EXPECT_EQ(f.channels, 2);
        EXPECT_EQ(f.samplesPerSec, 22050u);
        EXPECT_EQ(f.bitsPerSample, 16);
        EXPECT_EQ(f.blockAlign, 4);
        EXPECT_EQ(f.avgBytesPerSec, 88200u);
        EXPECT_EQ(sound.GetDecoder()->GetLength(), FrameOffsets(mpeg).size() * 576);
    }
}

// MPEG-1 Layer II frames with all-zero bodies at a bitrate index and mode.
std::vector<uint8_t> LayerTwoFrames(int bitrateIndex, int mode, int frames)
{
    static const int kKbps[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0};
    std::vector<uint8_t> stream;
    for (int f = 0; f < frames; ++f)
    {
        BitWriter w;
        w.Put(0xFFF, 12);
        w.Put(1, 1);
        w.Put(2, 2); // Layer II
        w.Put(1, 1); // no CRC
        w.Put(static_cast<uint32_t>(bitrateIndex), 4);
        w.Put(0, 2); // 44.1 kHz
        w.Put(0, 2);
        w.Put(static_cast<uint32_t>(mode), 2);
        w.Put(0, 6);
        std::vector<uint8_t>& bytes = w.Bytes();
        bytes.resize(144 * kKbps[bitrateIndex] * 1000 / 44100, 0);
        stream.insert(stream.end(), bytes.begin(), bytes.end());
    }
    return stream;
}

TEST(DecompressMpeg, Layer2WithoutAllocationTableIsNotLoaded)
{
    struct Case
    {
        int bitrateIndex, mode;
        bool loads;
    };
    const Case cases[] = {
        {1, 0, false},  // 32 kbit/s stereo: no table
        {5, 1, false},  // 80 kbit/s joint stereo: no table
        {11, 3, false}, // 224 kbit/s single channel: no table
        {1, 3, true},   // 32 kbit/s single channel
        {8, 0, true},   // 128 kbit/s stereo
    };
    for (const Case& c : cases)
    {
        auto stream = OpenStream(LayerTwoFrames(c.bitrateIndex, c.mode, 20));
        EXPECT_EQ(stream->ok, c.loads) << c.bitrateIndex << " " << c.mode;
        if (stream->ok) // zero allocations everywhere: silence
        {
            std::vector<int16_t> all = DecodeAll(*stream);
            EXPECT_TRUE(std::all_of(all.begin(), all.end(), [](int16_t v) { return v == 0; }));
        }
    }
}

// Sub-band 31 (above 21,360 Hz at 44.1 kHz) is never decoded: a stream that carries it plays
// exactly like the same stream without it.
TEST(DecompressMpeg, TopSubbandIsNotHeard)
{
    auto low = [](int ch, int f, int t, int sb) -> double
    { return sb == 3 ? (ch ? 0.2 : 0.3) * std::sin(0.2 * (f * 12 + t)) : 0.0; };
    auto withTop = [&](int ch, int f, int t, int sb) -> double
    { return sb == 31 ? 0.9 * std::sin(1.1 * (f * 12 + t)) : low(ch, f, t, sb); };
    auto plain = OpenStream(WriteLayerOne(LayerOneParams(), 20, low));
    auto top = OpenStream(WriteLayerOne(LayerOneParams(), 20, withTop));
    ASSERT_TRUE(plain->ok && top->ok);
    EXPECT_EQ(DecodeAll(*plain), DecodeAll(*top));
}
} // namespace

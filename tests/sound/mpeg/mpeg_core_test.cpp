// The decoder's building blocks: bit reader, Huffman lookups, frame headers, synthesis.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "sound/mpeg/MpegAudioDecoder.h"

namespace
{
// Bit i of a byte block, most significant first.
uint32_t BitAt(const std::vector<uint8_t>& bytes, size_t i)
{
    if (i / 8 >= bytes.size())
        return 0;
    return (bytes[i / 8] >> (7 - i % 8)) & 1;
}

TEST(MpegBitReader, ReadsEveryWidthAtEveryOffsetMostSignificantFirst)
{
    std::vector<uint8_t> bytes(24);
    std::mt19937 random(7);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(random());
    for (uint32_t start = 0; start < 40; ++start)
        for (uint32_t width = 1; width <= 32; ++width)
        {
            MpegBitReader reader;
            reader.Start(bytes.data(), static_cast<uint32_t>(bytes.size()), start);
            uint32_t expected = 0;
            for (uint32_t i = 0; i < width; ++i)
                expected = (expected << 1) | BitAt(bytes, start + i);
            ASSERT_EQ(reader.Get(width), expected) << "start " << start << " width " << width;
            ASSERT_EQ(reader.position, start + width);
        }
}

TEST(MpegBitReader, ReadsPastTheEndGiveZerosAndReportOverrun)
{
    const std::vector<uint8_t> bytes = {0xFF, 0xFF, 0xFF};
    // Surrounding bytes that must never be read: the reader is given only the middle three.
    std::vector<uint8_t> block = {0xAA, 0xFF, 0xFF, 0xFF, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
    MpegBitReader reader;
    reader.Start(block.data() + 1, 3, 20);
    EXPECT_EQ(reader.Get(8), 0xF0u); // 4 bits left, then zeros
    EXPECT_TRUE(reader.Overrun());
    EXPECT_EQ(reader.Get(32), 0u);
    MpegBitReader exact;
    exact.Start(bytes.data(), 3, 0);
    EXPECT_EQ(exact.Get(24), 0xFFFFFFu);
    EXPECT_FALSE(exact.Overrun());
    EXPECT_EQ(exact.Get(0), 0u);
}

// Every code word of every table decodes to its own symbol and consumes exactly its length,
// whatever bits follow it: proves the tables are prefix codes and the lookups are complete.
TEST(MpegHuffman, EveryCodeWordDecodesToItsSymbol)
{
    auto set = std::make_unique<MpegHuffmanSet>();
    ASSERT_TRUE(set->Build());
    int tables = 0;
    for (int index = 0; index < 19; ++index)
    {
        const MpegHuffmanCode* code = MpegHuffmanSource(index);
        if (!code)
            continue;
        ++tables;
        const bool quad = index == 18;
        const int symbols = quad ? 16 : code->size * code->size;
        double kraft = 0;
        for (int i = 0; i < symbols; ++i)
        {
            const int length = code->lengths[i];
            kraft += std::ldexp(1.0, -length);
            for (uint32_t tail : {0x00000000u, 0xFFFFFFFFu, 0x5A5A5A5Au})
            {
                uint64_t word = (uint64_t(code->codes[i]) << (64 - length)) | (uint64_t(tail) >> length);
                uint8_t bytes[8];
                for (int b = 0; b < 8; ++b)
                    bytes[b] = static_cast<uint8_t>(word >> (56 - 8 * b));
                MpegBitReader reader;
                reader.Start(bytes, 8);
                uint32_t value = set->Decode(reader, index);
                uint32_t expected = quad ? uint32_t(i) : uint32_t(((i / code->size) << 4) | (i % code->size));
                ASSERT_EQ(value, expected) << "table " << index << " symbol " << i;
                ASSERT_EQ(reader.position, uint32_t(length)) << "table " << index << " symbol " << i;
            }
        }
        EXPECT_DOUBLE_EQ(kraft, 1.0) << "table " << index << " is not a complete code";
    }
    EXPECT_EQ(tables, 16);
}

TEST(MpegHuffman, BigValueTablesMapSelectorsToCodesAndLinbits)
{
    struct Case
    {
        int select, source, linbits;
    };
    const Case cases[] = {{0, -1, 0},  {4, -1, 0},   {14, -1, 0}, {13, 13, 0}, {15, 15, 0},
                          {16, 16, 1}, {23, 16, 13}, {24, 17, 4}, {31, 17, 13}};
    for (const Case& c : cases)
    {
        EXPECT_EQ(kMpegBigValueTables[c.select].source, c.source) << c.select;
        EXPECT_EQ(kMpegBigValueTables[c.select].linbits, c.linbits) << c.select;
    }
}

struct HeaderCase
{
    uint8_t bytes[4];
    int version, layer, channels;
    uint32_t rate, bitrate, frameSize, samples;
};

TEST(MpegHeader, DecodesVersionLayerRateAndFrameSize)
{
    const HeaderCase cases[] = {
        {{0xFF, 0xFB, 0x90, 0x64}, 1, 3, 2, 44100, 128000, 417, 1152}, // 128k L3
        {{0xFF, 0xFB, 0x92, 0x64}, 1, 3, 2, 44100, 128000, 418, 1152}, // with padding
        {{0xFF, 0xFA, 0xB4, 0xC4}, 1, 3, 1, 48000, 192000, 576, 1152}, // CRC, mono
        {{0xFF, 0xF3, 0x80, 0x44}, 2, 3, 2, 22050, 64000, 208, 576},   // MPEG-2 L3
        {{0xFF, 0xE3, 0x28, 0xC4}, 3, 3, 1, 8000, 16000, 144, 576},    // MPEG 2.5
        {{0xFF, 0xFD, 0xA4, 0x04}, 1, 2, 2, 48000, 192000, 576, 1152}, // L2
        {{0xFF, 0xF5, 0x84, 0xC4}, 2, 2, 1, 24000, 64000, 384, 1152},  // MPEG-2 L2
        {{0xFF, 0xFF, 0xE0, 0x04}, 1, 1, 2, 44100, 448000, 484, 384},  // L1
        {{0xFF, 0xFF, 0xE2, 0x04}, 1, 1, 2, 44100, 448000, 488, 384},  // L1 padding: 4 bytes
    };
    for (const HeaderCase& c : cases)
    {
        MpegHeader h;
        ASSERT_TRUE(MpegCheckHeader(c.bytes, h)) << int(c.bytes[1]) << " " << int(c.bytes[2]);
        EXPECT_EQ(h.version, c.version);
        EXPECT_EQ(h.layer, c.layer);
        EXPECT_EQ(h.channels, c.channels);
        EXPECT_EQ(h.sampleRate, c.rate);
        EXPECT_EQ(h.bitrate, c.bitrate);
        EXPECT_EQ(h.frameSize, c.frameSize);
        EXPECT_EQ(h.samplesPerFrame, c.samples);
        EXPECT_EQ(h.outputBytes, c.samples * 2 * c.channels);
    }
}

TEST(MpegHeader, RefusesWhatIsNotAPlayableFrame)
{
    const uint8_t refused[][4] = {
        {0xFE, 0xFB, 0x90, 0x64}, // no sync
        {0xFF, 0xDB, 0x90, 0x64}, // sync cut short
        {0xFF, 0xF9, 0x90, 0x64}, // layer code 0
        {0xFF, 0xFB, 0x00, 0x64}, // free format
        {0xFF, 0xFB, 0xF0, 0x64}, // bitrate index 15
        {0xFF, 0xFB, 0x9C, 0x64}, // sample-rate index 3
    };
    for (const auto& bytes : refused)
    {
        MpegHeader h;
        EXPECT_FALSE(MpegCheckHeader(bytes, h)) << int(bytes[1]) << " " << int(bytes[2]);
    }
}

TEST(MpegHeader, XingAndVbriHeadersClearTheBitrate)
{
    // MPEG-1 stereo Layer III: the tag follows 4 header and 32 side-information bytes.
    std::vector<uint8_t> frame(417, 0);
    const uint8_t header[4] = {0xFF, 0xFB, 0x90, 0x64};
    std::memcpy(frame.data(), header, 4);
    MpegDecodeInfo info;
    ASSERT_TRUE(MpegGetDecodeInfo(frame.data(), 156, info));
    EXPECT_EQ(info.bitrate, 128000u);
    EXPECT_EQ(info.minFrameSize, 104u);  // 32 kbit/s
    EXPECT_EQ(info.maxFrameSize, 1044u); // 320 kbit/s

    const uint8_t xing[] = {'X', 'i', 'n', 'g', 0, 0, 0, 3, 0, 0, 0x01, 0x2C, 0, 1, 0, 0};
    std::memcpy(frame.data() + 36, xing, sizeof(xing));
    ASSERT_TRUE(MpegGetDecodeInfo(frame.data(), 156, info));
    EXPECT_EQ(info.bitrate, 0u);
    EXPECT_EQ(info.vbrFrames, 300u);
    EXPECT_EQ(info.vbrBytes, 65536u);

    frame[36 + 7] = 0; // neither the frames nor the bytes flag: refused
    EXPECT_FALSE(MpegGetDecodeInfo(frame.data(), 156, info));

    std::vector<uint8_t> vbri(156, 0);
    std::memcpy(vbri.data(), header, 4);
    const uint8_t tag[] = {'V', 'B', 'R', 'I', 0, 1, 0, 0, 0, 0, 0, 0, 0x10, 0, 0, 0, 0, 0x64};
    std::memcpy(vbri.data() + 36, tag, sizeof(tag));
    ASSERT_TRUE(MpegGetDecodeInfo(vbri.data(), 156, info));
    EXPECT_EQ(info.bitrate, 0u);
    EXPECT_EQ(info.vbrBytes, 0x1000u);
    EXPECT_EQ(info.vbrFrames, 100u);
}

TEST(MpegSynthesis, ClampsInFloatAndTruncatesTowardZero)
{
    struct Case
    {
        float sum;
        int16_t expected;
    };
    const Case cases[] = {{32767.9f, 32767},
                          {32768.0f, 32767},
                          {1e30f, 32767},
                          {-32768.9f, -32768},
                          {-1e30f, -32768},
                          {-0.9f, 0},
                          {0.9f, 0},
                          {-1.5f, -1},
                          {1234.99f, 1234},
                          {std::numeric_limits<float>::infinity(), 32767},
                          {std::numeric_limits<float>::quiet_NaN(), 0}};
    for (const Case& c : cases)
        EXPECT_EQ(MpegClampSample(c.sum), c.expected) << c.sum;
}

TEST(MpegSynthesis, FastDctEqualsTheDirectSum)
{
    auto decoder = std::make_unique<MpegAudioDecoder>();
    MpegDecoderInit(*decoder);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    for (int round = 0; round < 20; ++round)
    {
        float in[32], out[32];
        for (float& v : in)
            v = value(random);
        MpegDct32(decoder->dctCoef, in, out);
        for (int k = 0; k < 32; ++k)
        {
            double direct = 0;
            for (int n = 0; n < 32; ++n)
                direct += in[n] * std::cos(M_PI * (2 * n + 1) * k / 64.0);
            ASSERT_NEAR(out[k], direct, 1e-4) << k;
        }
    }
}

// The filterbank against the textbook matrixing and windowing in double precision: 64-value V
// vectors in a 1,024-value FIFO, D from the window table, 16 sums per sample.
TEST(MpegSynthesis, MatchesTheTextbookFilterbank)
{
    auto decoder = std::make_unique<MpegAudioDecoder>();
    MpegDecoderInit(*decoder);
    // The window values themselves are checked by WindowHasTheStandardShape and by every
    // comparison with mpg123; here D is read back from the folded table so that the test checks
    // the fast DCT, the ring and the folding against the textbook form.
    std::mt19937 random(11);
    std::uniform_real_distribution<float> value(-8000.0f, 8000.0f);
    const int slots = 40;
    std::vector<float> input(slots * 32);
    for (float& v : input)
        v = value(random);
    std::vector<int16_t> ours(slots * 32);
    MpegResetState(*decoder);
    MpegSubbandSynthesis(*decoder, slots, reinterpret_cast<const float(*)[32]>(input.data()), 0, 1,
                         ours.data());

    // Textbook: V[i] = sum_k S[k] cos((16 + i)(2k + 1) pi / 64); U from V; out[j] = sum U x D.
    std::vector<double> D(512);
    for (int s = 0; s < 16; ++s)
        for (int j = 0; j < 32; ++j)
            D[64 * (s / 2) + 32 * (s % 2) + j] = decoder->synthWindow[s][j];
    std::vector<double> fifo(1024, 0.0);
    int worst = 0;
    for (int t = 0; t < slots; ++t)
    {
        for (int i = 1023; i >= 64; --i)
            fifo[i] = fifo[i - 64];
        for (int i = 0; i < 64; ++i)
        {
            double sum = 0;
            for (int k = 0; k < 32; ++k)
                sum += input[t * 32 + k] * std::cos((16 + i) * (2 * k + 1) * M_PI / 64.0);
            fifo[i] = sum;
        }
        for (int j = 0; j < 32; ++j)
        {
            double sum = 0;
            for (int i = 0; i < 8; ++i)
            {
                sum += fifo[128 * i + j] * D[64 * i + j];
                sum += fifo[128 * i + 96 + j] * D[64 * i + 32 + j];
            }
            double clamped = sum >= 32767 ? 32767 : (sum <= -32768 ? -32768 : std::trunc(sum));
            int diff = std::abs(ours[t * 32 + j] - static_cast<int>(clamped));
            worst = diff > worst ? diff : worst;
        }
    }
    EXPECT_LE(worst, 1);
}

// The two-channel synthesis must give the bits of one synthesis per channel: over call lengths
// that fill its four-slot groups and lengths that leave a group part-filled, with loud input
// that clamps and a NaN from damaged data, over enough calls for the rings to wrap, and after a
// single-channel call has moved the rings apart. One channel goes through the one-channel path.
TEST(MpegSynthesis, BothChannelsAtOnceGiveTheBitsOfOneAtATime)
{
    auto together = std::make_unique<MpegAudioDecoder>();
    auto apart = std::make_unique<MpegAudioDecoder>();
    auto mono = std::make_unique<MpegAudioDecoder>();
    auto monoRef = std::make_unique<MpegAudioDecoder>();
    for (MpegAudioDecoder* d : {together.get(), apart.get(), mono.get(), monoRef.get()})
    {
        MpegDecoderInit(*d);
        MpegResetState(*d);
    }
    std::mt19937 random(5);
    std::uniform_real_distribution<float> value(-20000.0f, 20000.0f);
    const int lengths[] = {1, 3, 4, 5, 18, 36, 7, 12, 2, 36};
    int call = 0;
    for (int length : lengths)
    {
        std::vector<float> left(length * 32), right(length * 32);
        for (float& v : left)
            v = value(random);
        for (float& v : right)
            v = value(random);
        left[7] *= 50.0f; // far past full scale
        if (call == 4)
            right[40] = std::numeric_limits<float>::quiet_NaN();
        const auto* l = reinterpret_cast<const float(*)[32]>(left.data());
        const auto* r = reinterpret_cast<const float(*)[32]>(right.data());
        std::vector<int16_t> a(length * 64, 0x5555), b(length * 64, 0x5555);
        if (call == 6)
        {
            // Only the left channel: the rings no longer stand at the same place.
            MpegSubbandSynthesis(*together, length, l, 0, 2, a.data());
            MpegSubbandSynthesis(*apart, length, l, 0, 2, b.data());
        }
        else
        {
            MpegSynthesizeChannels(*together, length, l, r, 2, a.data());
            MpegSubbandSynthesis(*apart, length, l, 0, 2, b.data());
            MpegSubbandSynthesis(*apart, length, r, 1, 2, b.data());
        }
        ASSERT_EQ(a, b) << "call " << call << ", " << length << " slots";

        std::vector<int16_t> m(length * 32, 0x5555), n(length * 32, 0x2222);
        MpegSynthesizeChannels(*mono, length, l, nullptr, 1, m.data());
        MpegSubbandSynthesis(*monoRef, length, l, 0, 1, n.data());
        ASSERT_EQ(m, n) << "call " << call << ", " << length << " slots";
        ++call;
    }
}

TEST(MpegSynthesis, WindowHasTheStandardShape)
{
    auto decoder = std::make_unique<MpegAudioDecoder>();
    MpegDecoderInit(*decoder);
    // Known values of the window: D[1] = -1/65536, D[64] = 213/65536, D[256] = 75038/65536
    // (slot age 0 sample 1, age 2 sample 0, age 8 sample 0).
    EXPECT_FLOAT_EQ(decoder->synthWindow[0][1], -1.0f / 65536);
    EXPECT_FLOAT_EQ(decoder->synthWindow[2][0], 213.0f / 65536);
    EXPECT_FLOAT_EQ(decoder->synthWindow[8][0], 75038.0f / 65536);
    // The window's magnitude is smooth: no entry departs from its neighbours' line by more than
    // the curve itself allows (a mistyped coefficient would stand out). Its sign alternates by
    // blocks of 64.
    std::vector<double> h(512);
    for (int s = 0; s < 16; ++s)
        for (int j = 0; j < 32; ++j)
            h[64 * (s / 2) + 32 * (s % 2) + j] = decoder->synthWindow[s][j] * ((s / 2) % 2 ? -1 : 1);
    for (int i = 2; i < 510; ++i)
    {
        double curve = (h[i - 2] + h[i + 2]) / 2;
        EXPECT_NEAR(h[i], curve, 0.004) << i;
    }
    // Symmetric about D[256].
    for (int k = 1; k < 256; ++k)
        EXPECT_EQ(h[256 + k], h[256 - k]) << k;
}

TEST(MpegSynthesis, StereoInterleavesLeftFirstAndSilenceStaysSilent)
{
    auto decoder = std::make_unique<MpegAudioDecoder>();
    MpegDecoderInit(*decoder);
    MpegResetState(*decoder);
    float zeros[18][32] = {};
    float tone[18][32] = {};
    for (int t = 0; t < 18; ++t)
        tone[t][1] = 10000.0f;
    int16_t out[18 * 32 * 2];
    for (int16_t& v : out)
        v = 0x5555;
    MpegSubbandSynthesis(*decoder, 18, zeros, 0, 2, out);
    MpegSubbandSynthesis(*decoder, 18, tone, 1, 2, out);
    bool rightHasSignal = false;
    for (int i = 0; i < 18 * 32; ++i)
    {
        ASSERT_EQ(out[2 * i], 0) << i; // left: all-zero input after a reset gives zeros
        rightHasSignal |= out[2 * i + 1] != 0;
    }
    EXPECT_TRUE(rightHasSignal);
}
} // namespace

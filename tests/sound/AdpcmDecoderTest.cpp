// IMA and Microsoft ADPCM: files made by sox and ffmpeg decode sample for sample as sox decodes
// them; hand-made blocks cover the header rules and hostile values.
#include <gtest/gtest.h>

#include <memory>

#include "sound/DecompressImaAdpcmMs.h"
#include "sound/DecompressMsAdpcm.h"
#include "sound/SoundFile.h"
#include "support/SoundFixtures.h"

using namespace soundtest;

namespace
{
class AdpcmReference : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new TempFolder();
        const std::string d = s_dir->Path();
        s_ready =
            RunCommand("cd " + d +
                       " && sox -n -r 22050 -c 1 -b 16 mono.wav synth 1 sine 1000 gain -6"
                       " && sox -n -r 22050 -c 2 -b 16 stereo.wav synth 1 sine 1000 sine 1500 gain -6"
                       " && sox mono.wav -e ima-adpcm ima_sox_mono.wav"
                       " && sox stereo.wav -e ima-adpcm ima_sox_stereo.wav"
                       " && sox mono.wav -e ms-adpcm ms_sox_mono.wav"
                       " && sox stereo.wav -e ms-adpcm ms_sox_stereo.wav"
                       " && ffmpeg -loglevel error -y -i mono.wav -c:a adpcm_ima_wav ima_ff_mono.wav"
                       " && ffmpeg -loglevel error -y -i stereo.wav -c:a adpcm_ima_wav ima_ff_stereo.wav"
                       " && ffmpeg -loglevel error -y -i mono.wav -c:a adpcm_ms ms_ff_mono.wav"
                       " && ffmpeg -loglevel error -y -i stereo.wav -c:a adpcm_ms ms_ff_stereo.wav");
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    // Loads an encoded file and sox's decoding of it (interleaved 16-bit samples).
    static void Load(const std::string& name, CSoundFile& sound, std::vector<int16_t>& reference)
    {
        const std::string path = s_dir->File(name);
        ASSERT_TRUE(RunCommand("sox " + path + " -t raw -e signed -b 16 " + path + ".raw"));
        reference = ReadRawS16(path + ".raw");
        Bytes file = ReadFileBytes(path);
        ASSERT_TRUE(sound.LoadFromMemory(static_cast<uint32_t>(file.size()), file.data()));
    }

    static TempFolder* s_dir;
    static bool s_ready;
};

TempFolder* AdpcmReference::s_dir = nullptr;
bool AdpcmReference::s_ready = false;

const char* const kEncodedFiles[] = {"ima_sox_mono.wav",  "ima_sox_stereo.wav", "ms_sox_mono.wav",
                                     "ms_sox_stereo.wav", "ima_ff_mono.wav",    "ima_ff_stereo.wav",
                                     "ms_ff_mono.wav",    "ms_ff_stereo.wav"};
} // namespace

TEST_F(AdpcmReference, WholeSoundMatchesSox)
{
    ASSERT_TRUE(s_ready) << "sox or ffmpeg failed to make the fixtures";
    for (const char* name : kEncodedFiles)
    {
        SCOPED_TRACE(name);
        CSoundFile sound;
        std::vector<int16_t> reference;
        Load(name, sound, reference);
        const uint16_t channels = sound.GetOutputFormat().channels;
        CAbstractDecompressor* d = sound.GetDecoder();
        const uint32_t length = d->GetLength();
        // Only whole blocks play: the length is a multiple of the block's samples and lies
        // within one block of what sox decodes.
        ASSERT_GT(length, 0u);
        ASSERT_LE(size_t{length} * channels, reference.size() + 0u);
        EXPECT_EQ(length % dynamic_cast<CAdpcmDecompressor*>(d)->GetSamplesPerBlock(), 0u);

        std::vector<int16_t> ours = DecodeS16(sound, 0, length, channels == 2);
        if (channels == 1)
        {
            std::vector<int16_t> want(reference.begin(), reference.begin() + length);
            ASSERT_EQ(ours, want);
            // The mono sound doubled to stereo.
            std::vector<int16_t> doubled = DecodeS16(sound, 0, length, true);
            for (uint32_t i = 0; i < length; ++i)
                ASSERT_TRUE(doubled[2 * i] == want[i] && doubled[2 * i + 1] == want[i]) << "frame " << i;
        }
        else
        {
            std::vector<int16_t> want(reference.begin(), reference.begin() + 2 * size_t{length});
            ASSERT_EQ(ours, want);
            std::vector<int16_t> mono = DecodeS16(sound, 0, length, false);
            for (uint32_t i = 0; i < length; ++i)
                ASSERT_EQ(mono[i], (want[2 * i] + want[2 * i + 1]) >> 1) << "frame " << i;
        }
    }
}

// Ranges that start and end inside blocks, forwards and backwards, give the same samples as
// decoding the whole sound.
TEST_F(AdpcmReference, AnyRangeMatchesTheWholeDecoding)
{
    ASSERT_TRUE(s_ready);
    for (const char* name : {"ima_sox_stereo.wav", "ms_ff_mono.wav"})
    {
        SCOPED_TRACE(name);
        CSoundFile sound;
        std::vector<int16_t> reference;
        Load(name, sound, reference);
        const uint32_t length = sound.GetDecoder()->GetLength();
        std::vector<int16_t> whole = DecodeS16(sound, 0, length, true);
        const uint32_t ranges[][2] = {{1000, 200}, {0, 1}, {length - 7, 7}, {3, 5000}, {200, 3000}, {17, 1}};
        for (const auto& r : ranges)
        {
            std::vector<int16_t> part = DecodeS16(sound, r[0], r[1], true);
            std::vector<int16_t> want(whole.begin() + 2 * size_t{r[0]},
                                      whole.begin() + 2 * size_t{r[0] + r[1]});
            ASSERT_EQ(part, want) << "frames " << r[0] << "+" << r[1];
        }
    }
}

namespace
{
Bytes ImaFormat(uint16_t channels, uint16_t samplesPerBlock)
{
    Bytes extra;
    PutU16(extra, samplesPerBlock);
    return Chunk("fmt ", FormatBody(17, channels, 8000, 512, 4, extra));
}

// One mono IMA block of 512 bytes: header sample, step index, reserved byte, then all codes 0.
Bytes ImaBlock(uint8_t lo, uint8_t hi, uint8_t index = 0, uint8_t reserved = 0)
{
    Bytes block(512, 0);
    block[0] = lo;
    block[1] = hi;
    block[2] = index;
    block[3] = reserved;
    return block;
}

std::unique_ptr<CSoundFile> LoadBytes(const Bytes& file)
{
    auto sound = std::make_unique<CSoundFile>();
    EXPECT_TRUE(sound->LoadFromMemory(static_cast<uint32_t>(file.size()), file.data()));
    return sound;
}
} // namespace

TEST(ImaAdpcm, BlockGeometryDropsTheTrailingPartialBlock)
{
    Bytes data(10000, 0);
    auto sound = LoadBytes(Riff({ImaFormat(1, 1017), Chunk("data", data)}));
    auto* d = dynamic_cast<CAdpcmDecompressor*>(sound->GetDecoder());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetBlockBytes(), 512u);
    EXPECT_EQ(d->GetBlockCount(), 19u);
    EXPECT_EQ(d->GetLength(), 19323u);
    EXPECT_EQ(d->GetMonoSize(), 19323u * 2);
    EXPECT_EQ(d->GetStereoSize(), 19323u * 4);
}

TEST(ImaAdpcm, SamplesPerBlockMustFitTheLayout)
{
    struct Case
    {
        uint16_t channels;
        uint16_t samplesPerBlock;
        bool ok;
    };
    const Case cases[] = {{1, 1017, true}, {2, 505, true},  {1, 1, true},   {1, 1000, false},
                          {1, 0, false},   {3, 505, false}, {0, 505, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.channels << " channels, " << c.samplesPerBlock);
        Bytes file = Riff({ImaFormat(c.channels, c.samplesPerBlock), Chunk("data", Bytes(1024, 0))});
        CSoundFile sound;
        // A decoder that refuses the format leaves the block to the MPEG reader, which fails too.
        EXPECT_EQ(sound.LoadFromMemory(static_cast<uint32_t>(file.size()), file.data()), c.ok);
    }
}

TEST(ImaAdpcm, HeaderSampleIsSignedLittleEndian)
{
    struct Case
    {
        uint8_t lo;
        uint8_t hi;
        int16_t first;
    };
    const Case cases[] = {{0xFF, 0x00, 255}, {0x00, 0x80, -32768}, {0xFF, 0x7F, 32767}};
    for (const Case& c : cases)
    {
        auto sound = LoadBytes(Riff({ImaFormat(1, 1017), Chunk("data", ImaBlock(c.lo, c.hi))}));
        EXPECT_EQ(DecodeS16(*sound, 0, 1, false)[0], c.first);
    }
}

// A block that fails keeps the samples of the block before it; before any good block the
// samples are silence.
TEST(ImaAdpcm, FailedBlocksRepeatTheLastGoodOneOrSilence)
{
    struct Case
    {
        const char* name;
        Bytes second;
    };
    const Case cases[] = {{"reserved byte set", ImaBlock(0x10, 0x27, 0, 1)},
                          {"step index above 88", ImaBlock(0x10, 0x27, 89, 0)},
                          {"short block", Bytes(300, 0)}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Bytes data = ImaBlock(0x00, 0x10, 10); // 4096, then codes 0 drift upward
        Append(data, c.second);
        auto sound = LoadBytes(Riff({ImaFormat(1, 1017), Chunk("data", data)}));
        std::vector<int16_t> first = DecodeS16(*sound, 0, 1017, false);
        EXPECT_EQ(first[0], 4096);
        if (c.second.size() == 512)
        {
            EXPECT_EQ(DecodeS16(*sound, 1017, 1017, false), first);
        }
    }

    Bytes bad = ImaBlock(0x10, 0x27, 0, 7);
    Append(bad, ImaBlock(0x00, 0x10));
    auto sound = LoadBytes(Riff({ImaFormat(1, 1017), Chunk("data", bad)}));
    EXPECT_EQ(DecodeS16(*sound, 0, 1017, false), std::vector<int16_t>(1017, 0));
    EXPECT_EQ(DecodeS16(*sound, 1017, 1, false)[0], 4096);
}

TEST(ImaAdpcm, StepClampsPredictorAndIndex)
{
    ImaAdpcmState state{32760, 88};
    EXPECT_EQ(ImaAdpcmStep(state, 0x7), 32767);
    EXPECT_EQ(state.index, 88);
    state = {-32760, 88};
    EXPECT_EQ(ImaAdpcmStep(state, 0xF), -32768);
    state = {0, 0};
    // Step 7: 7 >> 3 = 0, plus 7 >> 2 = 1 for bit 0, index - 1 clamps at 0.
    EXPECT_EQ(ImaAdpcmStep(state, 0x1), 1);
    EXPECT_EQ(state.index, 0);
    EXPECT_EQ(ImaAdpcmStep(state, 0x4), 1 + 0 + 7);
    EXPECT_EQ(state.index, 2);
}

namespace
{
// A Microsoft ADPCM format with the given coefficient pairs; `declared` is the count field.
Bytes MsFormat(uint16_t channels, uint16_t samplesPerBlock, uint16_t declared,
               const std::vector<std::pair<int16_t, int16_t>>& pairs)
{
    Bytes extra;
    PutU16(extra, samplesPerBlock);
    PutU16(extra, declared);
    for (const auto& p : pairs)
    {
        PutU16(extra, static_cast<uint16_t>(p.first));
        PutU16(extra, static_cast<uint16_t>(p.second));
    }
    return Chunk("fmt ", FormatBody(2, channels, 8000, 1024, 4, extra));
}

// A mono block: predictor index, delta, sample 1, sample 2, then `fill` in every code byte.
Bytes MsMonoBlock(uint32_t blockBytes, uint8_t predictor, int16_t delta, int16_t s1, int16_t s2, uint8_t fill)
{
    Bytes block(blockBytes, fill);
    block[0] = predictor;
    block[1] = static_cast<uint8_t>(delta);
    block[2] = static_cast<uint8_t>(static_cast<uint16_t>(delta) >> 8);
    block[3] = static_cast<uint8_t>(s1);
    block[4] = static_cast<uint8_t>(static_cast<uint16_t>(s1) >> 8);
    block[5] = static_cast<uint8_t>(s2);
    block[6] = static_cast<uint8_t>(static_cast<uint16_t>(s2) >> 8);
    return block;
}
} // namespace

TEST(MsAdpcm, BlockGeometry)
{
    struct Case
    {
        uint16_t channels;
        uint16_t samplesPerBlock;
        uint32_t blockBytes;
    };
    const Case cases[] = {{2, 1012, 1024}, {1, 2036, 1024}, {1, 2, 7}, {2, 2, 14}};
    for (const Case& c : cases)
    {
        Bytes file =
            Riff({MsFormat(c.channels, c.samplesPerBlock, 1, {{256, 0}}), Chunk("data", Bytes(2048, 0))});
        auto sound = LoadBytes(file);
        auto* d = dynamic_cast<CAdpcmDecompressor*>(sound->GetDecoder());
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->GetBlockBytes(), c.blockBytes);
        EXPECT_EQ(d->GetBlockCount(), 2048u / c.blockBytes);
    }
}

TEST(MsAdpcm, HeaderOrderAndPrediction)
{
    // Coefficients (512, -256): predicted = 2 x sample 1 - sample 2, codes 0 add nothing.
    Bytes file =
        Riff({MsFormat(1, 8, 1, {{512, -256}}), Chunk("data", MsMonoBlock(10, 0, 16, 30, 10, 0x00))});
    auto sound = LoadBytes(file);
    EXPECT_EQ(DecodeS16(*sound, 0, 8, false), (std::vector<int16_t>{10, 30, 50, 70, 90, 110, 130, 150}));
}

// The coefficient count is bounded by what the "fmt " chunk holds: a predictor index past the
// stored pairs fails the block instead of reading coefficients from beyond the chunk.
TEST(MsAdpcm, CoefficientCountIsBoundedByTheFormatChunk)
{
    Bytes file = Riff(
        {MsFormat(1, 8, 200, {{256, 0}, {512, -256}}), Chunk("data", MsMonoBlock(10, 5, 16, 30, 10, 0x11))});
    auto sound = LoadBytes(file);
    auto* d = dynamic_cast<CDecompressMsAdpcm*>(sound->GetDecoder());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetCoefficientCount(), 2u);
    EXPECT_EQ(DecodeS16(*sound, 0, 8, false), std::vector<int16_t>(8, 0));
}

// Codes of +7 multiply the delta by 3 each time; a long block of them must neither overflow nor
// leave the 16-bit range.
TEST(MsAdpcm, HostileDeltaSaturates)
{
    const uint16_t samplesPerBlock = 2036;
    Bytes file = Riff({MsFormat(1, samplesPerBlock, 1, {{256, 0}}),
                       Chunk("data", MsMonoBlock(1024, 0, 32767, 0, 0, 0x77))});
    auto sound = LoadBytes(file);
    std::vector<int16_t> out = DecodeS16(*sound, 0, samplesPerBlock, false);
    EXPECT_EQ(out[2], 32767);
    EXPECT_EQ(out.back(), 32767);

    Bytes negative = Riff({MsFormat(1, samplesPerBlock, 1, {{256, 0}}),
                           Chunk("data", MsMonoBlock(1024, 0, -32768, 0, 0, 0x88))});
    auto sound2 = LoadBytes(negative);
    out = DecodeS16(*sound2, 0, samplesPerBlock, false);
    EXPECT_EQ(out.back(), -32768);
}

TEST(MsAdpcm, StereoHeaderInterleavesChannels)
{
    // 14-byte header: indices, deltas, samples 1, samples 2 (left then right each).
    Bytes block(14 + 4, 0);
    const int16_t header[] = {0, 16, 16, 100, -100, 50, -50};
    block[0] = 0;
    block[1] = 0;
    for (int i = 1; i < 7; ++i)
    {
        block[2 * i] = static_cast<uint8_t>(header[i]);
        block[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(header[i]) >> 8);
    }
    // Coefficients (256, 0): each sample repeats sample 1 plus code x delta; left codes +1, right -1.
    for (size_t i = 14; i < block.size(); ++i)
        block[i] = 0x1F;
    Bytes file = Riff({MsFormat(2, 6, 1, {{256, 0}}), Chunk("data", block)});
    auto sound = LoadBytes(file);
    EXPECT_EQ(DecodeS16(*sound, 0, 4, true),
              (std::vector<int16_t>{50, -50, 100, -100, 116, -116, 132, -132}));
}

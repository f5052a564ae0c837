// Our decode of real encoders' streams, sample by sample against mpg123's float output.
#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <string>

#include "support/LayerOneWriter.h"
#include "support/LayerThreeWriter.h"
#include "support/MpegFixtures.h"

using namespace mpegtest;

namespace
{
struct EncodedCase
{
    const char* name;
    int rate;
    int channels;
    // Shell command with {in} and {out}; {in} is a WAVE file of test signal at rate/channels.
    const char* encode;
};

void PrintTo(const EncodedCase& c, std::ostream* os)
{
    *os << c.name;
}

// Noise, a tone and pink noise: every Huffman table, block switching at the transitions. The
// band stays below the top sub-band, which the decoder leaves out by design (lines above
// 24 kHz x 31 / 32 of the sampling rate are never heard).
std::string MakeSignal(const TempFolder& dir, int rate, int channels)
{
    std::string path = dir.File("in.wav");
    int top = rate * 26 / 64; // inside sub-band 26, clear of the top sub-bands
    std::string cmd =
        "sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b 16 '" + path +
        "' synth 0.6 whitenoise gain -12 : synth 0.5 sine 1000 gain -6 : synth 0.4 pinknoise gain -3 "
        "sinc -" +
        std::to_string(top);
    return RunShell(cmd) ? path : std::string();
}

std::string Substitute(std::string text, const std::string& key, const std::string& value)
{
    for (size_t at; (at = text.find(key)) != std::string::npos;)
        text.replace(at, key.size(), value);
    return text;
}

class ReferenceDecode : public ::testing::TestWithParam<EncodedCase>
{
};

TEST_P(ReferenceDecode, MatchesMpg123WithinHalfAnLsb)
{
    const EncodedCase& c = GetParam();
    TempFolder dir;
    ASSERT_TRUE(dir.Ok());
    std::string in = MakeSignal(dir, c.rate, c.channels);
    ASSERT_FALSE(in.empty()) << "sox failed";
    std::string out = dir.File("stream.mp");
    ASSERT_TRUE(RunShell(Substitute(Substitute(c.encode, "{in}", "'" + in + "'"), "{out}", "'" + out + "'")))
        << "encoder failed";

    std::vector<uint8_t> bytes = ReadFileBytes(out);
    auto stream = OpenStream(bytes);
    ASSERT_TRUE(stream->ok);
    EXPECT_EQ(stream->channels, c.channels);
    EXPECT_EQ(stream->rate, static_cast<uint32_t>(c.rate));
    std::vector<int16_t> ours = DecodeAll(*stream);
    EXPECT_TRUE(DecodeAllScalar(*stream) == ours) << "the scalar twins decode differently";
    std::vector<float> reference = Mpg123Decode(out);
    ASSERT_FALSE(reference.empty());
    // Same stream, same frames: the sample counts agree exactly.
    EXPECT_EQ(ours.size(), reference.size());
    Difference d = Compare(ours, reference);
    EXPECT_LT(d.rmsLsb, 0.5);
    EXPECT_LE(d.maxLsb, 2);
    EXPECT_GT(d.compared, 10000u);
}

const EncodedCase kEncodedCases[] = {
    {"Mpeg1Layer3JointStereo", 44100, 2, "lame --quiet -t -b 128 {in} {out}"},
    {"Mpeg1Layer3FullStereo48k", 48000, 2, "lame --quiet -t -m s -b 192 {in} {out}"},
    {"Mpeg1Layer3Mono32k", 32000, 1, "lame --quiet -t -m m -b 64 {in} {out}"},
    {"Mpeg1Layer3NoReservoir", 44100, 2, "lame --quiet -t --nores -b 128 {in} {out}"},
    {"Mpeg1Layer3Vbr", 44100, 2, "lame --quiet -t -V 2 {in} {out}"},
    {"Mpeg1Layer3WithCrc", 44100, 2, "lame --quiet -t -p -b 160 {in} {out}"},
    {"Mpeg1Layer3Id3Tags", 44100, 2,
     "lame --quiet -t --add-id3v2 --pad-id3v2-size 300 --tt Title {in} {out}"},
    {"Mpeg2Layer3Stereo22k", 22050, 2, "lame --quiet -t -b 64 {in} {out}"},
    {"Mpeg2Layer3Mono16k", 16000, 1, "lame --quiet -t -b 32 {in} {out}"},
    {"Mpeg2Layer3Stereo24k", 24000, 2, "lame --quiet -t -b 64 {in} {out}"},
    // At 8 kHz lame codes small values up to line 574; the top sub-band (lines 558 and up) is
    // never decoded here, so the encoder's own low-pass keeps the comparison to what is decoded.
    {"Mpeg25Layer3Mono8k", 8000, 1, "lame --quiet -t -b 16 --lowpass 3 {in} {out}"},
    {"Mpeg25Layer3Stereo11k", 11025, 2, "lame --quiet -t -b 32 {in} {out}"},
    {"Mpeg25Layer3Stereo12k", 12000, 2, "lame --quiet -t -b 32 {in} {out}"},
    {"Mpeg1Layer2Stereo48k", 48000, 2, "twolame --quiet -b 192 {in} {out}"},
    {"Mpeg1Layer2Joint", 44100, 2, "twolame --quiet -m j -b 128 {in} {out}"},
    {"Mpeg1Layer2Mono", 44100, 1, "twolame --quiet -m m -b 64 {in} {out}"},
    {"Mpeg1Layer2LowRate32k", 32000, 2, "twolame --quiet -b 64 {in} {out}"},
    {"Mpeg1Layer2WithCrc", 44100, 2, "twolame --quiet --protect -b 224 {in} {out}"},
    {"Mpeg2Layer2Mono24k", 24000, 1, "twolame --quiet -b 64 {in} {out}"},
    {"Mpeg2Layer2Stereo16k", 16000, 2, "twolame --quiet -b 32 {in} {out}"},
    // 56 kbit/s per channel uses the 27-sub-band table, 96 kbit/s the 30-sub-band one: each frame
    // is read with the table of its own bitrate.
    {"Mpeg1Layer2BitrateMovesToAnotherTable", 44100, 2,
     "twolame --quiet -b 112 {in} {out}.a && twolame --quiet -b 192 {in} {out}.b && cat {out}.a {out}.b > "
     "{out}"},
    {"FfmpegLayer2", 44100, 2, "ffmpeg -loglevel error -y -i {in} -c:a mp2 -b:a 128k -f mp2 {out}"},
    {"FfmpegLayer2Mpeg2", 22050, 1, "ffmpeg -loglevel error -y -i {in} -c:a mp2 -b:a 64k -f mp2 {out}"},
};

INSTANTIATE_TEST_SUITE_P(Encoders, ReferenceDecode, ::testing::ValuesIn(kEncodedCases),
                         [](const ::testing::TestParamInfo<EncodedCase>& info) { return info.param.name; });

TEST(ReferenceDecodeTone, SixDbBelowFullScaleHasSnrAbove85Db)
{
    TempFolder dir;
    std::string in = dir.File("tone.wav"), out = dir.File("tone.mp3");
    ASSERT_TRUE(RunShell("sox -n -r 44100 -c 2 -b 16 '" + in + "' synth 1 sine 1000 gain -6"));
    ASSERT_TRUE(RunShell("lame --quiet -t -b 128 '" + in + "' '" + out + "'"));
    auto stream = OpenStream(ReadFileBytes(out));
    ASSERT_TRUE(stream->ok);
    Difference d = Compare(DecodeAll(*stream), Mpg123Decode(out));
    EXPECT_GE(d.snrDb, 85.0);
}

// Layer I: streams from the test's own frame writer, in the modes the writer covers.
struct LayerOneCase
{
    const char* name;
    LayerOneParams params;
};

void PrintTo(const LayerOneCase& c, std::ostream* os)
{
    *os << c.name;
}

class LayerOneReference : public ::testing::TestWithParam<LayerOneCase>
{
};

TEST_P(LayerOneReference, MatchesMpg123WithinHalfAnLsb)
{
    const LayerOneParams& p = GetParam().params;
    // A different tone in each of the lower sub-bands, quieter in the right channel.
    auto signal = [](int ch, int frame, int slot, int sb) -> double
    {
        if (sb > 12)
            return 0.0;
        double t = frame * 12 + slot;
        return (ch ? 0.1 : 0.2) * std::sin(0.05 * (sb + 1) * t + sb) / (1 + sb % 5);
    };
    TempFolder dir;
    std::string path = dir.File("layer1.mp1");
    std::vector<uint8_t> bytes = WriteLayerOne(p, 60, signal);
    ASSERT_FALSE(bytes.empty());
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    auto stream = OpenStream(ReadFileBytes(path));
    ASSERT_TRUE(stream->ok);
    EXPECT_EQ(stream->decoder->GetLength(), 60u * 384);
    std::vector<int16_t> ours = DecodeAll(*stream);
    EXPECT_TRUE(DecodeAllScalar(*stream) == ours) << "the scalar twins decode differently";
    std::vector<float> reference = Mpg123Decode(path);
    EXPECT_EQ(ours.size(), reference.size());
    Difference d = Compare(ours, reference);
    EXPECT_LT(d.rmsLsb, 0.5);
    EXPECT_LE(d.maxLsb, 2);
}

const LayerOneCase kLayerOneCases[] = {
    {"Stereo44k", {0, 0, 0, 14, 8, false}},
    {"JointStereoBound8", {1, 1, 0, 14, 6, false}},
    {"Mono48kWithCrc", {3, 0, 1, 10, 10, true}},
    {"Stereo32kFifteenBits", {0, 0, 2, 14, 15, false}},
};

INSTANTIATE_TEST_SUITE_P(Writer, LayerOneReference, ::testing::ValuesIn(kLayerOneCases),
                         [](const ::testing::TestParamInfo<LayerOneCase>& info) { return info.param.name; });
} // namespace

namespace
{
// Cases that only the test's own Layer III writer produces: intensity stereo (MPEG-1 and MPEG-2,
// alone and with mid/side), start, short, stop and mixed blocks with subblock gains.
struct WrittenCase
{
    const char* name;
    LayerThreeParams params;
};

void PrintTo(const WrittenCase& c, std::ostream* os)
{
    *os << c.name;
}

LayerThreeParams Params(int version, bool midSide, bool intensity, int blockType, bool mixed, int maxPosition,
                        unsigned seed)
{
    LayerThreeParams p;
    p.version = version;
    p.midSide = midSide;
    p.intensity = intensity;
    p.blockType = blockType;
    p.mixed = mixed;
    p.maxPosition = maxPosition;
    p.seed = seed;
    if (blockType == 2)
    {
        p.subblockGain[0] = 0;
        p.subblockGain[1] = 1;
        p.subblockGain[2] = 3;
    }
    if (version != 1)
        p.lines = 120;
    return p;
}

class WrittenLayerThree : public ::testing::TestWithParam<WrittenCase>
{
};

TEST_P(WrittenLayerThree, MatchesMpg123WithinHalfAnLsb)
{
    const LayerThreeParams& p = GetParam().params;
    TempFolder dir;
    std::string path = dir.File("written.mp3");
    std::vector<uint8_t> bytes = WriteLayerThree(p, 30);
    ASSERT_FALSE(bytes.empty());
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    auto stream = OpenStream(bytes);
    ASSERT_TRUE(stream->ok);
    std::vector<int16_t> ours = DecodeAll(*stream);
    EXPECT_TRUE(DecodeAllScalar(*stream) == ours) << "the scalar twins decode differently";
    std::vector<float> reference = Mpg123Decode(path);
    ASSERT_EQ(ours.size(), reference.size());
    Difference d = Compare(ours, reference);
    EXPECT_LT(d.rmsLsb, 0.5);
    EXPECT_LE(d.maxLsb, 2);
    // Both channels play something (with intensity the right one only through it).
    double level[2] = {};
    for (size_t i = 0; i < ours.size(); ++i)
        level[i % 2] += std::abs(ours[i]);
    EXPECT_GT(level[0] / (ours.size() / 2), 10.0);
    EXPECT_GT(level[1] / (ours.size() / 2), 10.0);
}

const WrittenCase kWrittenCases[] = {
    {"Mpeg1Intensity", Params(1, false, true, 0, false, 6, 1)},
    {"Mpeg1IntensityWithMidSide", Params(1, true, true, 0, false, 6, 2)},
    {"Mpeg1PositionSevenMeansNone", Params(1, false, true, 0, false, 7, 3)},
    {"Mpeg1PositionSevenWithMidSide", Params(1, true, true, 0, false, 7, 4)},
    {"Mpeg2Intensity", Params(2, false, true, 0, false, 7, 5)},
    {"Mpeg2IntensityWithMidSide", Params(2, true, true, 0, false, 7, 6)},
    {"Mpeg1MidSideShortBlocks", Params(1, true, false, 2, false, 0, 7)},
    {"Mpeg1MixedBlocks", Params(1, false, false, 2, true, 0, 8)},
    {"Mpeg1StartBlocks", Params(1, false, false, 1, false, 0, 9)},
    {"Mpeg1StopBlocks", Params(1, false, false, 3, false, 0, 10)},
    {"Mpeg2ShortBlocks", Params(2, false, false, 2, false, 0, 11)},
    {"Mpeg2MixedBlocks", Params(2, true, false, 2, true, 0, 12)},
    // At 8 kHz the long part of a mixed block (bands 0 to 5) ends at line 72, not 36.
    {"Mpeg25MixedBlocksAt8kHz", Params(3, false, false, 2, true, 0, 13)},
    {"Mpeg25ShortBlocksAt8kHz", Params(3, false, false, 2, false, 0, 14)},
    {"Mpeg25LongBlocksAt8kHz", Params(3, true, false, 0, false, 0, 15)},
    // Intensity in short blocks starts above each window's last non-zero band of the right
    // channel as coded, not as mid/side leaves it; in a mixed block it reaches into the long part
    // when no short window of the right channel holds a value.
    {"Mpeg1ShortBlocksWithIntensity", Params(1, false, true, 2, false, 6, 17)},
    {"Mpeg1ShortBlocksWithIntensityAndMidSide", Params(1, true, true, 2, false, 6, 24)},
    {"Mpeg2ShortBlocksWithIntensity", Params(2, false, true, 2, false, 7, 22)},
    {"Mpeg2ShortBlocksWithIntensityAndMidSide", Params(2, true, true, 2, false, 7, 19)},
    {"Mpeg1MixedBlocksWithIntensity", Params(1, false, true, 2, true, 6, 16)},
    {"Mpeg25IntensityAt8kHz", Params(3, false, true, 0, false, 7, 20)},
};

INSTANTIATE_TEST_SUITE_P(Writer, WrittenLayerThree, ::testing::ValuesIn(kWrittenCases),
                         [](const ::testing::TestParamInfo<WrittenCase>& info) { return info.param.name; });

// Four-bit intensity positions 8 to 15 are no more valid than 7: they decode exactly as 7 does
// (no intensity for the band), never as an index past the ratio tables.
TEST(IntensityPositions, AboveSevenDecodeAsSeven)
{
    for (bool midSide : {false, true})
    {
        LayerThreeParams high = Params(1, midSide, true, 0, false, 15, 9);
        LayerThreeParams seven = high;
        seven.writeSevenForHigher = true;
        auto a = OpenStream(WriteLayerThree(high, 20));
        auto b = OpenStream(WriteLayerThree(seven, 20));
        ASSERT_TRUE(a->ok && b->ok);
        EXPECT_EQ(DecodeAll(*a), DecodeAll(*b)) << "mid/side " << midSide;
    }
}
} // namespace

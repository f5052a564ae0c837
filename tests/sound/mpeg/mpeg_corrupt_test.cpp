// Damaged and hostile streams: they play what can be played, as silence where needed, or are
// refused; nothing reads or writes outside its buffers (run these under ASan and UBSan).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "sound/mpeg/MpegAudioDecoder.h"
#include "support/BitWriter.h"
#include "support/MpegFixtures.h"

using namespace mpegtest;

namespace
{
std::vector<uint8_t> Lame(const TempFolder& dir, const std::string& name, int rate, int channels,
                          const char* options)
{
    std::string in = dir.File(name + ".wav"), out = dir.File(name + ".mp3");
    if (!RunShell("sox -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -b 16 '" + in +
                  "' synth 1.3 sine 700 gain -6 : synth 0.5 whitenoise gain -15") ||
        !RunShell(std::string("lame --quiet -t ") + options + " '" + in + "' '" + out + "'"))
        return {};
    return ReadFileBytes(out);
}

// Decodes the whole stream in both layouts and in odd chunk sizes; returns the length.
uint32_t PlayEverything(const std::vector<uint8_t>& bytes)
{
    auto stream = OpenStream(bytes);
    if (!stream->ok)
        return 0;
    const uint32_t length = stream->decoder->GetLength();
    std::vector<int16_t> buffer(4000 * 2);
    for (uint32_t first = 0; first < length; first += 3999)
    {
        uint32_t n = length - first < 3999 ? length - first : 3999;
        EXPECT_EQ(stream->decoder->DecodeStereo(buffer.data(), first, n, false), n * 4);
        EXPECT_EQ(stream->decoder->DecodeMono(buffer.data(), length - first - n, n, false), n * 2);
    }
    return length;
}

// The count ends at the first frame that cannot be read; frames of another kind than the first
// count on with their own size (they play as silence).
TEST(MpegCorruptStream, LengthEndsBeforeTheFirstFrameThatCannotBeRead)
{
    TempFolder dir;
    std::vector<uint8_t> stereo = Lame(dir, "a", 44100, 2, "-b 128");
    std::vector<uint8_t> mono = Lame(dir, "b", 44100, 1, "-m m -b 64");
    std::vector<uint8_t> lsf = Lame(dir, "c", 22050, 2, "-b 64");
    std::vector<size_t> offsets = FrameOffsets(stereo);
    ASSERT_GT(offsets.size(), 60u);
    const uint32_t frames = static_cast<uint32_t>(offsets.size());

    struct Case
    {
        const char* name;
        std::vector<uint8_t> bytes;
        uint32_t expectedFrames;
    };
    std::vector<Case> cases;
    // Cut in the middle of the last frame: that frame is not counted.
    cases.push_back({"cut", std::vector<uint8_t>(stereo.begin(), stereo.end() - 100), frames - 1});
    // Frame 50's header destroyed.
    std::vector<uint8_t> damaged = stereo;
    std::memset(damaged.data() + offsets[50], 0, 4);
    cases.push_back({"damaged frame 50", damaged, 50});
    // The channel mode changes: a mono stream follows the stereo one.
    std::vector<uint8_t> modeChange = stereo;
    modeChange.insert(modeChange.end(), mono.begin(), mono.end());
    cases.push_back(
        {"stereo then mono", modeChange, frames + static_cast<uint32_t>(FrameOffsets(mono).size())});
    // The version and rate change: MPEG-2 at 22,050 Hz follows.
    std::vector<uint8_t> versionChange = stereo;
    versionChange.insert(versionChange.end(), lsf.begin(), lsf.end());
    cases.push_back(
        {"MPEG-1 then MPEG-2", versionChange, frames + static_cast<uint32_t>(FrameOffsets(lsf).size())});
    // Garbage after the stream.
    std::vector<uint8_t> trailing = stereo;
    for (int i = 0; i < 5000; ++i)
        trailing.push_back(static_cast<uint8_t>(i * 37 + 11));
    cases.push_back({"trailing garbage", trailing, frames});

    for (const Case& c : cases)
    {
        auto stream = OpenStream(c.bytes);
        ASSERT_TRUE(stream->ok) << c.name;
        EXPECT_EQ(stream->decoder->GetFrameCount(), c.expectedFrames) << c.name;
        EXPECT_EQ(PlayEverything(c.bytes), c.expectedFrames * 1152) << c.name;
    }
}

TEST(MpegCorruptStream, RandomDamageToFrameBodiesNeverBreaksDecoding)
{
    TempFolder dir;
    const std::vector<std::vector<uint8_t>> sources = {Lame(dir, "a", 44100, 2, "-b 128"),
                                                       Lame(dir, "b", 22050, 1, "-b 32"),
                                                       Lame(dir, "c", 8000, 2, "-b 24")};
    for (size_t s = 0; s < sources.size(); ++s)
    {
        const std::vector<uint8_t>& source = sources[s];
        std::vector<size_t> offsets = FrameOffsets(source);
        ASSERT_GT(offsets.size(), 10u);
        for (unsigned seed = 1; seed <= 6; ++seed)
        {
            std::vector<uint8_t> bytes = source;
            std::mt19937 random(seed);
            // Overwrite bytes anywhere but in the frame headers: side information, scale
            // factors, Huffman data and the reservoir pointers all get hit.
            for (size_t f = 0; f < offsets.size(); ++f)
            {
                size_t start = offsets[f] + 4;
                size_t end = f + 1 < offsets.size() ? offsets[f + 1] : bytes.size();
                for (size_t i = start; i < end; ++i)
                    if (random() % (seed * 4) == 0)
                        bytes[i] = static_cast<uint8_t>(random());
            }
            EXPECT_EQ(PlayEverything(bytes), offsets.size() * (s == 0 ? 1152u : 576u))
                << s << " seed " << seed;
        }
    }
}

TEST(MpegCorruptStream, GarbageIsRefusedOrPlayedSafely)
{
    for (unsigned seed = 1; seed <= 40; ++seed)
    {
        std::mt19937 random(seed);
        std::vector<uint8_t> bytes(2000 + random() % 6000);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(random());
        // Sprinkle plausible frame headers so that some streams get past the first check.
        for (size_t at = random() % 300; at + 4 < bytes.size(); at += 100 + random() % 900)
        {
            bytes[at] = 0xFF;
            bytes[at + 1] = static_cast<uint8_t>(0xE2 | (random() & 0x1D));
        }
        PlayEverything(bytes);
    }
    EXPECT_EQ(PlayEverything(std::vector<uint8_t>(100, 0xFF)), 0u); // fewer than 156 bytes
}

class FrameDecoder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        decoder = std::make_unique<MpegAudioDecoder>();
        MpegDecoderInit(*decoder);
    }

    // An MPEG-1 stereo Layer III frame (128 kbit/s, 417 bytes) whose side information is given.
    static std::vector<uint8_t> Layer3Frame(uint32_t mainDataBegin, uint32_t part23, uint32_t bigValues,
                                            uint32_t region0, uint32_t region1, const uint32_t (&tables)[3],
                                            int modeExtension)
    {
        BitWriter w;
        w.Put(0xFFFB90, 24);
        w.Put(static_cast<uint32_t>(0x40 | (modeExtension << 4)), 8); // joint stereo
        w.Put(mainDataBegin, 9);
        w.Put(0, 3);
        w.Put(0, 8); // scfsi
        for (int gr = 0; gr < 2; ++gr)
            for (int ch = 0; ch < 2; ++ch)
            {
                w.Put(part23, 12);
                w.Put(bigValues, 9);
                w.Put(210, 8);
                w.Put(15, 4); // scalefac_compress: slen 4 and 3
                w.Put(0, 1);  // no window switching
                for (uint32_t t : tables)
                    w.Put(t, 5);
                w.Put(region0, 4);
                w.Put(region1, 3);
                w.Put(0, 3);
            }
        std::vector<uint8_t> frame = w.Bytes();
        std::mt19937 random(5);
        while (frame.size() < 417)
            frame.push_back(static_cast<uint8_t>(random())); // main data: arbitrary bits
        return frame;
    }

    bool Decode(const std::vector<uint8_t>& frame, int16_t* output, uint32_t outputBytes)
    {
        MpegDecodeRecord record;
        if (!MpegCheckHeader(frame.data(), record.header))
            return false;
        if (!decoder->started && !MpegDecodeStart(*decoder, record.header))
            return false;
        record.input = frame.data();
        record.inputSize = static_cast<uint32_t>(frame.size());
        record.output = output;
        record.outputSize = outputBytes;
        return MpegDecodeFrame(*decoder, record);
    }

    std::unique_ptr<MpegAudioDecoder> decoder;
};

TEST_F(FrameDecoder, NeverWritesPastTheOutputItIsGiven)
{
    const uint32_t tables[3] = {15, 24, 31};
    std::vector<uint8_t> frame = Layer3Frame(0, 3000, 200, 5, 3, tables, 2);
    std::vector<int16_t> output(2304 + 16, 0x1234);
    EXPECT_FALSE(Decode(frame, output.data(), 4607)); // one byte short of the frame's output
    EXPECT_TRUE(std::all_of(output.begin(), output.end(), [](int16_t v) { return v == 0x1234; }));
    EXPECT_TRUE(Decode(frame, output.data(), 4608));
    EXPECT_TRUE(std::all_of(output.begin() + 2304, output.end(), [](int16_t v) { return v == 0x1234; }));

    // A frame of another kind than the first (here MPEG-2 at 22,050 Hz) is refused untouched.
    std::vector<uint8_t> other = frame;
    other[1] = 0xF3;
    other[2] = 0x80;
    std::fill(output.begin(), output.end(), 0x1234);
    EXPECT_FALSE(Decode(other, output.data(), static_cast<uint32_t>(output.size() * 2)));
    EXPECT_TRUE(std::all_of(output.begin(), output.end(), [](int16_t v) { return v == 0x1234; }));
}

TEST_F(FrameDecoder, HostileSideInformationDecodesSafely)
{
    struct Case
    {
        const char* name;
        uint32_t mainDataBegin, part23, bigValues, region0, region1;
        uint32_t tables[3];
        int modeExtension;
    };
    const Case cases[] = {
        {"regions past the band table", 0, 4095, 511, 15, 7, {1, 2, 3}, 0},
        {"missing tables 4 and 14", 0, 2000, 288, 3, 3, {4, 14, 4}, 2},
        {"part 2 and 3 far beyond the frame", 0, 4095, 288, 7, 7, {24, 31, 16}, 3},
        {"intensity and mid/side with large factors", 0, 1500, 100, 2, 2, {15, 13, 24}, 3},
        {"no data at all", 0, 0, 0, 0, 0, {0, 0, 0}, 1},
    };
    for (const Case& c : cases)
    {
        SetUp();
        std::vector<uint8_t> frame = Layer3Frame(c.mainDataBegin, c.part23, c.bigValues, c.region0, c.region1,
                                                 c.tables, c.modeExtension);
        std::vector<int16_t> output(2304);
        for (int repeat = 0; repeat < 3; ++repeat)
            EXPECT_TRUE(Decode(frame, output.data(), 4608)) << c.name;
    }
}

TEST_F(FrameDecoder, FrameWhoseMainDataIsNotInTheReservoirIsSilence)
{
    const uint32_t tables[3] = {1, 1, 1};
    std::vector<uint8_t> frame = Layer3Frame(300, 100, 10, 1, 1, tables, 0);
    std::vector<int16_t> output(2304, 0x1234);
    ASSERT_TRUE(Decode(frame, output.data(), 4608));
    EXPECT_TRUE(std::all_of(output.begin(), output.end(), [](int16_t v) { return v == 0; }));
}
} // namespace

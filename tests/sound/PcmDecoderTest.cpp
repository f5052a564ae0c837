// 8-bit and 16-bit PCM: every source layout decoded to mono and to stereo.
#include <gtest/gtest.h>

#include "sound/SoundFile.h"
#include "support/SoundFixtures.h"

using namespace soundtest;

namespace
{
CSoundFile* Load(const Bytes& file)
{
    auto* sound = new CSoundFile();
    EXPECT_TRUE(sound->LoadFromMemory(static_cast<uint32_t>(file.size()), file.data()));
    return sound;
}

Bytes Decode(CSoundFile& sound, uint32_t first, uint32_t count, bool stereo, uint32_t bytesPerSample)
{
    Bytes out(size_t{count} * (stereo ? 2 : 1) * bytesPerSample, 0xCD);
    CAbstractDecompressor* d = sound.GetDecoder();
    uint32_t written = stereo ? d->DecodeStereo(out.data(), first, count, false)
                              : d->DecodeMono(out.data(), first, count, false);
    EXPECT_EQ(written, out.size());
    return out;
}
} // namespace

TEST(PcmDecoder, ConvertsEveryLayout)
{
    struct Case
    {
        const char* name;
        uint16_t channels;
        uint16_t bits;
        Bytes data;
        uint32_t first;
        uint32_t count;
        bool stereo;
        Bytes expected;
    };
    const Bytes mono8{10, 20, 30, 40};
    const Bytes stereo8{10, 21, 30, 41, 255, 254};
    const Bytes mono16 = S16Bytes({100, -200, 300});
    const Bytes stereo16 = S16Bytes({-3, 0, 1000, 2000, -32768, -32767});
    const std::vector<Case> cases = {
        {"8-bit mono to mono", 1, 8, mono8, 1, 2, false, {20, 30}},
        {"8-bit mono to stereo doubles each byte", 1, 8, mono8, 2, 2, true, {30, 30, 40, 40}},
        {"8-bit stereo to mono averages", 2, 8, stereo8, 1, 2, false, {35, 254}},
        {"8-bit stereo to stereo", 2, 8, stereo8, 2, 1, true, {255, 254}},
        {"16-bit mono to mono", 1, 16, mono16, 1, 2, false, S16Bytes({-200, 300})},
        {"16-bit mono to stereo", 1, 16, mono16, 0, 2, true, S16Bytes({100, 100, -200, -200})},
        // The mean rounds toward minus infinity: (-3 + 0) >> 1 is -2.
        {"16-bit stereo to mono", 2, 16, stereo16, 0, 3, false, S16Bytes({-2, 1500, -32768})},
        {"16-bit stereo to stereo", 2, 16, stereo16, 1, 2, true, S16Bytes({1000, 2000, -32768, -32767})},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        std::unique_ptr<CSoundFile> sound(Load(PcmWave(c.channels, 8000, c.bits, c.data)));
        ASSERT_TRUE(sound->IsPlayable());
        EXPECT_EQ(Decode(*sound, c.first, c.count, c.stereo, c.bits / 8), c.expected);
    }
}

TEST(PcmDecoder, LengthAndSizesFollowTheBlockAlign)
{
    struct Case
    {
        const char* name;
        uint16_t channels;
        uint16_t bits;
        uint16_t blockAlign;
        uint32_t dataBytes;
        uint32_t length;
        uint32_t monoSize;
        uint32_t stereoSize;
    };
    const std::vector<Case> cases = {
        {"8-bit mono", 1, 8, 1, 101, 101, 101, 202},
        {"8-bit stereo, odd byte dropped", 2, 8, 2, 101, 50, 50, 100},
        {"16-bit stereo", 2, 16, 4, 402, 100, 200, 400},
        {"block align 0", 1, 16, 0, 100, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        Bytes file = Riff({Chunk("fmt ", FormatBody(1, c.channels, 8000, c.blockAlign, c.bits)),
                           Chunk("data", Bytes(c.dataBytes, 0))});
        std::unique_ptr<CSoundFile> sound(Load(file));
        CAbstractDecompressor* d = sound->GetDecoder();
        EXPECT_EQ(d->GetLength(), c.length);
        EXPECT_EQ(d->GetMonoSize(), c.monoSize);
        EXPECT_EQ(d->GetStereoSize(), c.stereoSize);
    }
}

// A header whose block align understates the frame size promises more frames than the data
// holds; what lies past the data is silence, never bytes from outside the data chunk.
TEST(PcmDecoder, FramesPastTheDataAreSilence)
{
    Bytes file = Riff({Chunk("fmt ", FormatBody(1, 2, 8000, 1, 16)), Chunk("data", S16Bytes({7, 8, 9, 10})),
                       Chunk("LIST", Bytes(64, 0x77))});
    std::unique_ptr<CSoundFile> sound(Load(file));
    CAbstractDecompressor* d = sound->GetDecoder();
    ASSERT_EQ(d->GetLength(), 8u);
    EXPECT_EQ(Decode(*sound, 0, 8, true, 2),
              []
              {
                  Bytes b = S16Bytes({7, 8, 9, 10});
                  b.resize(32, 0);
                  return b;
              }());

    Bytes file8 = Riff({Chunk("fmt ", FormatBody(1, 2, 8000, 1, 8)), Chunk("data", Bytes{1, 2, 3, 4}),
                        Chunk("LIST", Bytes(64, 0x77))});
    std::unique_ptr<CSoundFile> sound8(Load(file8));
    EXPECT_EQ(Decode(*sound8, 1, 3, true, 1), (Bytes{3, 4, 128, 128, 128, 128}));
}

TEST(PcmDecoder, SilenceMatchesTheSampleWidth)
{
    std::unique_ptr<CSoundFile> s8(Load(PcmWave(1, 8000, 8, Bytes(4, 0))));
    std::unique_ptr<CSoundFile> s16(Load(PcmWave(1, 8000, 16, Bytes(4, 0x11))));
    Bytes out(8, 0x55);
    EXPECT_EQ(s8->GetDecoder()->SilenceStereo(out.data(), 3), 6u);
    EXPECT_EQ(out, (Bytes{128, 128, 128, 128, 128, 128, 0x55, 0x55}));
    out.assign(8, 0x55);
    EXPECT_EQ(s16->GetDecoder()->SilenceMono(out.data(), 3), 6u);
    EXPECT_EQ(out, (Bytes{0, 0, 0, 0, 0, 0, 0x55, 0x55}));
}

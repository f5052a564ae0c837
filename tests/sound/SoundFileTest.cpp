// Containers and the choice of decoder: where the sample data lies in a block of bytes, and
// which blocks load at all.
#include <gtest/gtest.h>

#include "sound/DecompressImaAdpcmMs.h"
#include "sound/DecompressMsAdpcm.h"
#include "sound/DecompressPcm16Signed.h"
#include "sound/DecompressPcm8Unsigned.h"
#include "sound/MpegFile.h"
#include "sound/SoundFile.h"
#include "sound/WavFile.h"
#include "support/SoundFixtures.h"

using namespace soundtest;

namespace
{
Bytes Repeat(uint8_t value, size_t count)
{
    return Bytes(count, value);
}

Bytes Fmt16(uint16_t channels = 1)
{
    return Chunk("fmt ", FormatBody(1, channels, 8000, 2 * channels, 16));
}

// A chunk header with a size of our choosing and no body behind it.
Bytes RawHeader(const char* id, uint32_t size)
{
    Bytes out(id, id + 4);
    PutU32(out, size);
    return out;
}

struct WalkCase
{
    const char* name;
    Bytes file;
    uint16_t tag;
    uint32_t dataStart;
    uint32_t dataSize;
};

std::vector<WalkCase> WalkCases()
{
    const Bytes data100 = Repeat(0x11, 100);
    std::vector<WalkCase> cases;
    cases.push_back({"plain", Riff({Fmt16(), Chunk("data", data100)}), 1, 12 + 26 + 8, 100});
    cases.push_back({"fmt after data", Riff({Chunk("data", data100), Fmt16()}), 1, 20, 100});
    cases.push_back({"LIST between", Riff({Fmt16(), Chunk("LIST", Repeat(0, 30)), Chunk("data", data100)}), 1,
                     12 + 26 + 38 + 8, 100});
    // An odd chunk is followed by its pad byte; the walk must step over it to find "data".
    cases.push_back({"odd chunk padded", Riff({Fmt16(), Chunk("junk", Repeat(7, 5)), Chunk("data", data100)}),
                     1, 12 + 26 + 14 + 8, 100});
    cases.push_back({"odd data chunk",
                     Riff({Fmt16(), Chunk("data", Repeat(1, 99)), Chunk("LIST", Repeat(0, 4))}), 1, 46, 99});
    cases.push_back({"later data wins", Riff({Fmt16(), Chunk("data", Repeat(1, 10)), Chunk("data", data100)}),
                     1, 12 + 26 + 18 + 8, 100});
    cases.push_back({"no data chunk", Riff({Fmt16()}), 1, 0, 0});
    cases.push_back({"not RIFF", Bytes(64, 0x20), 0, 0, 0});
    cases.push_back({"RIFF but not WAVE",
                     []
                     {
                         Bytes b = Riff({Fmt16()});
                         b[8] = 'A';
                         return b;
                     }(),
                     0, 0, 0});
    cases.push_back(
        {"oversized fmt", Riff({Chunk("fmt ", Repeat(1, 300)), Chunk("data", data100)}), 0, 0, 0});
    // A size that does not fit a 32-bit offset must end the walk, not wrap it back.
    cases.push_back({"chunk size wraps",
                     [&]
                     {
                         Bytes b = Riff({Fmt16()});
                         Append(b, RawHeader("junk", 0xFFFFFFF0u));
                         Append(b, Chunk("data", data100));
                         return b;
                     }(),
                     1, 0, 0});
    // A streamed file: the data size says "as long as it goes".
    cases.push_back({"data size unknown",
                     [&]
                     {
                         Bytes b = Riff({Fmt16()});
                         Append(b, RawHeader("data", 0xFFFFFFFFu));
                         Append(b, data100);
                         return b;
                     }(),
                     1, 46, 100});
    cases.push_back({"data cut short",
                     [&]
                     {
                         Bytes b = Riff({Fmt16()});
                         Append(b, RawHeader("data", 1000));
                         Append(b, Repeat(3, 40));
                         return b;
                     }(),
                     1, 46, 40});
    cases.push_back({"header cut short",
                     [&]
                     {
                         Bytes b = Riff({Fmt16(), Chunk("data", data100)});
                         Append(b, Bytes{'L', 'I', 'S'});
                         return b;
                     }(),
                     1, 46, 100});
    return cases;
}
} // namespace

TEST(WavFile, ChunkWalkFindsFormatAndData)
{
    for (const WalkCase& c : WalkCases())
    {
        SCOPED_TRACE(c.name);
        bool ok = false;
        CReader reader(static_cast<uint32_t>(c.file.size()), c.file.data(), ok);
        ASSERT_TRUE(ok);
        CWavFile wave(&reader);
        EXPECT_EQ(ParseWaveFormat(wave.GetFormat()).formatTag, c.tag);
        EXPECT_EQ(wave.GetDataStart(), c.dataStart);
        EXPECT_EQ(wave.GetDataSize(), c.dataSize);
        EXPECT_LE(wave.GetDataEnd(), reader.GetSize());
        EXPECT_EQ(wave.GetPosition(), 0u);
        EXPECT_EQ(reader.GetPosition(), c.dataStart);
    }
}

TEST(WavFile, DataReadsStayInsideTheDataChunk)
{
    Bytes file = Riff({Fmt16(), Chunk("data", Bytes{1, 2, 3, 4, 5, 6}), Chunk("LIST", Repeat(0xEE, 20))});
    bool ok = false;
    CReader reader(static_cast<uint32_t>(file.size()), file.data(), ok);
    CWavFile wave(&reader);
    uint8_t out[32] = {};
    EXPECT_EQ(wave.Seek(4), 4u);
    EXPECT_EQ(wave.ReadData(32, out), 2u);
    EXPECT_EQ(out[0], 5);
    EXPECT_EQ(out[1], 6);
    EXPECT_EQ(wave.ReadData(32, out), 0u);
    EXPECT_EQ(wave.Seek(1000), 6u);
    // Another user moved the shared reader: the next data read still starts at the data position.
    wave.Seek(1);
    reader.Seek(0);
    EXPECT_EQ(wave.ReadData(2, out), 2u);
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[1], 3);
}

TEST(Reader, CopiesAndClampsEveryAccess)
{
    uint8_t bytes[4] = {9, 8, 7, 6};
    bool ok = false;
    CReader reader(4, bytes, ok);
    ASSERT_TRUE(ok);
    bytes[0] = 0; // the reader holds its own copy
    uint8_t out[8] = {};
    EXPECT_EQ(reader.Peek(8, out), 4u);
    EXPECT_EQ(out[0], 9);
    EXPECT_EQ(reader.Seek(3), 3u);
    EXPECT_EQ(reader.Read(8, out), 1u);
    EXPECT_EQ(out[0], 6);
    EXPECT_EQ(reader.Read(8, out), 0u);
    EXPECT_EQ(reader.Seek(0x1FFFFFFFFull), 4u);

    CReader empty(0, bytes, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(empty.GetSize(), 0u);
    EXPECT_EQ(empty.Read(4, out), 0u);
    CReader none(4, nullptr, ok);
    EXPECT_FALSE(ok);
}

namespace
{
// A raw stream of `size` bytes of 0x00 with frame sync pairs (FF FB) at the given offsets.
Bytes Stream(size_t size, std::initializer_list<size_t> syncs)
{
    Bytes b(size, 0);
    for (size_t at : syncs)
    {
        b[at] = 0xFF;
        b[at + 1] = 0xFB;
    }
    return b;
}

Bytes Id3v2(uint32_t bodySize)
{
    Bytes b{'I', 'D', '3', 4, 0, 0};
    b.push_back(static_cast<uint8_t>((bodySize >> 21) & 0x7F));
    b.push_back(static_cast<uint8_t>((bodySize >> 14) & 0x7F));
    b.push_back(static_cast<uint8_t>((bodySize >> 7) & 0x7F));
    b.push_back(static_cast<uint8_t>(bodySize & 0x7F));
    Append(b, Bytes(bodySize, 0x55));
    return b;
}

struct MpegCase
{
    const char* name;
    Bytes file;
    uint32_t dataStart;
    uint32_t dataEnd;
};

std::vector<MpegCase> MpegCases()
{
    std::vector<MpegCase> cases;
    cases.push_back({"sync at start", Stream(1000, {0}), 0, 1000});
    cases.push_back({"sync later in the first window", Stream(1000, {17}), 17, 1000});
    // The pair's second byte is the first byte after the window.
    cases.push_back({"sync at the window's last byte", Stream(1000, {255}), 255, 1000});
    cases.push_back({"sync in a later window", Stream(2000, {700}), 700, 2000});
    cases.push_back({"ID3v2 of 4096 bytes",
                     []
                     {
                         Bytes b = Id3v2(4096);
                         Append(b, Stream(1000, {0}));
                         return b;
                     }(),
                     4106, 5106});
    cases.push_back({"ID3v2 then padding",
                     []
                     {
                         Bytes b = Id3v2(4096);
                         Append(b, Stream(1000, {40}));
                         return b;
                     }(),
                     4146, 5106});
    cases.push_back({"ID3v1 at the end",
                     []
                     {
                         Bytes b = Stream(1000, {0});
                         Bytes tag(128, 0x20);
                         tag[0] = 'T';
                         tag[1] = 'A';
                         tag[2] = 'G';
                         Append(b, tag);
                         return b;
                     }(),
                     0, 1000});
    cases.push_back({"shorter than one window", Stream(255, {0}), 0, 0});
    cases.push_back({"ID3v2 larger than the block",
                     []
                     {
                         Bytes b = Id3v2(100);
                         b[6] = 0x7F; // claims about 256 MiB
                         Append(b, Stream(600, {0}));
                         return b;
                     }(),
                     0, 0});
    return cases;
}
} // namespace

TEST(MpegFile, FindsTheFirstFrameAndDropsTags)
{
    for (const MpegCase& c : MpegCases())
    {
        SCOPED_TRACE(c.name);
        bool ok = false;
        CReader reader(static_cast<uint32_t>(c.file.size()), c.file.data(), ok);
        ASSERT_TRUE(ok);
        CMpegFile stream(&reader);
        EXPECT_EQ(stream.GetFormat(), nullptr);
        EXPECT_EQ(stream.GetDataStart(), c.dataStart);
        EXPECT_EQ(stream.GetDataEnd(), c.dataEnd);
        EXPECT_EQ(stream.GetDataSize(), c.dataEnd - c.dataStart);
    }
}

TEST(MpegFile, StreamWithoutSyncEndsInsideTheBlock)
{
    Bytes file(5000, 0x12);
    bool ok = false;
    CReader reader(static_cast<uint32_t>(file.size()), file.data(), ok);
    CMpegFile stream(&reader);
    EXPECT_LE(stream.GetDataStart(), stream.GetDataEnd());
    EXPECT_LE(stream.GetDataEnd(), 5000u);
}

TEST(SoundFile, ChoosesTheDecoderByFormatTag)
{
    struct Case
    {
        const char* name;
        Bytes file;
        bool loads;
        bool (*isExpected)(CAbstractDecompressor*);
    };
    const Bytes adpcmData(512, 0);
    Bytes imaExtra;
    PutU16(imaExtra, 1017);
    Bytes msExtra;
    PutU16(msExtra, 1012);
    PutU16(msExtra, 1);
    PutU16(msExtra, 256);
    PutU16(msExtra, 0);
    const std::vector<Case> cases = {
        {"PCM 8", PcmWave(1, 8000, 8, Bytes(10, 128)), true,
         [](CAbstractDecompressor* d) { return dynamic_cast<CDecompressPcm8Unsigned*>(d) != nullptr; }},
        {"PCM 16", PcmWave(2, 8000, 16, Bytes(16, 0)), true,
         [](CAbstractDecompressor* d) { return dynamic_cast<CDecompressPcm16Signed*>(d) != nullptr; }},
        {"PCM 24 is read as 16", PcmWave(1, 8000, 24, Bytes(12, 0)), true,
         [](CAbstractDecompressor* d) { return dynamic_cast<CDecompressPcm16Signed*>(d) != nullptr; }},
        {"IMA ADPCM",
         Riff({Chunk("fmt ", FormatBody(17, 1, 8000, 512, 4, imaExtra)), Chunk("data", adpcmData)}), true,
         [](CAbstractDecompressor* d) { return dynamic_cast<CDecompressImaAdpcmMs*>(d) != nullptr; }},
        {"MS ADPCM",
         Riff({Chunk("fmt ", FormatBody(2, 2, 8000, 1024, 4, msExtra)), Chunk("data", Bytes(1024, 0))}), true,
         [](CAbstractDecompressor* d) { return dynamic_cast<CDecompressMsAdpcm*>(d) != nullptr; }},
        {"float is not decoded",
         Riff({Chunk("fmt ", FormatBody(3, 1, 8000, 4, 32)), Chunk("data", Bytes(8, 0))}), false, nullptr},
        {"IMA with a bad block size",
         []
         {
             Bytes extra;
             PutU16(extra, 1000);
             return Riff(
                 {Chunk("fmt ", FormatBody(17, 1, 8000, 512, 4, extra)), Chunk("data", Bytes(512, 0))});
         }(),
         false, nullptr},
        {"not a sound", Bytes(300, 0x41), false, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CSoundFile sound;
        EXPECT_EQ(sound.LoadFromMemory(static_cast<uint32_t>(c.file.size()), c.file.data()), c.loads);
        EXPECT_EQ(sound.IsPlayable(), c.loads);
        if (c.loads)
            EXPECT_TRUE(c.isExpected(sound.GetDecoder()));
        else
        {
            EXPECT_EQ(sound.GetReader(), nullptr);
            EXPECT_EQ(sound.GetOutputFormat().samplesPerSec, 0u);
        }
    }
}

TEST(SoundFile, FailedOpenKeepsTheReaderUntilClose)
{
    Bytes file(300, 0x41);
    bool ok = false;
    CSoundFile sound;
    sound.SetReader(new CReader(static_cast<uint32_t>(file.size()), file.data(), ok));
    EXPECT_FALSE(sound.Open());
    EXPECT_NE(sound.GetReader(), nullptr);
    EXPECT_EQ(sound.GetContainer(), nullptr);
    EXPECT_EQ(sound.GetDecoder(), nullptr);
    sound.Close();
    EXPECT_EQ(sound.GetReader(), nullptr);

    EXPECT_FALSE(sound.LoadFromMemory(0, file.data()));
    EXPECT_FALSE(sound.LoadFromMemory(10, nullptr));
}

TEST(SoundFile, OutputFormatIsThatOfTheDecoder)
{
    Bytes imaExtra;
    PutU16(imaExtra, 505);
    Bytes file =
        Riff({Chunk("fmt ", FormatBody(17, 2, 22050, 512, 4, imaExtra)), Chunk("data", Bytes(2048, 0))});
    CSoundFile sound;
    ASSERT_TRUE(sound.LoadFromMemory(static_cast<uint32_t>(file.size()), file.data()));
    const WaveFormat& f = sound.GetOutputFormat();
    EXPECT_EQ(f.formatTag, 1);
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.samplesPerSec, 22050u);
    EXPECT_EQ(f.bitsPerSample, 16);
    EXPECT_EQ(f.blockAlign, 4);
    EXPECT_EQ(f.avgBytesPerSec, 88200u);
    EXPECT_EQ(f.extraSize, 0);
}

// MPEG audio reaches its decoder through both containers: a WAVE file with format tag 85 and a
// raw stream behind an ID3v2 tag.
TEST(SoundFile, MpegSoundsLoadThroughBothContainers)
{
    TempFolder dir;
    ASSERT_TRUE(
        RunCommand("cd " + dir.Path() +
                   " && sox -n -r 22050 -c 1 -b 16 s.wav synth 1 sine 1000 gain -6"
                   " && lame --quiet -b 64 --id3v2-only --tt Title --pad-id3v2-size 4000 s.wav tagged.mp3"
                   " && ffmpeg -loglevel error -y -i s.wav -c:a libmp3lame -b:a 64k -f wav tag85.wav"));
    for (const char* name : {"tagged.mp3", "tag85.wav"})
    {
        SCOPED_TRACE(name);
        Bytes file = ReadFileBytes(dir.File(name));
        CSoundFile sound;
        ASSERT_TRUE(sound.LoadFromMemory(static_cast<uint32_t>(file.size()), file.data()));
        EXPECT_EQ(sound.GetOutputFormat().samplesPerSec, 22050u);
        EXPECT_EQ(sound.GetOutputFormat().bitsPerSample, 16);
        const uint32_t length = sound.GetDecoder()->GetLength();
        // One second plus the encoder's delay and padding.
        EXPECT_GE(length, 22050u);
        EXPECT_LE(length, 22050u + 4 * 1152u);
        // The middle half, away from the encoder's silent edges.
        std::vector<int16_t> pcm = DecodeS16(sound, length / 4, length / 2, false);
        EXPECT_NEAR(ZeroCrossingFrequency(pcm, 22050), 1000.0, 20.0);
    }
    // The raw stream's data starts at or after its ID3v2 tag.
    Bytes tagged = ReadFileBytes(dir.File("tagged.mp3"));
    CSoundFile sound;
    ASSERT_TRUE(sound.LoadFromMemory(static_cast<uint32_t>(tagged.size()), tagged.data()));
    const uint32_t tagSize = 10 + ((tagged[6] << 21) | (tagged[7] << 14) | (tagged[8] << 7) | tagged[9]);
    EXPECT_GE(sound.GetContainer()->GetDataStart(), tagSize);
    EXPECT_EQ(tagged[sound.GetContainer()->GetDataStart()], 0xFF);
}

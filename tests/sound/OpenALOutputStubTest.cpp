// The sound output's calls into the library, checked byte for byte against the logging
// stand-in library.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>

#include "platform/Clock.h"
#include "sound/OpenALOutput.h"
#include "sound/SoundFile.h"
#include "support/SoundFixtures.h"
#include "support/StubLibrary.h"

using namespace soundtest;

namespace
{
// A 16-bit sound of `frames` frames whose samples count up, so every chunk's bytes differ.
Bytes Ramp16(uint32_t frames, uint16_t channels)
{
    Bytes data;
    for (uint32_t i = 0; i < frames * channels; ++i)
        PutU16(data, static_cast<uint16_t>(i * 7));
    return data;
}

std::unique_ptr<CSoundFile> MakeSound(uint32_t frames, uint16_t channels = 1, uint16_t bits = 16,
                                      uint32_t rate = 44100)
{
    Bytes data = bits == 8 ? Bytes(size_t{frames} * channels, 0x42) : Ramp16(frames, channels);
    Bytes file = PcmWave(channels, rate, bits, data);
    auto sound = std::make_unique<CSoundFile>();
    EXPECT_TRUE(sound->LoadFromMemory(static_cast<uint32_t>(file.size()), file.data()));
    return sound;
}

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08x", value);
    return text;
}

// The log line alBufferData writes for these bytes.
std::string BufferLine(uint32_t buffer, const char* format, const uint8_t* bytes, size_t size, int rate)
{
    char head[9];
    // The stub shows the first four bytes, 0 past the end.
    auto at = [&](size_t i) { return i < size ? bytes[i] : 0; };
    std::snprintf(head, sizeof head, "%02x%02x%02x%02x", at(0), at(1), at(2), at(3));
    return "alBufferData " + std::to_string(buffer) + " " + format + " " + std::to_string(size) + " " +
           std::to_string(rate) + " " + Hex(Fnv1a(bytes, size)) + " " + head;
}

class OpenALOutputStub : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_stub.Loaded());
        m_output = std::make_unique<COpenALOutput>();
        ASSERT_TRUE(m_output->HasLibrary());
        // The update thread frees nothing while sources report "playing".
        ASSERT_TRUE(m_output->Open(0, 0, 44100, 16));
        m_stub.ClearLog();
    }

    StubLibrary m_stub;
    std::unique_ptr<COpenALOutput> m_output;
};
} // namespace

TEST_F(OpenALOutputStub, ShortSoundIsOneBufferDecodedWhole)
{
    auto sound = MakeSound(32768);
    SoundHandle handle = m_output->Play(sound.get(), 100, 0, 1);
    EXPECT_EQ(handle, 1u); // slot 0, serial 1
    const Bytes pcm = Ramp16(32768, 1);
    EXPECT_EQ(m_stub.Log(), (std::vector<std::string>{
                                "alGenSources 1 1",
                                "alSourcef 1 0x1003 1", // pitch
                                "alSourcef 1 0x100a 1", // gain
                                "alSourcei 1 0x1007 0", // not looping
                                "alGenBuffers 1 1001",
                                BufferLine(1001, "0x1101", pcm.data(), 65536, 44100),
                                "alSourcei 1 0x1009 1001", // the buffer
                                "alSourcePlay 1",
                            }));
    COpenALOutput::SoundSlot slot = m_output->GetSlot(0);
    EXPECT_EQ(slot.flags, uint32_t{COpenALOutput::SlotPlaying});
    EXPECT_EQ(slot.chunk, 32768u);
    EXPECT_EQ(slot.framesQueued, 32768u);
}

// One frame longer streams: two buffers of 16,384 frames, then a last chunk of one frame
// when a buffer has been played, then the slot is freed once the source stops.
TEST_F(OpenALOutputStub, LongSoundStreamsThroughTwoBuffers)
{
    auto sound = MakeSound(32769);
    const Bytes pcm = Ramp16(32769, 1);
    ASSERT_NE(m_output->Play(sound.get(), 100, 0, 1), 0u);
    EXPECT_EQ(m_stub.Calls("alGenBuffers"), (std::vector<std::string>{"alGenBuffers 2 1001"}));
    EXPECT_EQ(m_stub.Calls("alBufferData"),
              (std::vector<std::string>{BufferLine(1001, "0x1101", pcm.data(), 32768, 44100),
                                        BufferLine(1002, "0x1101", pcm.data() + 32768, 32768, 44100)}));
    EXPECT_EQ(m_stub.Calls("alSourceQueueBuffers"),
              (std::vector<std::string>{"alSourceQueueBuffers 1 2 1001 1002"}));
    EXPECT_TRUE(m_output->GetSlot(0).flags & COpenALOutput::SlotStreamed);

    m_stub.ClearLog();
    m_stub.Set("processed", 1);
    ASSERT_TRUE(m_stub.WaitFor("alSourceQueueBuffers 1 1 1001"));
    std::vector<std::string> refill = m_stub.Calls("alBufferData");
    ASSERT_EQ(refill.size(), 1u);
    EXPECT_EQ(refill[0], BufferLine(1001, "0x1101", pcm.data() + 65536, 2, 44100));
    EXPECT_EQ(m_output->GetSlot(0).framesQueued, 32769u);

    // All queued: the slot waits for its source to stop, then gives back both buffers.
    m_stub.Set("state", AL_STOPPED);
    ASSERT_TRUE(m_stub.WaitFor("alDeleteSources 1 1"));
    EXPECT_EQ(m_stub.Calls("alDeleteBuffers").size(), 2u);
    EXPECT_EQ(m_output->GetSlot(0).flags, 0u);
}

// A source that ran dry before its refill is started again.
TEST_F(OpenALOutputStub, StarvedStreamRestarts)
{
    auto sound = MakeSound(100000);
    ASSERT_NE(m_output->Play(sound.get(), 100, 0, 1), 0u);
    m_stub.Set("state", AL_STOPPED);
    m_stub.ClearLog();
    m_stub.Set("processed", 2);
    ASSERT_TRUE(m_stub.WaitFor("alSourcePlay 1"));
    EXPECT_EQ(m_stub.Calls("alBufferData").size(), 2u);
    m_stub.Set("state", AL_PLAYING);
    m_output->StopPlayback(); // the update thread reads the sound until its slot is freed
}

TEST_F(OpenALOutputStub, FormatsAndRates)
{
    struct Case
    {
        const char* name;
        uint16_t channels;
        uint16_t bits;
        uint32_t rate;
        bool heard;
        const char* format;
        uint32_t bytesPerFrame;
    };
    const Case cases[] = {
        {"mono 8", 1, 8, 8000, true, "0x1100", 1},
        {"mono 16", 1, 16, 44100, true, "0x1101", 2},
        {"stereo 8", 2, 8, 22050, true, "0x1102", 2},
        {"stereo 16", 2, 16, 11025, true, "0x1103", 4},
        {"48 kHz is not heard", 1, 16, 48000, false, "", 0},
        {"24-bit is not heard", 1, 24, 44100, false, "", 0},
        {"four channels are not heard", 4, 16, 44100, false, "", 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_stub.ClearLog();
        auto sound = MakeSound(100, c.channels, c.bits, c.rate);
        SoundHandle handle = m_output->Play(sound.get(), 100, 0, 1);
        EXPECT_NE(handle, 0u);
        COpenALOutput::SoundSlot slot = m_output->GetSlot(handle >> 16);
        if (!c.heard)
        {
            EXPECT_EQ(slot.flags, 0u);
            EXPECT_TRUE(m_stub.Log().empty());
            continue;
        }
        EXPECT_EQ(slot.bytesPerFrame, c.bytesPerFrame);
        std::vector<std::string> data = m_stub.Calls("alBufferData");
        ASSERT_EQ(data.size(), 1u);
        std::istringstream fields(data[0]);
        std::string call, buffer, format, size, rate;
        fields >> call >> buffer >> format >> size >> rate;
        EXPECT_EQ(format, c.format);
        EXPECT_EQ(size, std::to_string(100 * c.bytesPerFrame));
        EXPECT_EQ(rate, std::to_string(c.rate));
        m_output->StopSound(sound.get());
    }
}

TEST_F(OpenALOutputStub, VolumeIsGainInPercent)
{
    const std::pair<uint8_t, const char*> cases[] = {{100, "1"}, {0, "0"}, {200, "2"}, {255, "2.55"}};
    auto sound = MakeSound(10);
    for (const auto& c : cases)
    {
        m_stub.ClearLog();
        SoundHandle handle = m_output->Play(sound.get(), c.first, 0, 1);
        const uint32_t source = m_output->GetSlot(handle >> 16).source;
        EXPECT_EQ(m_stub.Calls("alSourcef " + std::to_string(source) + " 0x100a"),
                  (std::vector<std::string>{"alSourcef " + std::to_string(source) + " 0x100a " + c.second}));
    }
}

// What an alBufferData line says about the data, without the buffer name (the stub hands out
// names in its own order).
std::string DataOf(const std::string& line)
{
    std::istringstream fields(line);
    std::string call, buffer, rest;
    fields >> call >> buffer;
    std::getline(fields, rest);
    return rest;
}

// A short sound loops in the library; a streamed one cannot (a looping queue never reports a
// processed buffer), so the output refills it from its first frame once its last was queued.
TEST_F(OpenALOutputStub, LoopAndDeferredStart)
{
    auto sound = MakeSound(10);
    SoundHandle handle = m_output->Play(sound.get(), 100, 1, 0);
    EXPECT_EQ(m_stub.Calls("alSourcei 1 0x1007"), (std::vector<std::string>{"alSourcei 1 0x1007 1"}));
    EXPECT_TRUE(m_stub.Calls("alSourcePlay").empty());
    EXPECT_TRUE(m_output->PlayHandle(handle));
    EXPECT_EQ(m_stub.Calls("alSourcePlay"), (std::vector<std::string>{"alSourcePlay 1"}));
    m_output->StopSound(sound.get());

    const uint32_t frames = 40000; // two chunks, then 7,232 frames
    auto longSound = MakeSound(frames);
    const Bytes pcm = Ramp16(frames, 1);
    m_stub.ClearLog();
    handle = m_output->Play(longSound.get(), 100, 1, 0);
    const std::string source = std::to_string(m_output->GetSlot(handle >> 16).source);
    EXPECT_EQ(m_stub.Calls("alSourcei " + source + " 0x1007"),
              (std::vector<std::string>{"alSourcei " + source + " 0x1007 0"}));
    EXPECT_TRUE(m_output->PlayHandle(handle));
    const std::vector<std::string> expected = {
        DataOf(BufferLine(0, "0x1101", pcm.data(), 32768, 44100)),
        DataOf(BufferLine(0, "0x1101", pcm.data() + 32768, 32768, 44100)),
        DataOf(BufferLine(0, "0x1101", pcm.data() + 65536, (frames - 32768) * 2, 44100)),
        DataOf(BufferLine(0, "0x1101", pcm.data(), 32768, 44100)),
        DataOf(BufferLine(0, "0x1101", pcm.data() + 32768, 32768, 44100)),
        DataOf(BufferLine(0, "0x1101", pcm.data() + 65536, (frames - 32768) * 2, 44100)),
    };
    // One processed buffer at a time: each refill is the next chunk, round and round.
    for (size_t refill = 2; refill < expected.size(); ++refill)
    {
        m_stub.Set("processed", 1);
        const uint32_t start = platform::ClockMs();
        while (m_stub.Calls("alBufferData").size() <= refill &&
               !platform::PeriodReached(platform::ClockMs(), start, 10000))
            platform::SleepMs(1);
    }
    std::vector<std::string> data;
    for (const std::string& line : m_stub.Calls("alBufferData"))
        data.push_back(DataOf(line));
    EXPECT_EQ(data, expected);
    // Still playing: the end of a looping sound does not free its slot.
    m_stub.Set("state", AL_STOPPED);
    platform::SleepMs(30);
    EXPECT_TRUE(m_output->GetSlot(handle >> 16).flags & COpenALOutput::SlotPlaying);
    m_stub.Set("state", AL_PLAYING);
    m_output->StopPlayback(); // the update thread reads the sound until its slot is freed
}

// Every slot playing: Play gives 0 and plays nothing; once the update pass has freed a stopped
// source, the same slot is claimed again with the next serial.
TEST_F(OpenALOutputStub, AllSlotsBusyThenFreedByUpdate)
{
    auto sound = MakeSound(10);
    for (uint32_t i = 0; i < COpenALOutput::kSlotCount; ++i)
        ASSERT_EQ(m_output->Play(sound.get(), 100, 0, 1), (i << 16) | 1u);
    m_stub.ClearLog();
    EXPECT_EQ(m_output->Play(sound.get(), 100, 0, 1), 0u);
    EXPECT_TRUE(m_stub.Log().empty());

    m_stub.Set("state", AL_STOPPED);
    ASSERT_TRUE(m_stub.WaitFor("alDeleteSources 1 256"));
    m_stub.Set("state", AL_PLAYING);
    EXPECT_EQ(m_output->Play(sound.get(), 100, 0, 1), 2u);
}

// Whether the update thread made no pass for a whole 100 ms within 10 s: a thread that kept
// passing every 5 ms never does, while a busy machine may delay its last pass before sleeping.
static bool QuietFor100Ms(COpenALOutput& output)
{
    const uint32_t start = platform::ClockMs();
    while (!platform::PeriodReached(platform::ClockMs(), start, 10000))
    {
        const uint32_t passes = output.GetUpdatePassCount();
        platform::SleepMs(100);
        if (output.GetUpdatePassCount() == passes)
            return true;
    }
    return false;
}

// With nothing playing the update thread sleeps; Play wakes it at once, and it sleeps again
// once the slot has been freed.
TEST_F(OpenALOutputStub, UpdateThreadSleepsWhileNothingPlays)
{
    EXPECT_TRUE(QuietFor100Ms(*m_output)) << "update passes with no slot in use";

    auto sound = MakeSound(10);
    m_stub.Set("state", AL_STOPPED);
    ASSERT_NE(m_output->Play(sound.get(), 100, 0, 1), 0u);
    ASSERT_TRUE(m_stub.WaitFor("alDeleteSources 1 1", 10000)) << "the thread did not wake for the sound";
    m_stub.Set("state", AL_PLAYING);
    EXPECT_TRUE(QuietFor100Ms(*m_output));
}

TEST_F(OpenALOutputStub, SerialWrapsToOneNeverZero)
{
    // A sound that is not heard claims the slot without keeping it, so slot 0 is claimed again
    // on every call.
    auto unheard = MakeSound(10, 1, 16, 48000);
    SoundHandle first = m_output->Play(unheard.get(), 100, 0, 1);
    EXPECT_EQ(first, 1u);
    SoundHandle old = 0;
    SoundHandle last = 0;
    for (uint32_t i = 2; i <= 65536; ++i)
    {
        last = m_output->Play(unheard.get(), 100, 0, 1);
        if (i == 5)
            old = last;
    }
    EXPECT_EQ(old, 5u);
    EXPECT_EQ(last, 1u);
    EXPECT_FALSE(m_output->PlayHandle(old)); // stale
    EXPECT_TRUE(m_output->PlayHandle(last));
}

TEST_F(OpenALOutputStub, StopSoundStopsOnlyTheFirstSlotHoldingIt)
{
    auto a = MakeSound(10);
    auto b = MakeSound(10);
    m_output->Play(a.get(), 100, 0, 1);
    m_output->Play(a.get(), 100, 0, 1);
    m_stub.ClearLog();
    m_output->StopSound(b.get());
    EXPECT_TRUE(m_stub.Log().empty());
    m_output->StopSound(a.get());
    EXPECT_EQ(m_stub.Log(),
              (std::vector<std::string>{"alSourceStop 1", "alDeleteBuffers 1 1001", "alDeleteSources 1 1"}));
    EXPECT_EQ(m_output->GetSlot(0).flags, 0u);
    EXPECT_EQ(m_output->GetSlot(0).sound, nullptr);
    EXPECT_TRUE(m_output->GetSlot(1).flags & COpenALOutput::SlotPlaying);
}

TEST_F(OpenALOutputStub, HandleOperations)
{
    auto sound = MakeSound(10);
    SoundHandle handle = m_output->Play(sound.get(), 100, 0, 1);
    m_stub.ClearLog();
    EXPECT_TRUE(m_output->SetSourcePosition(handle, 1, 2, 3));
    EXPECT_TRUE(m_output->SetSourceDistances(handle, 4, 5));
    EXPECT_TRUE(m_output->SetListenerPosition(6, 7, 8));
    EXPECT_TRUE(m_output->SetListenerOrientation(0, 0, 1, 0, 1, 0));
    EXPECT_EQ(m_stub.Log(), (std::vector<std::string>{"alSourcefv 1 0x1004 1 2 3", "alSourcef 1 0x1020 4",
                                                      "alSourcef 1 0x1023 5", "alListener3f 0x1004 6 7 8",
                                                      "alListenerfv 0x100f 0 0 1 0 1 0"}));
    // Stale, out of range and "no slot" handles do nothing.
    m_stub.ClearLog();
    for (SoundHandle bad : {SoundHandle{0}, handle + 1, (300u << 16) | 1u, (5u << 16) | 1u})
    {
        EXPECT_FALSE(m_output->PlayHandle(bad));
        EXPECT_FALSE(m_output->StopHandle(bad));
        EXPECT_FALSE(m_output->SetSourcePosition(bad, 0, 0, 0));
    }
    EXPECT_TRUE(m_stub.Log().empty());
    // The device's error state is the result.
    m_stub.Set("error", ALC_INVALID_VALUE);
    EXPECT_FALSE(m_output->SetSourcePosition(handle, 1, 2, 3));
    m_stub.Set("error", ALC_NO_ERROR);
    EXPECT_TRUE(m_output->StopHandle(handle));
    EXPECT_EQ(m_output->GetSlot(0).flags, 0u);
}

TEST_F(OpenALOutputStub, UnplayableSoundGetsAHandleAndNoCalls)
{
    CSoundFile empty;
    SoundHandle handle = m_output->Play(&empty, 100, 0, 1);
    EXPECT_EQ(handle, 1u);
    EXPECT_EQ(m_output->GetSlot(0).flags, 0u);
    EXPECT_EQ(m_output->Play(nullptr, 100, 0, 1), 0u);
    EXPECT_TRUE(m_stub.Log().empty());
}

TEST_F(OpenALOutputStub, DestructorStopsPlaybackThenReleasesTheDevice)
{
    auto sound = MakeSound(10);
    m_output->Play(sound.get(), 100, 0, 1);
    m_stub.ClearLog();
    m_output.reset();
    EXPECT_EQ(m_stub.Log(), (std::vector<std::string>{"alSourceStop 1", "alDeleteBuffers 1 1001",
                                                      "alDeleteSources 1 1", "alcMakeContextCurrent (null)",
                                                      "alcDestroyContext 1", "alcCloseDevice 1"}));
}

TEST(OpenALOutputOpen, OpensTheSelectedDeviceAndSetsTheListener)
{
    StubLibrary stub;
    stub.SetDevices("Stub Device", {"Stub Device", "Other Device"});
    {
        COpenALOutput output;
        EXPECT_STREQ(output.GetName(), "OpenAL");
        EXPECT_EQ(output.GetDeviceCount(), 2);
        char name[128];
        EXPECT_TRUE(output.GetDeviceName(1, name));
        EXPECT_STREQ(name, "Other Device");
        EXPECT_FALSE(output.GetDeviceName(2, name));
        EXPECT_FALSE(output.GetDeviceName(0, nullptr));
        EXPECT_EQ(output.GetDeviceValue3(0), 0);
        output.SelectDevice(1);
        EXPECT_EQ(output.GetSelectedDevice(), 1);
        stub.ClearLog();
        EXPECT_TRUE(output.Open(0, 0, 44100, 16));
        EXPECT_EQ(output.GetBits(), 16);
        // The probe's default device goes before the other one opens.
        EXPECT_EQ(stub.Log(), (std::vector<std::string>{
                                  "alcMakeContextCurrent (null)", "alcDestroyContext 1", "alcCloseDevice 1",
                                  "alcOpenDevice Other Device", "alcCreateContext 1",
                                  "alcMakeContextCurrent context", "alListenerfv 0x1004 0 0 0",
                                  "alListenerfv 0x1006 0 0 0", "alListenerfv 0x100f 0 0 -1 0 1 0"}));
    }
    {
        // The default device is the one the probe opened: the library opens it once.
        stub.Set("noDefault", 1);
        stub.ClearLog();
        COpenALOutput output;
        EXPECT_TRUE(output.Open(0, 0, 44100, 16));
        EXPECT_TRUE(output.IsOpen());
        EXPECT_EQ(stub.Calls("alcOpenDevice"), (std::vector<std::string>{"alcOpenDevice (null)"}));
        EXPECT_EQ(stub.Calls("alcCreateContext"), (std::vector<std::string>{"alcCreateContext 1"}));
    }
    {
        // The selected device fails to open after the probe.
        stub.Set("noDefault", 0);
        COpenALOutput output;
        output.SelectDevice(1);
        stub.Set("open", 0);
        EXPECT_FALSE(output.Open(0, 0, 44100, 16));
        EXPECT_FALSE(output.IsOpen());
    }
}

// Without a library, or with one that lacks an entry point, everything answers 0 or false.
TEST(OpenALOutputSilent, EveryOperationIsHarmless)
{
    for (StubLibrary::Variant variant : {StubLibrary::WithoutPausev, StubLibrary::Complete})
    {
        StubLibrary stub(variant);
        if (variant == StubLibrary::Complete)
            SetOpenALLibraryName("/nonexistent/libopenal.so.1");
        COpenALOutput output;
        EXPECT_FALSE(output.HasLibrary());
        auto sound = MakeSound(10);
        EXPECT_FALSE(output.Open(0, 0, 44100, 16));
        EXPECT_EQ(output.Play(sound.get(), 100, 0, 1), 0u);
        output.StopSound(sound.get());
        output.StopPlayback();
        output.Update();
        output.Close();
        EXPECT_FALSE(output.PlayHandle(1));
        EXPECT_FALSE(output.StopHandle(1));
        EXPECT_FALSE(output.SetSourcePosition(1, 0, 0, 0));
        EXPECT_FALSE(output.SetSourceDistances(1, 0, 0));
        EXPECT_FALSE(output.SetListenerPosition(0, 0, 0));
        EXPECT_FALSE(output.SetListenerOrientation(0, 0, 0, 0, 0, 0));
        EXPECT_EQ(output.GetDeviceCount(), 0);
        char name[128];
        EXPECT_FALSE(output.GetDeviceName(0, name));
        EXPECT_EQ(output.GetDeviceValue1(0), 0);
        EXPECT_TRUE(stub.Calls("alGenSources").empty());
    }
}

// Close releases the device once; nothing afterwards uses the released device or context.
TEST_F(OpenALOutputStub, CloseReleasesTheDeviceOnce)
{
    auto sound = MakeSound(10);
    SoundHandle handle = m_output->Play(sound.get(), 100, 0, 1);
    m_output->Close();
    EXPECT_FALSE(m_output->IsOpen());
    EXPECT_EQ(m_stub.Calls("alcCloseDevice").size(), 1u);
    EXPECT_EQ(m_stub.Calls("alDeleteSources"), (std::vector<std::string>{"alDeleteSources 1 1"}));
    EXPECT_FALSE(m_output->PlayHandle(handle));
    EXPECT_FALSE(m_output->SetListenerPosition(0, 0, 0));
    m_output.reset();
    EXPECT_EQ(m_stub.Calls("alcCloseDevice").size(), 1u);
    EXPECT_EQ(m_stub.Calls("alcDestroyContext").size(), 1u);
}

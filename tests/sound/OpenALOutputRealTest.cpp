// The sound output against the real OpenAL Soft: its wave-file driver records what is played,
// and its null driver plays to nowhere. Each run happens in a child process, because the library
// reads its configuration once per process.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Clock.h"
#include "sound/OpenALOutput.h"
#include "sound/SoundFile.h"
#include "support/SoundFixtures.h"

using namespace soundtest;

namespace
{
enum ChildResult
{
    ChildOk = 0,
    ChildNoLibrary = 2,
    ChildNoDevice = 3,
    ChildNotFinished = 4,
    ChildNotPlayed = 5,
    ChildCrashed = 100,
};

// Plays the sound once through the real library in a child process with the given environment
// and waits until the output has freed its slot.
int PlayInChild(CSoundFile& sound, const std::vector<std::pair<std::string, std::string>>& environment)
{
    pid_t pid = fork();
    if (pid == 0)
    {
        for (const auto& [name, value] : environment)
            setenv(name.c_str(), value.c_str(), 1);
        int result = ChildOk;
        {
            COpenALOutput output;
            if (!output.HasLibrary())
                _exit(ChildNoLibrary);
            if (!output.Open(0, 0, 44100, 16))
                _exit(ChildNoDevice);
            SoundHandle handle = output.Play(&sound, 100, 0, 1);
            if (!handle || !(output.GetSlot(handle >> 16).flags & COpenALOutput::SlotPlaying))
                _exit(ChildNotPlayed);
            const uint32_t start = platform::ClockMs();
            while (output.GetSlot(handle >> 16).flags & COpenALOutput::SlotPlaying)
            {
                if (platform::PeriodReached(platform::ClockMs(), start, 15000))
                {
                    result = ChildNotFinished;
                    break;
                }
                platform::SleepMs(10);
            }
        }
        _exit(result);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return ChildCrashed;
    return WEXITSTATUS(status);
}

struct Measured
{
    double seconds = 0;
    double frequency = 0;
};

// The span of the recorded tone (samples above a quarter of full scale) and its frequency.
Measured MeasureTone(const std::vector<int16_t>& samples, uint32_t rate)
{
    size_t first = samples.size();
    size_t last = 0;
    for (size_t i = 0; i < samples.size(); ++i)
    {
        if (std::abs(samples[i]) > 8000)
        {
            first = std::min(first, i);
            last = i;
        }
    }
    Measured m;
    if (first >= last)
        return m;
    m.seconds = static_cast<double>(last - first) / rate;
    m.frequency =
        ZeroCrossingFrequency(std::vector<int16_t>(samples.begin() + first, samples.begin() + last), rate);
    return m;
}
} // namespace

TEST(OpenALOutputReal, PlayedToneLandsInTheWaveFile)
{
    struct Case
    {
        const char* name;
        std::string make; // sox arguments after the output file name's encoding
        double frequency;
    };
    // Short sounds are decoded whole; the IMA ADPCM one is long enough to be streamed.
    const Case cases[] = {
        {"16-bit mono 22,050 Hz, one buffer", "-r 22050 -c 1 -b 16 tone.wav synth 0.5 sine 1000 gain -3",
         1000},
        {"8-bit stereo 11,025 Hz, one buffer", "-r 11025 -c 2 -b 8 tone.wav synth 0.8 sine 600 gain -3", 600},
        {"IMA ADPCM 44,100 Hz, streamed", "-r 44100 -c 1 -e ima-adpcm tone.wav synth 1.2 sine 440 gain -3",
         440},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        TempFolder dir;
        ASSERT_TRUE(RunCommand("cd " + dir.Path() + " && sox -n " + c.make));
        Bytes file = ReadFileBytes(dir.File("tone.wav"));
        CSoundFile sound;
        ASSERT_TRUE(sound.LoadFromMemory(static_cast<uint32_t>(file.size()), file.data()));
        const uint32_t frames = sound.GetDecoder()->GetLength();
        const double expectedSeconds = static_cast<double>(frames) / sound.GetOutputFormat().samplesPerSec;

        WriteFileBytes(dir.File("alsoft.conf"),
                       [&]
                       {
                           std::string conf =
                               "[general]\ndrivers = wave\nchannels = mono\nsample-type = int16\n"
                               "frequency = 44100\n[wave]\nfile = " +
                               dir.File("out.wav") + "\n";
                           return Bytes(conf.begin(), conf.end());
                       }());
        ASSERT_EQ(PlayInChild(sound, {{"ALSOFT_CONF", dir.File("alsoft.conf")}, {"ALSOFT_DRIVERS", "wave"}}),
                  ChildOk);

        ASSERT_TRUE(RunCommand("sox " + dir.File("out.wav") + " -t raw -e signed -b 16 -c 1 -r 44100 " +
                               dir.File("out.raw")));
        Measured m = MeasureTone(ReadRawS16(dir.File("out.raw")), 44100);
        EXPECT_NEAR(m.seconds, expectedSeconds, 0.02);
        EXPECT_NEAR(m.frequency, c.frequency, c.frequency * 0.02);
    }
}

TEST(OpenALOutputReal, NullDriverPlaysAndFreesTheSlot)
{
    TempFolder dir;
    ASSERT_TRUE(
        RunCommand("cd " + dir.Path() + " && sox -n -r 44100 -c 2 -b 16 tone.wav synth 0.9 sine 500"));
    Bytes file = ReadFileBytes(dir.File("tone.wav"));
    CSoundFile sound;
    ASSERT_TRUE(sound.LoadFromMemory(static_cast<uint32_t>(file.size()), file.data()));
    // 39,690 frames: streamed.
    EXPECT_EQ(PlayInChild(sound, {{"ALSOFT_DRIVERS", "null"}, {"ALSOFT_CONF", "/dev/null"}}), ChildOk);
}

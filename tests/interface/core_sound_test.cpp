// The interface's sounds: one at a time, by id, through the back end's own sound output.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "screen/GDIDialogSystem.h"
#include "sound/OpenALOutput.h"
#include "sound/SoundFile.h"

namespace
{
// A RIFF/WAVE file of 16-bit mono silence, long enough to be still playing when checked.
std::vector<uint8_t> MakeWave(uint32_t frames)
{
    uint32_t dataBytes = frames * 2;
    std::vector<uint8_t> bytes(44 + dataBytes, 0);
    auto put32 = [&](size_t at, uint32_t v) { memcpy(&bytes[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { memcpy(&bytes[at], &v, 2); };
    memcpy(&bytes[0], "RIFF", 4);
    put32(4, 36 + dataBytes);
    memcpy(&bytes[8], "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);     // PCM
    put16(22, 1);     // mono
    put32(24, 22050); // rate
    put32(28, 44100); // bytes per second
    put16(32, 2);     // block align
    put16(34, 16);    // bits
    memcpy(&bytes[36], "data", 4);
    put32(40, dataBytes);
    return bytes;
}

class CoreSound : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("ALSOFT_DRIVERS", "null", 1);
        m_system = new CGDIDialogSystem(0);
        std::vector<uint8_t> wave = MakeWave(22050 * 5);
        for (uint32_t id : {1u, 2u})
        {
            CSoundFile* sound = new CSoundFile();
            ASSERT_TRUE(sound->LoadFromMemory(static_cast<uint32_t>(wave.size()), wave.data()));
            sound->SetId(id);
            m_system->GetSounds()->Add(sound);
            m_sounds.push_back(sound);
        }
    }

    void TearDown() override { delete m_system; }

    // Slots that play this sound now.
    int PlayingSlots(CSoundFile* sound)
    {
        COpenALOutput* output = static_cast<COpenALOutput*>(m_system->GetSoundOutput());
        int count = 0;
        for (uint32_t i = 0; i < COpenALOutput::kSlotCount; ++i)
        {
            COpenALOutput::SoundSlot slot = output->GetSlot(i);
            if ((slot.flags & COpenALOutput::SlotPlaying) && slot.sound == sound)
                ++count;
        }
        return count;
    }

    CAbstractDialogSystem* m_system = nullptr;
    std::vector<CSoundFile*> m_sounds;
};

TEST_F(CoreSound, PlaySoundFindsTheSoundById)
{
    EXPECT_FALSE(m_system->PlaySound(7));
    EXPECT_FALSE(m_system->PlaySound(CAbstractDialogSystem::kClickSoundId)); // no click.wav here
    EXPECT_TRUE(m_system->PlaySound(1));
}

TEST_F(CoreSound, StartingASoundStopsTheOneStartedBefore)
{
    COpenALOutput* output = static_cast<COpenALOutput*>(m_system->GetSoundOutput());
    ASSERT_NE(nullptr, output);
    if (!output->IsOpen())
        GTEST_SKIP() << "no OpenAL device";
    ASSERT_TRUE(m_system->PlaySound(1));
    EXPECT_EQ(1, PlayingSlots(m_sounds[0]));
    ASSERT_TRUE(m_system->PlaySound(2));
    EXPECT_EQ(0, PlayingSlots(m_sounds[0]));
    EXPECT_EQ(1, PlayingSlots(m_sounds[1]));
    // The same id again restarts it rather than playing it twice.
    ASSERT_TRUE(m_system->PlaySound(2));
    EXPECT_EQ(1, PlayingSlots(m_sounds[1]));
}

// Id 0 is an id like any other: playing it again stops the first play.
TEST_F(CoreSound, SoundWithIdZeroRestartsToo)
{
    COpenALOutput* output = static_cast<COpenALOutput*>(m_system->GetSoundOutput());
    ASSERT_NE(nullptr, output);
    if (!output->IsOpen())
        GTEST_SKIP() << "no OpenAL device";
    std::vector<uint8_t> wave = MakeWave(22050 * 5);
    CSoundFile* zero = new CSoundFile();
    ASSERT_TRUE(zero->LoadFromMemory(static_cast<uint32_t>(wave.size()), wave.data()));
    zero->SetId(0);
    m_system->GetSounds()->Add(zero);
    ASSERT_TRUE(m_system->PlaySound(0));
    ASSERT_TRUE(m_system->PlaySound(0));
    EXPECT_EQ(1, PlayingSlots(zero));
    ASSERT_TRUE(m_system->PlaySound(1));
    EXPECT_EQ(0, PlayingSlots(zero));
}

// The output stops playing before the sounds it reads are deleted (ASan sees it otherwise).
TEST_F(CoreSound, DeletingTheBackEndWhileASoundPlays)
{
    ASSERT_TRUE(m_system->PlaySound(1));
    delete m_system;
    m_system = nullptr;
}
} // namespace

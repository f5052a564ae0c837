// Sounds of the interface: one at a time, started by id.
#include "interface/AbstractDialogSystem.h"
#include "sound/AbstractSoundOutput.h"
#include "sound/SoundFile.h"

static CSoundFile* FindSound(const CVector* sounds, uint32_t id)
{
    for (int32_t i = 0; i < sounds->GetCount(); ++i)
    {
        CSoundFile* sound = sounds->Get<CSoundFile>(i);
        if (sound && sound->GetId() == id)
            return sound;
    }
    return nullptr;
}

bool CAbstractDialogSystem::PlaySound(int32_t id)
{
    CSoundFile* sound = FindSound(m_sounds, static_cast<uint32_t>(id));
    if (!sound)
        return false;
    JoinSoundStarter();
    if (m_soundOutput)
    {
        // Looked up even when the last id is 0: a sound may carry id 0, and playing it twice must
        // restart it rather than play it twice over (before any play, it is simply not playing).
        CSoundFile* previous = FindSound(m_sounds, static_cast<uint32_t>(m_lastSoundId));
        if (previous)
            m_soundOutput->StopSound(previous);
        m_lastSoundId = 0;
        m_soundOutput->Play(sound, 100, 0, 1);
    }
    m_lastSoundId = id;
    return true;
}

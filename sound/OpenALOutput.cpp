#include "sound/OpenALOutput.h"

#include <cstring>
#include <new>

#include "common/NerulanCriticalSection.h"
#include "common/WorkerThread.h"
#include "platform/Clock.h"
#include "sound/SoundFile.h"

namespace
{
constexpr const char* kDefaultDeviceText = "Default device";
constexpr uint32_t kUpdatePeriodMs = 5;
constexpr uint32_t kPausedSleepMs = 100;

uint32_t LengthOf(CSoundFile* sound)
{
    return sound && sound->IsPlayable() ? sound->GetDecoder()->GetLength() : 0;
}
} // namespace

COpenALOutput::COpenALOutput()
{
    m_name = "OpenAL";
    m_lock = new CNerulanCriticalSection();
    m_table = LoadOpenAL();
}

COpenALOutput::~COpenALOutput()
{
    StopPlayback();
    StopUpdateThread();
    delete m_lock;
    m_lock = nullptr;
    if (m_table)
    {
        m_table->alcMakeContextCurrent(nullptr);
        if (m_context)
            m_table->alcDestroyContext(m_context);
        if (m_device)
            m_table->alcCloseDevice(m_device);
        FreeOpenAL(m_table);
        m_table = nullptr;
    }
    delete[] m_scratch;
}

void COpenALOutput::StopUpdateThread()
{
    if (!m_thread)
        return;
    m_thread->Command(WorkerCommandStop);
    Wake();
    m_thread->WaitStopped();
    delete m_thread;
    m_thread = nullptr;
}

bool COpenALOutput::Open(uint32_t, uint32_t, uint32_t, uint8_t bits)
{
    if (!m_table)
        return false;
    m_bits = bits;
    if (m_device)
        return m_context != nullptr;
    if (m_selectedDevice < 0 || static_cast<uint32_t>(m_selectedDevice) >= m_table->deviceCount)
        return false;
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    if (m_selectedDevice == 0 && m_table->probeDevice)
    {
        // The default device as the probe left it: the library starts it only once.
        device = m_table->probeDevice;
        context = m_table->probeContext;
        m_table->probeDevice = nullptr;
        m_table->probeContext = nullptr;
    }
    else
    {
        // Another device: the probe's is not needed and would mix for nothing.
        ReleaseOpenALProbe(m_table);
        const char* name = m_table->devices[m_selectedDevice].name;
        device = m_table->alcOpenDevice(std::strcmp(name, kDefaultDeviceText) == 0 ? nullptr : name);
        if (!device)
            return false;
        context = m_table->alcCreateContext(device, nullptr);
    }
    m_table->alcMakeContextCurrent(context);
    {
        CCriticalSectionGuard guard(m_lock);
        m_device = device;
        m_context = context;
        const ALfloat zero[3] = {0.0f, 0.0f, 0.0f};
        // Looking along negative z, up along y.
        const ALfloat orientation[6] = {0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
        m_table->alListenerfv(AL_POSITION, zero);
        m_table->alListenerfv(AL_VELOCITY, zero);
        m_table->alListenerfv(AL_ORIENTATION, orientation);
    }
    m_thread = new CWorkerThread(&COpenALOutput::ThreadProc, this);
    m_thread->Command(WorkerCommandStart);
    return true;
}

// Unlike a bare release of the device, the output stops its sounds and its update thread first
// and forgets the device, so that nothing uses the released device or context afterwards.
void COpenALOutput::Close()
{
    if (!m_table)
        return;
    StopPlayback();
    StopUpdateThread();
    CCriticalSectionGuard guard(m_lock);
    m_table->alcMakeContextCurrent(nullptr);
    if (m_context)
        m_table->alcDestroyContext(m_context);
    if (m_device)
        m_table->alcCloseDevice(m_device);
    m_context = nullptr;
    m_device = nullptr;
}

int32_t COpenALOutput::GetDeviceCount()
{
    return m_table ? static_cast<int32_t>(m_table->deviceCount) : 0;
}

bool COpenALOutput::GetDeviceName(int32_t index, char* name)
{
    if (!m_table || !name || index < 0 || static_cast<uint32_t>(index) >= kOpenALMaxDevices)
        return false;
    const char* source = m_table->devices[index].name;
    if (!source[0])
        return false;
    std::memcpy(name, source, kOpenALDeviceNameSize);
    name[kOpenALDeviceNameSize - 1] = '\0';
    return true;
}

int32_t COpenALOutput::DeviceValue(int32_t index, int value)
{
    if (!m_table || index < 0 || static_cast<uint32_t>(index) >= kOpenALMaxDevices)
        return 0;
    return m_table->devices[index].values[value];
}

COpenALOutput::SoundSlot COpenALOutput::GetSlot(uint32_t index)
{
    CCriticalSectionGuard guard(m_lock);
    return index < kSlotCount ? m_slots[index] : SoundSlot{};
}

// Lock held.
SoundHandle COpenALOutput::AllocateSlot()
{
    for (uint32_t i = 0; i < kSlotCount; ++i)
    {
        SoundSlot& slot = m_slots[i];
        if (slot.flags & SlotPlaying)
            continue;
        slot.serial = (slot.serial + 1) & 0xFFFF;
        if (slot.serial == 0)
            slot.serial = 1;
        return (i << 16) | slot.serial;
    }
    return 0;
}

// Lock held. A handle names a slot while the slot's serial is still the handle's; handle 0 and
// a never-used slot (serial 0) name nothing.
COpenALOutput::SoundSlot* COpenALOutput::SlotOf(SoundHandle handle)
{
    const uint32_t index = handle >> 16;
    const uint32_t serial = handle & 0xFFFF;
    if (index >= kSlotCount || serial == 0 || m_slots[index].serial != serial)
        return nullptr;
    return &m_slots[index];
}

bool COpenALOutput::DeviceOk()
{
    return m_table->alcGetError(m_device) == ALC_NO_ERROR;
}

// Lock held.
void COpenALOutput::FreeSlot(SoundSlot& slot)
{
    if (!IsOpen())
        return;
    m_table->alDeleteBuffers(1, &slot.buffer1);
    if (slot.flags & SlotStreamed)
        m_table->alDeleteBuffers(1, &slot.buffer2);
    m_table->alDeleteSources(1, &slot.source);
    const uint32_t serial = slot.serial;
    slot = SoundSlot{};
    slot.serial = serial;
}

// Lock held.
void COpenALOutput::StopAndFree(SoundSlot& slot)
{
    m_table->alSourceStop(slot.source);
    FreeSlot(slot);
}

// Lock held. The scratch buffer only grows, so steady streaming allocates nothing.
bool COpenALOutput::GrowScratch(uint32_t bytes)
{
    if (bytes <= m_scratchSize && m_scratch)
        return true;
    delete[] m_scratch;
    m_scratch = new (std::nothrow) uint8_t[bytes];
    m_scratchSize = m_scratch ? bytes : 0;
    return m_scratch != nullptr;
}

// Lock held. Decodes `frames` frames from the slot's queue position into the scratch buffer and
// fills whatever the decoder did not write with silence, so the library never gets stale bytes.
// Returns the byte count for the buffer, 0 when there is no scratch buffer.
uint32_t COpenALOutput::DecodeChunk(SoundSlot& slot, uint32_t frames)
{
    const uint64_t wanted = uint64_t{slot.bytesPerFrame} * frames;
    if (wanted > UINT32_MAX || !GrowScratch(static_cast<uint32_t>(wanted)))
        return 0;
    const uint32_t bytes = static_cast<uint32_t>(wanted);
    uint32_t written = 0;
    if (slot.sound && slot.sound->IsPlayable())
    {
        CAbstractDecompressor* decoder = slot.sound->GetDecoder();
        const bool loop = (slot.flags & SlotLoop) != 0;
        written = (slot.flags & SlotStereo)
                      ? decoder->DecodeStereo(m_scratch, slot.framesQueued, frames, loop)
                      : decoder->DecodeMono(m_scratch, slot.framesQueued, frames, loop);
    }
    if (written < bytes)
    {
        const bool eightBit = slot.format == AL_FORMAT_MONO8 || slot.format == AL_FORMAT_STEREO8;
        std::memset(m_scratch + written, eightBit ? 128 : 0, bytes - written);
    }
    slot.framesQueued += frames;
    return bytes;
}

// Lock held.
void COpenALOutput::FillBuffer(SoundSlot& slot, uint32_t buffer)
{
    const uint32_t bytes = DecodeChunk(slot, slot.chunk);
    if (!bytes)
        return;
    m_table->alBufferData(buffer, static_cast<ALenum>(slot.format), m_scratch, static_cast<ALsizei>(bytes),
                          static_cast<ALsizei>(slot.rate));
}

SoundHandle COpenALOutput::Play(CSoundFile* sound, uint8_t volume, uint8_t loop, uint8_t start)
{
    if (!m_table || !sound)
        return 0;
    CCriticalSectionGuard guard(m_lock);
    const SoundHandle handle = AllocateSlot();
    SoundSlot* found = SlotOf(handle);
    if (!found)
        return handle;
    SoundSlot& slot = *found;
    const uint32_t serial = slot.serial;
    slot = SoundSlot{};
    slot.serial = serial;
    slot.sound = sound;
    if (loop)
        slot.flags |= SlotLoop;

    const uint32_t length = LengthOf(sound);
    const WaveFormat& format = sound->GetOutputFormat();
    slot.rate = format.samplesPerSec >= 1 && format.samplesPerSec <= kMaxRate ? format.samplesPerSec : 0;
    if (format.channels == 1 || format.channels == 2)
    {
        const bool stereo = format.channels == 2;
        if (format.bitsPerSample == 8)
        {
            slot.format = stereo ? AL_FORMAT_STEREO8 : AL_FORMAT_MONO8;
            slot.bytesPerFrame = stereo ? 2 : 1;
        }
        else if (format.bitsPerSample == 16)
        {
            slot.format = stereo ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16;
            slot.bytesPerFrame = stereo ? 4 : 2;
        }
        if (stereo && slot.format)
            slot.flags |= SlotStereo;
    }
    if (!length || !slot.rate || !slot.format)
        return handle;

    const bool streamed = length > kWholeSoundFrames;
    m_table->alGenSources(1, &slot.source);
    m_table->alSourcef(slot.source, AL_PITCH, 1.0f);
    m_table->alSourcef(slot.source, AL_GAIN, volume / 100.0f);
    // A source with a queue never reports processed buffers while it loops, so it would repeat
    // its first two chunks forever: a streamed sound loops by refilling from its first frame.
    const bool sourceLoops = (slot.flags & SlotLoop) && !streamed;
    m_table->alSourcei(slot.source, AL_LOOPING, sourceLoops ? AL_TRUE : AL_FALSE);
    if (streamed)
    {
        slot.flags |= SlotStreamed;
        slot.chunk = kStreamChunkFrames;
        // Both names in one request: the pair is made together and queued together.
        ALuint names[2] = {0, 0};
        m_table->alGenBuffers(2, names);
        slot.buffer1 = names[0];
        slot.buffer2 = names[1];
        FillBuffer(slot, slot.buffer1);
        FillBuffer(slot, slot.buffer2);
        const ALuint buffers[2] = {slot.buffer1, slot.buffer2};
        m_table->alSourceQueueBuffers(slot.source, 2, buffers);
    }
    else
    {
        slot.chunk = length;
        m_table->alGenBuffers(1, &slot.buffer1);
        FillBuffer(slot, slot.buffer1);
        m_table->alSourcei(slot.source, AL_BUFFER, static_cast<ALint>(slot.buffer1));
    }
    slot.flags |= SlotPlaying;
    if (start)
        m_table->alSourcePlay(slot.source);
    Wake();
    return handle;
}

void COpenALOutput::StopSound(CSoundFile* sound)
{
    if (!m_table)
        return;
    CCriticalSectionGuard guard(m_lock);
    for (SoundSlot& slot : m_slots)
    {
        if (slot.sound == sound)
        {
            StopAndFree(slot);
            return;
        }
    }
}

template <class Fn> bool COpenALOutput::WithOpenSlot(SoundHandle handle, Fn fn)
{
    if (!m_table)
        return false;
    CCriticalSectionGuard guard(m_lock);
    if (!IsOpen())
        return false;
    SoundSlot* slot = SlotOf(handle);
    return slot != nullptr && fn(*slot);
}

bool COpenALOutput::PlayHandle(SoundHandle handle)
{
    return WithOpenSlot(handle,
                        [this](SoundSlot& slot)
                        {
                            m_table->alSourcePlay(slot.source);
                            return DeviceOk();
                        });
}

bool COpenALOutput::StopHandle(SoundHandle handle)
{
    return WithOpenSlot(handle,
                        [this](SoundSlot& slot)
                        {
                            m_table->alSourceStop(slot.source);
                            const bool ok = DeviceOk();
                            FreeSlot(slot);
                            return ok;
                        });
}

bool COpenALOutput::SetSourcePosition(SoundHandle handle, float x, float y, float z)
{
    return WithOpenSlot(handle,
                        [&](SoundSlot& slot)
                        {
                            const ALfloat position[3] = {x, y, z};
                            m_table->alSourcefv(slot.source, AL_POSITION, position);
                            return DeviceOk();
                        });
}

bool COpenALOutput::SetSourceDistances(SoundHandle handle, float reference, float maximum)
{
    return WithOpenSlot(handle,
                        [&](SoundSlot& slot)
                        {
                            m_table->alSourcef(slot.source, AL_REFERENCE_DISTANCE, reference);
                            m_table->alSourcef(slot.source, AL_MAX_DISTANCE, maximum);
                            return DeviceOk();
                        });
}

void COpenALOutput::StopPlayback()
{
    if (!m_table)
        return;
    CCriticalSectionGuard guard(m_lock);
    for (SoundSlot& slot : m_slots)
    {
        if (slot.source)
            StopAndFree(slot);
    }
}

bool COpenALOutput::SetListenerPosition(float x, float y, float z)
{
    if (!m_table)
        return false;
    CCriticalSectionGuard guard(m_lock);
    if (!IsOpen())
        return false;
    m_table->alListener3f(AL_POSITION, x, y, z);
    return DeviceOk();
}

bool COpenALOutput::SetListenerOrientation(float atX, float atY, float atZ, float upX, float upY, float upZ)
{
    if (!m_table)
        return false;
    CCriticalSectionGuard guard(m_lock);
    if (!IsOpen())
        return false;
    const ALfloat orientation[6] = {atX, atY, atZ, upX, upY, upZ};
    m_table->alListenerfv(AL_ORIENTATION, orientation);
    return DeviceOk();
}

// Lock held. Refills every processed buffer with the next chunk (a looping sound goes on from
// its first frame after its last); a source that ran dry before the refill is started again.
void COpenALOutput::UpdateStreamed(SoundSlot& slot)
{
    const uint32_t length = LengthOf(slot.sound);
    uint32_t remaining = length > slot.framesQueued ? length - slot.framesQueued : 0;
    const bool loop = (slot.flags & SlotLoop) && length > 0;
    ALint state = 0;
    if (remaining == 0 && !loop)
    {
        m_table->alGetSourcei(slot.source, AL_SOURCE_STATE, &state);
        if (state == AL_STOPPED)
            StopAndFree(slot);
        return;
    }
    ALint processed = 0;
    m_table->alGetSourcei(slot.source, AL_BUFFERS_PROCESSED, &processed);
    if (processed <= 0)
        return;
    while ((remaining > 0 || loop) && processed > 0)
    {
        if (remaining == 0)
        {
            slot.framesQueued = 0;
            remaining = length;
        }
        const uint32_t frames = remaining < slot.chunk ? remaining : slot.chunk;
        const uint32_t bytes = DecodeChunk(slot, frames);
        remaining -= frames;
        ALuint buffer = 0;
        m_table->alSourceUnqueueBuffers(slot.source, 1, &buffer);
        if (bytes)
            m_table->alBufferData(buffer, static_cast<ALenum>(slot.format), m_scratch,
                                  static_cast<ALsizei>(bytes), static_cast<ALsizei>(slot.rate));
        m_table->alSourceQueueBuffers(slot.source, 1, &buffer);
        --processed;
    }
    m_table->alGetSourcei(slot.source, AL_SOURCE_STATE, &state);
    if (state != AL_PLAYING)
        m_table->alSourcePlay(slot.source);
}

void COpenALOutput::Update()
{
    UpdatePass();
}

bool COpenALOutput::UpdatePass()
{
    if (!m_table)
        return false;
    CCriticalSectionGuard guard(m_lock);
    m_updatePasses.fetch_add(1);
    bool inUse = false;
    for (SoundSlot& slot : m_slots)
    {
        if (slot.flags & SlotStreamed)
            UpdateStreamed(slot);
        else
        {
            ALint state = 0;
            if (slot.source)
                m_table->alGetSourcei(slot.source, AL_SOURCE_STATE, &state);
            if (state == AL_STOPPED)
                FreeSlot(slot);
        }
        inUse = inUse || (slot.flags & SlotPlaying);
    }
    return inUse;
}

void COpenALOutput::Wake()
{
    {
        std::lock_guard<std::mutex> guard(m_wakeLock);
        m_wakePending = true;
    }
    m_wakeSignal.notify_one();
}

// A Play after the pass that found nothing in use has set the flag already, so it is not lost.
void COpenALOutput::WaitForWork()
{
    std::unique_lock<std::mutex> guard(m_wakeLock);
    m_wakeSignal.wait(guard, [this] { return m_wakePending; });
    m_wakePending = false;
}

void COpenALOutput::ThreadProc(CWorkerThread* worker)
{
    auto* self = static_cast<COpenALOutput*>(worker->GetOwner());
    worker->Command(WorkerCommandStarted);
    for (;;)
    {
        const WorkerThreadState state = worker->GetState();
        if (state == WorkerStopping)
            break;
        if (state == WorkerPaused)
        {
            platform::SleepMs(kPausedSleepMs);
            continue;
        }
        if (self->UpdatePass())
            platform::SleepMs(kUpdatePeriodMs);
        else
            self->WaitForWork();
    }
    worker->Command(WorkerCommandReset);
}

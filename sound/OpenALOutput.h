#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "sound/AbstractSoundOutput.h"
#include "sound/OpenALLoader.h"

class CNerulanCriticalSection;
class CWorkerThread;

// The sound output through OpenAL. A sound of at most kWholeSoundFrames frames is decoded whole
// into one buffer on the caller's thread; a longer one streams through two buffers of
// kStreamChunkFrames frames that the update thread refills. Every operation on the slots, the
// decoders and the library runs under the one lock. Without a library the output is silent.
// The update thread passes over the slots every 5 ms while one is in use, and sleeps until the
// next Play while none is.
class COpenALOutput : public CAbstractSoundOutput
{
public:
    static constexpr uint32_t kSlotCount = 256;
    static constexpr uint32_t kWholeSoundFrames = 32768;
    static constexpr uint32_t kStreamChunkFrames = 16384;
    static constexpr uint32_t kMaxRate = 44100;

    enum SlotFlags : uint32_t
    {
        SlotPlaying = 1,
        SlotLoop = 2,
        SlotStreamed = 4,
        SlotStereo = 8,
    };

    struct SoundSlot
    {
        uint32_t serial;       // low 16 bits; 0 until first used, then 1 to 65,535
        uint32_t flags;        // SlotFlags; free while SlotPlaying is clear
        uint32_t framesQueued; // frames from the start decoded into buffers so far
        CSoundFile* sound;     // not owned
        uint32_t chunk;        // frames per buffer
        uint32_t format;       // AL_FORMAT_MONO8 ... AL_FORMAT_STEREO16
        uint32_t rate;
        uint32_t bytesPerFrame;
        uint32_t source;
        uint32_t buffer1;
        uint32_t buffer2;
    };

    COpenALOutput();
    ~COpenALOutput() override;

    bool Open(uint32_t first, uint32_t second, uint32_t samplesPerSec, uint8_t bits) override;
    void Close() override;
    int32_t GetDeviceCount() override;
    bool GetDeviceName(int32_t index, char* name) override;
    int32_t GetSelectedDevice() override { return m_selectedDevice; }
    void SelectDevice(int32_t index) override { m_selectedDevice = index; }
    int32_t GetDeviceValue1(int32_t index) override { return DeviceValue(index, 0); }
    int32_t GetDeviceValue2(int32_t index) override { return DeviceValue(index, 1); }
    int32_t GetDeviceValue3(int32_t index) override { return DeviceValue(index, 2); }
    int32_t GetDeviceValue4(int32_t index) override { return DeviceValue(index, 3); }
    int32_t GetDeviceValue5(int32_t index) override { return DeviceValue(index, 4); }
    SoundHandle Play(CSoundFile* sound, uint8_t volume, uint8_t loop, uint8_t start) override;
    void StopSound(CSoundFile* sound) override;
    bool PlayHandle(SoundHandle handle) override;
    bool StopHandle(SoundHandle handle) override;
    bool SetSourcePosition(SoundHandle handle, float x, float y, float z) override;
    bool SetSourceDistances(SoundHandle handle, float reference, float maximum) override;
    void StopPlayback() override;
    void Update() override;
    bool SetListenerPosition(float x, float y, float z) override;
    bool SetListenerOrientation(float atX, float atY, float atZ, float upX, float upY, float upZ) override;

    // For tests and diagnostics: whether a library was loaded and a device opened, and a copy of
    // one slot taken under the lock.
    bool HasLibrary() const { return m_table != nullptr; }
    bool IsOpen() const { return m_device != nullptr && m_context != nullptr; }
    SoundSlot GetSlot(uint32_t index);
    // Update passes made so far (the update thread makes none while no slot is in use).
    uint32_t GetUpdatePassCount() const { return m_updatePasses.load(); }

private:
    static void ThreadProc(CWorkerThread* worker);
    // Stops the thread that refills the streamed sounds and waits for it (none: nothing to do).
    void StopUpdateThread();

    // One pass over the slots; true while a slot is still in use afterwards.
    bool UpdatePass();
    // The update thread sleeps here while no slot is in use, until Wake.
    void WaitForWork();
    void Wake();

    SoundHandle AllocateSlot();
    void FreeSlot(SoundSlot& slot);
    void StopAndFree(SoundSlot& slot);
    void FillBuffer(SoundSlot& slot, uint32_t buffer);
    bool GrowScratch(uint32_t bytes);
    uint32_t DecodeChunk(SoundSlot& slot, uint32_t frames);
    void UpdateStreamed(SoundSlot& slot);
    SoundSlot* SlotOf(SoundHandle handle);
    // Runs fn(slot) under the lock on the slot of a handle; false without a library, an open
    // device or a live slot, else what fn returns.
    template <class Fn> bool WithOpenSlot(SoundHandle handle, Fn fn);
    bool DeviceOk();
    int32_t DeviceValue(int32_t index, int value);

    CNerulanCriticalSection* m_lock = nullptr;
    CWorkerThread* m_thread = nullptr;
    OpenALFunctionTable* m_table = nullptr;
    int32_t m_selectedDevice = 0;
    SoundSlot m_slots[kSlotCount] = {};
    uint32_t m_scratchSize = 0;
    uint8_t* m_scratch = nullptr;
    ALCdevice* m_device = nullptr;
    ALCcontext* m_context = nullptr;
    std::atomic<uint32_t> m_updatePasses{0};
    // Wakes the idle update thread: set by Play and by the thread's stop.
    std::mutex m_wakeLock;
    std::condition_variable m_wakeSignal;
    bool m_wakePending = false;
};

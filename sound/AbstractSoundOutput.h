#pragma once
#include <cstdint>

class CSoundFile;

// Names one playback slot: slot index << 16 | the slot's serial when it was allocated. 0 names
// no slot. A handle goes stale once its slot is allocated again.
using SoundHandle = uint32_t;

// A sound output: plays loaded sounds in playback slots. The interface uses Open, Play and
// StopSound; the other operations complete the output for its own tests and tools.
class CAbstractSoundOutput
{
public:
    CAbstractSoundOutput() = default;
    virtual ~CAbstractSoundOutput() = default;
    CAbstractSoundOutput(const CAbstractSoundOutput&) = delete;
    CAbstractSoundOutput& operator=(const CAbstractSoundOutput&) = delete;

    // Opens the selected device. The first three arguments have no effect: every sound plays at
    // its own rate. Only bits is kept.
    virtual bool Open(uint32_t first, uint32_t second, uint32_t samplesPerSec, uint8_t bits) = 0;
    virtual void Close() = 0;
    virtual int32_t GetDeviceCount() = 0;
    // Copies the device's name into name (at least 128 bytes, NUL-terminated); false without a
    // library, without a buffer, for an index out of range or an empty name.
    virtual bool GetDeviceName(int32_t index, char* name) = 0;
    virtual int32_t GetSelectedDevice() = 0;
    virtual void SelectDevice(int32_t index) = 0;
    virtual int32_t GetDeviceValue1(int32_t index) = 0;
    virtual int32_t GetDeviceValue2(int32_t index) = 0;
    virtual int32_t GetDeviceValue3(int32_t index) = 0;
    virtual int32_t GetDeviceValue4(int32_t index) = 0;
    virtual int32_t GetDeviceValue5(int32_t index) = 0;
    virtual uint8_t GetBits() { return m_bits; }
    // Starts a sound in a free slot (volume in percent, 100 is unchanged). 0 without a library,
    // without a sound, or when every slot plays. A sound that cannot be played gets a handle and
    // is not heard.
    virtual SoundHandle Play(CSoundFile* sound, uint8_t volume, uint8_t loop, uint8_t start) = 0;
    // Stops and frees the first slot, in slot order, that holds this sound.
    virtual void StopSound(CSoundFile* sound) = 0;
    // The handle operations act only on a valid, current handle and need an open device; true
    // when the device reported no error afterwards.
    virtual bool PlayHandle(SoundHandle handle) = 0;
    virtual bool StopHandle(SoundHandle handle) = 0;
    virtual bool SetSourcePosition(SoundHandle handle, float x, float y, float z) = 0;
    virtual bool SetSourceDistances(SoundHandle handle, float reference, float maximum) = 0;
    // Stops and frees every slot that has a source.
    virtual void StopPlayback() = 0;
    // One pass over the slots: refills streamed sounds and frees finished ones.
    virtual void Update() = 0;
    virtual bool SetListenerPosition(float x, float y, float z) = 0;
    virtual bool SetListenerOrientation(float atX, float atY, float atZ, float upX, float upY, float upZ) = 0;

    const char* GetName() const { return m_name; }

protected:
    uint8_t m_bits = 0;
    const char* m_name = nullptr;
};

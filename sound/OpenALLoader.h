#pragma once
#include <AL/al.h>
#include <AL/alc.h>
#include <cstdint>

// The sound library is not linked: it is loaded at run time, and the program runs on without
// sound when it, one of its OpenAL 1.0 entry points or a default device is missing.

constexpr uint32_t kOpenALMaxDevices = 32;
constexpr uint32_t kOpenALDeviceNameSize = 128;
constexpr uint32_t kOpenALVersion10 = 0x10000;

// One output device of the library. The five values are kept for the device-value queries of
// the output and stay 0.
struct OpenALDeviceRecord
{
    char name[kOpenALDeviceNameSize];
    int32_t values[5];
};

// Every entry point in table order: (name, function pointer type, 1 when it belongs to OpenAL 1.1
// and is resolved only for a library above version 1.0).
#define NERULAN_OPENAL_ENTRY_POINTS(X)                                                                       \
    X(alEnable, LPALENABLE, 0)                                                                               \
    X(alDisable, LPALDISABLE, 0)                                                                             \
    X(alIsEnabled, LPALISENABLED, 0)                                                                         \
    X(alGetString, LPALGETSTRING, 0)                                                                         \
    X(alGetBooleanv, LPALGETBOOLEANV, 0)                                                                     \
    X(alGetIntegerv, LPALGETINTEGERV, 0)                                                                     \
    X(alGetFloatv, LPALGETFLOATV, 0)                                                                         \
    X(alGetDoublev, LPALGETDOUBLEV, 0)                                                                       \
    X(alGetBoolean, LPALGETBOOLEAN, 0)                                                                       \
    X(alGetInteger, LPALGETINTEGER, 0)                                                                       \
    X(alGetFloat, LPALGETFLOAT, 0)                                                                           \
    X(alGetDouble, LPALGETDOUBLE, 0)                                                                         \
    X(alIsExtensionPresent, LPALISEXTENSIONPRESENT, 0)                                                       \
    X(alGetProcAddress, LPALGETPROCADDRESS, 0)                                                               \
    X(alGetEnumValue, LPALGETENUMVALUE, 0)                                                                   \
    X(alListenerf, LPALLISTENERF, 0)                                                                         \
    X(alListener3f, LPALLISTENER3F, 0)                                                                       \
    X(alListenerfv, LPALLISTENERFV, 0)                                                                       \
    X(alListeneri, LPALLISTENERI, 0)                                                                         \
    X(alListener3i, LPALLISTENER3I, 1)                                                                       \
    X(alListeneriv, LPALLISTENERIV, 1)                                                                       \
    X(alGetListenerf, LPALGETLISTENERF, 0)                                                                   \
    X(alGetListener3f, LPALGETLISTENER3F, 0)                                                                 \
    X(alGetListenerfv, LPALGETLISTENERFV, 0)                                                                 \
    X(alGetListeneri, LPALGETLISTENERI, 0)                                                                   \
    X(alGetListener3i, LPALGETLISTENER3I, 1)                                                                 \
    X(alGetListeneriv, LPALGETLISTENERIV, 1)                                                                 \
    X(alGenSources, LPALGENSOURCES, 0)                                                                       \
    X(alDeleteSources, LPALDELETESOURCES, 0)                                                                 \
    X(alIsSource, LPALISSOURCE, 0)                                                                           \
    X(alSourcef, LPALSOURCEF, 0)                                                                             \
    X(alSource3f, LPALSOURCE3F, 0)                                                                           \
    X(alSourcefv, LPALSOURCEFV, 0)                                                                           \
    X(alSourcei, LPALSOURCEI, 0)                                                                             \
    X(alSource3i, LPALSOURCE3I, 1)                                                                           \
    X(alSourceiv, LPALSOURCEIV, 1)                                                                           \
    X(alGetSourcef, LPALGETSOURCEF, 0)                                                                       \
    X(alGetSource3f, LPALGETSOURCE3F, 0)                                                                     \
    X(alGetSourcefv, LPALGETSOURCEFV, 0)                                                                     \
    X(alGetSourcei, LPALGETSOURCEI, 0)                                                                       \
    X(alGetSource3i, LPALGETSOURCE3I, 1)                                                                     \
    X(alGetSourceiv, LPALGETSOURCEIV, 1)                                                                     \
    X(alSourcePlayv, LPALSOURCEPLAYV, 0)                                                                     \
    X(alSourceStopv, LPALSOURCESTOPV, 0)                                                                     \
    X(alSourceRewindv, LPALSOURCEREWINDV, 0)                                                                 \
    X(alSourcePausev, LPALSOURCEPAUSEV, 0)                                                                   \
    X(alSourcePlay, LPALSOURCEPLAY, 0)                                                                       \
    X(alSourceStop, LPALSOURCESTOP, 0)                                                                       \
    X(alSourceRewind, LPALSOURCEREWIND, 0)                                                                   \
    X(alSourcePause, LPALSOURCEPAUSE, 0)                                                                     \
    X(alSourceQueueBuffers, LPALSOURCEQUEUEBUFFERS, 0)                                                       \
    X(alSourceUnqueueBuffers, LPALSOURCEUNQUEUEBUFFERS, 0)                                                   \
    X(alGenBuffers, LPALGENBUFFERS, 0)                                                                       \
    X(alDeleteBuffers, LPALDELETEBUFFERS, 0)                                                                 \
    X(alIsBuffer, LPALISBUFFER, 0)                                                                           \
    X(alBufferData, LPALBUFFERDATA, 0)                                                                       \
    X(alBufferf, LPALBUFFERF, 1)                                                                             \
    X(alBuffer3f, LPALBUFFER3F, 1)                                                                           \
    X(alBufferfv, LPALBUFFERFV, 1)                                                                           \
    X(alBufferi, LPALBUFFERI, 1)                                                                             \
    X(alBuffer3i, LPALBUFFER3I, 1)                                                                           \
    X(alBufferiv, LPALBUFFERIV, 1)                                                                           \
    X(alGetBufferf, LPALGETBUFFERF, 0)                                                                       \
    X(alGetBuffer3f, LPALGETBUFFER3F, 1)                                                                     \
    X(alGetBufferfv, LPALGETBUFFERFV, 1)                                                                     \
    X(alGetBufferi, LPALGETBUFFERI, 0)                                                                       \
    X(alGetBuffer3i, LPALGETBUFFER3I, 1)                                                                     \
    X(alGetBufferiv, LPALGETBUFFERIV, 1)                                                                     \
    X(alDopplerFactor, LPALDOPPLERFACTOR, 0)                                                                 \
    X(alDopplerVelocity, LPALDOPPLERVELOCITY, 0)                                                             \
    X(alSpeedOfSound, LPALSPEEDOFSOUND, 1)                                                                   \
    X(alDistanceModel, LPALDISTANCEMODEL, 0)                                                                 \
    X(alcCreateContext, LPALCCREATECONTEXT, 0)                                                               \
    X(alcMakeContextCurrent, LPALCMAKECONTEXTCURRENT, 0)                                                     \
    X(alcProcessContext, LPALCPROCESSCONTEXT, 0)                                                             \
    X(alcSuspendContext, LPALCSUSPENDCONTEXT, 0)                                                             \
    X(alcDestroyContext, LPALCDESTROYCONTEXT, 0)                                                             \
    X(alcGetContextsDevice, LPALCGETCONTEXTSDEVICE, 0)                                                       \
    X(alcOpenDevice, LPALCOPENDEVICE, 0)                                                                     \
    X(alcCloseDevice, LPALCCLOSEDEVICE, 0)                                                                   \
    X(alcGetError, LPALCGETERROR, 0)                                                                         \
    X(alcIsExtensionPresent, LPALCISEXTENSIONPRESENT, 0)                                                     \
    X(alcGetProcAddress, LPALCGETPROCADDRESS, 0)                                                             \
    X(alcGetEnumValue, LPALCGETENUMVALUE, 0)                                                                 \
    X(alcGetString, LPALCGETSTRING, 0)                                                                       \
    X(alcGetIntegerv, LPALCGETINTEGERV, 0)                                                                   \
    X(alcCaptureOpenDevice, LPALCCAPTUREOPENDEVICE, 1)                                                       \
    X(alcCaptureCloseDevice, LPALCCAPTURECLOSEDEVICE, 1)                                                     \
    X(alcCaptureStart, LPALCCAPTURESTART, 1)                                                                 \
    X(alcCaptureStop, LPALCCAPTURESTOP, 1)                                                                   \
    X(alcCaptureSamples, LPALCCAPTURESAMPLES, 1)

// The loaded library: one zero-filled heap block owned by the sound output.
struct OpenALFunctionTable
{
    void* module;
    uint32_t version; // major << 16 | minor of the default device; 1.0 when a 1.1 entry is missing
    uint32_t deviceCount;
    OpenALDeviceRecord devices[kOpenALMaxDevices];
    // The default device and its context as the probe opened them (the context current), kept
    // for the output to take over so that the library starts its device once; FreeOpenAL
    // releases them when nothing took them. Null when taken.
    ALCdevice* probeDevice;
    ALCcontext* probeContext;
#define NERULAN_OPENAL_FIELD(name, type, v11) type name;
    NERULAN_OPENAL_ENTRY_POINTS(NERULAN_OPENAL_FIELD)
#undef NERULAN_OPENAL_FIELD
};

// Loads the library, resolves its entry points, probes the default device for the version and
// lists the devices (the default first), and keeps the default device open with its context
// current. Null when the library, a required entry point or a default device is missing. The
// caller releases the table with FreeOpenAL.
OpenALFunctionTable* LoadOpenAL();
// Releases the probe's device and context when still held (ReleaseOpenALProbe), unloads the
// library and frees the table; null is accepted.
void FreeOpenAL(OpenALFunctionTable* table);
// Makes no context current and releases the probe's context and device, when still held.
void ReleaseOpenALProbe(OpenALFunctionTable* table);

// The file name LoadOpenAL opens; tests point it at a library of their own. Null restores the
// default. Not thread-safe: set it before any output is created.
void SetOpenALLibraryName(const char* name);
const char* GetOpenALLibraryName();

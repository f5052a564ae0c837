/* A stand-in for the sound library, loaded by the sound tests in its place. It keeps no audio:
 * it hands out names, answers state queries from settings the test makes, and writes one log
 * line per call that changes something, so the tests can check the calls byte for byte.
 * Variants built from this file leave out one entry point (STUB_OMIT_PAUSEV,
 * STUB_OMIT_CAPTURE_SAMPLES). */
#include <AL/al.h>
#include <AL/alc.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#define STUB_EXPORT __attribute__((visibility("default")))
#define LOG_CAPACITY (1 << 22)

static pthread_mutex_t g_mutex = PTHREAD_MUTEX_INITIALIZER;
static char g_log[LOG_CAPACITY];
static size_t g_logSize;
static int g_deviceTag; /* the address handed out as the device */
static int g_contextTag;
static ALuint g_nextSource = 1;
static ALuint g_nextBuffer = 1001;

static struct
{
    int open; /* alcOpenDevice succeeds */
    int major, minor;
    int enumeration; /* ALC_ENUMERATION_EXT present */
    int noDefault;   /* no default device name */
    int state;       /* AL_SOURCE_STATE of every source */
    int processed;   /* buffers the sources have played and not yet given back */
    int error;       /* what alcGetError reports */
} g_config;

static char g_defaultName[512];
static char g_list[8192];

static void Log(const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0)
        return;
    if ((size_t)n >= sizeof line)
        n = sizeof line - 1;
    pthread_mutex_lock(&g_mutex);
    if (g_logSize + (size_t)n + 1 < LOG_CAPACITY)
    {
        memcpy(g_log + g_logSize, line, (size_t)n);
        g_logSize += (size_t)n;
        g_log[g_logSize++] = '\n';
    }
    pthread_mutex_unlock(&g_mutex);
}

STUB_EXPORT void stubal_Reset(void)
{
    pthread_mutex_lock(&g_mutex);
    g_logSize = 0;
    g_config.open = 1;
    g_config.major = 1;
    g_config.minor = 1;
    g_config.enumeration = 1;
    g_config.noDefault = 0;
    g_config.state = AL_PLAYING;
    g_config.processed = 0;
    g_config.error = ALC_NO_ERROR;
    strcpy(g_defaultName, "Stub Device");
    memcpy(g_list, "Stub Device\0Other Device\0\0", 27);
    pthread_mutex_unlock(&g_mutex);
}

STUB_EXPORT void stubal_ClearLog(void)
{
    pthread_mutex_lock(&g_mutex);
    g_logSize = 0;
    pthread_mutex_unlock(&g_mutex);
}

STUB_EXPORT void stubal_SetInt(const char* key, int value)
{
    pthread_mutex_lock(&g_mutex);
    if (!strcmp(key, "open"))
        g_config.open = value;
    else if (!strcmp(key, "major"))
        g_config.major = value;
    else if (!strcmp(key, "minor"))
        g_config.minor = value;
    else if (!strcmp(key, "enumeration"))
        g_config.enumeration = value;
    else if (!strcmp(key, "noDefault"))
        g_config.noDefault = value;
    else if (!strcmp(key, "state"))
        g_config.state = value;
    else if (!strcmp(key, "processed"))
        g_config.processed = value;
    else if (!strcmp(key, "error"))
        g_config.error = value;
    pthread_mutex_unlock(&g_mutex);
}

/* list: names each ended by NUL, the list ended by an empty name; size counts every byte. */
STUB_EXPORT void stubal_SetDevices(const char* defaultName, const char* list, size_t size)
{
    pthread_mutex_lock(&g_mutex);
    snprintf(g_defaultName, sizeof g_defaultName, "%s", defaultName);
    if (size > sizeof g_list - 2)
        size = sizeof g_list - 2;
    memset(g_list, 0, sizeof g_list);
    memcpy(g_list, list, size);
    pthread_mutex_unlock(&g_mutex);
}

STUB_EXPORT size_t stubal_CopyLog(char* out, size_t capacity)
{
    pthread_mutex_lock(&g_mutex);
    size_t n = g_logSize < capacity - 1 ? g_logSize : capacity - 1;
    memcpy(out, g_log, n);
    out[n] = '\0';
    pthread_mutex_unlock(&g_mutex);
    return n;
}

static int Config(const int* field)
{
    pthread_mutex_lock(&g_mutex);
    int value = *field;
    pthread_mutex_unlock(&g_mutex);
    return value;
}

/* FNV-1a over the bytes, to compare buffer contents without logging them. */
static unsigned Hash(const void* data, ALsizei size)
{
    const unsigned char* p = data;
    unsigned h = 2166136261u;
    for (ALsizei i = 0; i < size; ++i)
        h = (h ^ p[i]) * 16777619u;
    return h;
}

/* ---- entry points the output uses: logged ---- */

ALCdevice* alcOpenDevice(const ALCchar* name)
{
    Log("alcOpenDevice %s", name ? name : "(null)");
    return Config(&g_config.open) ? (ALCdevice*)&g_deviceTag : NULL;
}
ALCboolean alcCloseDevice(ALCdevice* device)
{
    Log("alcCloseDevice %d", device == (ALCdevice*)&g_deviceTag);
    return ALC_TRUE;
}
ALCcontext* alcCreateContext(ALCdevice* device, const ALCint* attributes)
{
    (void)attributes;
    Log("alcCreateContext %d", device == (ALCdevice*)&g_deviceTag);
    return (ALCcontext*)&g_contextTag;
}
ALCboolean alcMakeContextCurrent(ALCcontext* context)
{
    Log("alcMakeContextCurrent %s", context ? "context" : "(null)");
    return ALC_TRUE;
}
void alcDestroyContext(ALCcontext* context)
{
    Log("alcDestroyContext %d", context == (ALCcontext*)&g_contextTag);
}
ALCenum alcGetError(ALCdevice* device)
{
    (void)device;
    return Config(&g_config.error);
}
void alcGetIntegerv(ALCdevice* device, ALCenum param, ALCsizei size, ALCint* values)
{
    (void)device;
    if (size < 1 || !values)
        return;
    if (param == ALC_MAJOR_VERSION)
        *values = Config(&g_config.major);
    else if (param == ALC_MINOR_VERSION)
        *values = Config(&g_config.minor);
}
const ALCchar* alcGetString(ALCdevice* device, ALCenum param)
{
    (void)device;
    if (param == ALC_DEFAULT_DEVICE_SPECIFIER)
        return Config(&g_config.noDefault) ? NULL : g_defaultName;
    if (param == ALC_DEVICE_SPECIFIER)
        return g_list;
    return "";
}
ALCboolean alcIsExtensionPresent(ALCdevice* device, const ALCchar* name)
{
    (void)device;
    return !strcmp(name, "ALC_ENUMERATION_EXT") && Config(&g_config.enumeration) ? ALC_TRUE : ALC_FALSE;
}

void alListenerfv(ALenum param, const ALfloat* values)
{
    if (param == AL_ORIENTATION)
        Log("alListenerfv %#x %g %g %g %g %g %g", param, values[0], values[1], values[2], values[3],
            values[4], values[5]);
    else
        Log("alListenerfv %#x %g %g %g", param, values[0], values[1], values[2]);
}
void alListener3f(ALenum param, ALfloat x, ALfloat y, ALfloat z)
{
    Log("alListener3f %#x %g %g %g", param, x, y, z);
}

void alGenSources(ALsizei n, ALuint* sources)
{
    pthread_mutex_lock(&g_mutex);
    for (ALsizei i = 0; i < n; ++i)
        sources[i] = g_nextSource++;
    pthread_mutex_unlock(&g_mutex);
    Log("alGenSources %d %u", n, n > 0 ? sources[0] : 0);
}
void alDeleteSources(ALsizei n, const ALuint* sources)
{
    Log("alDeleteSources %d %u", n, n > 0 ? sources[0] : 0);
}
void alGenBuffers(ALsizei n, ALuint* buffers)
{
    pthread_mutex_lock(&g_mutex);
    for (ALsizei i = 0; i < n; ++i)
        buffers[i] = g_nextBuffer++;
    pthread_mutex_unlock(&g_mutex);
    Log("alGenBuffers %d %u", n, n > 0 ? buffers[0] : 0);
}
void alDeleteBuffers(ALsizei n, const ALuint* buffers)
{
    Log("alDeleteBuffers %d %u", n, n > 0 ? buffers[0] : 0);
}
void alSourcef(ALuint source, ALenum param, ALfloat value)
{
    Log("alSourcef %u %#x %g", source, param, value);
}
void alSourcefv(ALuint source, ALenum param, const ALfloat* v)
{
    Log("alSourcefv %u %#x %g %g %g", source, param, v[0], v[1], v[2]);
}
void alSourcei(ALuint source, ALenum param, ALint value)
{
    Log("alSourcei %u %#x %d", source, param, value);
}
void alGetSourcei(ALuint source, ALenum param, ALint* value)
{
    (void)source;
    if (param == AL_SOURCE_STATE)
        *value = Config(&g_config.state);
    else if (param == AL_BUFFERS_PROCESSED)
        *value = Config(&g_config.processed);
}
void alSourcePlay(ALuint source)
{
    Log("alSourcePlay %u", source);
}
void alSourceStop(ALuint source)
{
    Log("alSourceStop %u", source);
}
void alSourceQueueBuffers(ALuint source, ALsizei n, const ALuint* buffers)
{
    if (n == 2)
        Log("alSourceQueueBuffers %u %d %u %u", source, n, buffers[0], buffers[1]);
    else
        Log("alSourceQueueBuffers %u %d %u", source, n, n > 0 ? buffers[0] : 0);
}
void alSourceUnqueueBuffers(ALuint source, ALsizei n, ALuint* buffers)
{
    /* Hands back the buffers in the order they were queued: good enough for the tests, which
     * check the data and count the calls. */
    static ALuint s_next = 1001;
    pthread_mutex_lock(&g_mutex);
    for (ALsizei i = 0; i < n; ++i)
        buffers[i] = s_next++;
    if (g_config.processed >= n)
        g_config.processed -= n;
    else
        g_config.processed = 0;
    pthread_mutex_unlock(&g_mutex);
    Log("alSourceUnqueueBuffers %u %d", source, n);
}
void alBufferData(ALuint buffer, ALenum format, const ALvoid* data, ALsizei size, ALsizei freq)
{
    const unsigned char* p = data;
    Log("alBufferData %u %#x %d %d %08x %02x%02x%02x%02x", buffer, format, size, freq, Hash(data, size),
        size > 0 ? p[0] : 0, size > 1 ? p[1] : 0, size > 2 ? p[2] : 0, size > 3 ? p[3] : 0);
}

/* ---- the rest of the table: present, inert ---- */

void alEnable(ALenum c)
{
    (void)c;
}
void alDisable(ALenum c)
{
    (void)c;
}
ALboolean alIsEnabled(ALenum c)
{
    (void)c;
    return AL_FALSE;
}
const ALchar* alGetString(ALenum p)
{
    (void)p;
    return "";
}
void alGetBooleanv(ALenum p, ALboolean* v)
{
    (void)p;
    (void)v;
}
void alGetIntegerv(ALenum p, ALint* v)
{
    (void)p;
    (void)v;
}
void alGetFloatv(ALenum p, ALfloat* v)
{
    (void)p;
    (void)v;
}
void alGetDoublev(ALenum p, ALdouble* v)
{
    (void)p;
    (void)v;
}
ALboolean alGetBoolean(ALenum p)
{
    (void)p;
    return AL_FALSE;
}
ALint alGetInteger(ALenum p)
{
    (void)p;
    return 0;
}
ALfloat alGetFloat(ALenum p)
{
    (void)p;
    return 0;
}
ALdouble alGetDouble(ALenum p)
{
    (void)p;
    return 0;
}
ALboolean alIsExtensionPresent(const ALchar* n)
{
    (void)n;
    return AL_FALSE;
}
void* alGetProcAddress(const ALchar* n)
{
    (void)n;
    return NULL;
}
ALenum alGetEnumValue(const ALchar* n)
{
    (void)n;
    return 0;
}
void alListenerf(ALenum p, ALfloat v)
{
    (void)p;
    (void)v;
}
void alListeneri(ALenum p, ALint v)
{
    (void)p;
    (void)v;
}
void alListener3i(ALenum p, ALint a, ALint b, ALint c)
{
    (void)p;
    (void)a;
    (void)b;
    (void)c;
}
void alListeneriv(ALenum p, const ALint* v)
{
    (void)p;
    (void)v;
}
void alGetListenerf(ALenum p, ALfloat* v)
{
    (void)p;
    (void)v;
}
void alGetListener3f(ALenum p, ALfloat* a, ALfloat* b, ALfloat* c)
{
    (void)p;
    (void)a;
    (void)b;
    (void)c;
}
void alGetListenerfv(ALenum p, ALfloat* v)
{
    (void)p;
    (void)v;
}
void alGetListeneri(ALenum p, ALint* v)
{
    (void)p;
    (void)v;
}
void alGetListener3i(ALenum p, ALint* a, ALint* b, ALint* c)
{
    (void)p;
    (void)a;
    (void)b;
    (void)c;
}
void alGetListeneriv(ALenum p, ALint* v)
{
    (void)p;
    (void)v;
}
ALboolean alIsSource(ALuint s)
{
    (void)s;
    return AL_TRUE;
}
void alSource3f(ALuint s, ALenum p, ALfloat a, ALfloat b, ALfloat c)
{
    (void)s;
    (void)p;
    (void)a;
    (void)b;
    (void)c;
}
void alSource3i(ALuint s, ALenum p, ALint a, ALint b, ALint c)
{
    (void)s;
    (void)p;
    (void)a;
    (void)b;
    (void)c;
}
void alSourceiv(ALuint s, ALenum p, const ALint* v)
{
    (void)s;
    (void)p;
    (void)v;
}
void alGetSourcef(ALuint s, ALenum p, ALfloat* v)
{
    (void)s;
    (void)p;
    (void)v;
}
void alGetSource3f(ALuint s, ALenum p, ALfloat* a, ALfloat* b, ALfloat* c)
{
    (void)s;
    (void)p;
    (void)a;
    (void)b;
    (void)c;
}
void alGetSourcefv(ALuint s, ALenum p, ALfloat* v)
{
    (void)s;
    (void)p;
    (void)v;
}
void alGetSource3i(ALuint s, ALenum p, ALint* a, ALint* b, ALint* c)
{
    (void)s;
    (void)p;
    (void)a;
    (void)b;
    (void)c;
}
void alGetSourceiv(ALuint s, ALenum p, ALint* v)
{
    (void)s;
    (void)p;
    (void)v;
}
void alSourcePlayv(ALsizei n, const ALuint* s)
{
    (void)n;
    (void)s;
}
void alSourceStopv(ALsizei n, const ALuint* s)
{
    (void)n;
    (void)s;
}
void alSourceRewindv(ALsizei n, const ALuint* s)
{
    (void)n;
    (void)s;
}
#ifndef STUB_OMIT_PAUSEV
void alSourcePausev(ALsizei n, const ALuint* s)
{
    (void)n;
    (void)s;
}
#endif
void alSourceRewind(ALuint s)
{
    (void)s;
}
void alSourcePause(ALuint s)
{
    (void)s;
}
ALboolean alIsBuffer(ALuint b)
{
    (void)b;
    return AL_TRUE;
}
void alBufferf(ALuint b, ALenum p, ALfloat v)
{
    (void)b;
    (void)p;
    (void)v;
}
void alBuffer3f(ALuint b, ALenum p, ALfloat x, ALfloat y, ALfloat z)
{
    (void)b;
    (void)p;
    (void)x;
    (void)y;
    (void)z;
}
void alBufferfv(ALuint b, ALenum p, const ALfloat* v)
{
    (void)b;
    (void)p;
    (void)v;
}
void alBufferi(ALuint b, ALenum p, ALint v)
{
    (void)b;
    (void)p;
    (void)v;
}
void alBuffer3i(ALuint b, ALenum p, ALint x, ALint y, ALint z)
{
    (void)b;
    (void)p;
    (void)x;
    (void)y;
    (void)z;
}
void alBufferiv(ALuint b, ALenum p, const ALint* v)
{
    (void)b;
    (void)p;
    (void)v;
}
void alGetBufferf(ALuint b, ALenum p, ALfloat* v)
{
    (void)b;
    (void)p;
    (void)v;
}
void alGetBuffer3f(ALuint b, ALenum p, ALfloat* x, ALfloat* y, ALfloat* z)
{
    (void)b;
    (void)p;
    (void)x;
    (void)y;
    (void)z;
}
void alGetBufferfv(ALuint b, ALenum p, ALfloat* v)
{
    (void)b;
    (void)p;
    (void)v;
}
void alGetBufferi(ALuint b, ALenum p, ALint* v)
{
    (void)b;
    (void)p;
    (void)v;
}
void alGetBuffer3i(ALuint b, ALenum p, ALint* x, ALint* y, ALint* z)
{
    (void)b;
    (void)p;
    (void)x;
    (void)y;
    (void)z;
}
void alGetBufferiv(ALuint b, ALenum p, ALint* v)
{
    (void)b;
    (void)p;
    (void)v;
}
void alDopplerFactor(ALfloat v)
{
    (void)v;
}
void alDopplerVelocity(ALfloat v)
{
    (void)v;
}
void alSpeedOfSound(ALfloat v)
{
    (void)v;
}
void alDistanceModel(ALenum v)
{
    (void)v;
}
void alcProcessContext(ALCcontext* c)
{
    (void)c;
}
void alcSuspendContext(ALCcontext* c)
{
    (void)c;
}
ALCdevice* alcGetContextsDevice(ALCcontext* c)
{
    (void)c;
    return (ALCdevice*)&g_deviceTag;
}
void* alcGetProcAddress(ALCdevice* d, const ALCchar* n)
{
    (void)d;
    (void)n;
    return NULL;
}
ALCenum alcGetEnumValue(ALCdevice* d, const ALCchar* n)
{
    (void)d;
    (void)n;
    return 0;
}
ALCdevice* alcCaptureOpenDevice(const ALCchar* n, ALCuint f, ALCenum fmt, ALCsizei s)
{
    (void)n;
    (void)f;
    (void)fmt;
    (void)s;
    return NULL;
}
ALCboolean alcCaptureCloseDevice(ALCdevice* d)
{
    (void)d;
    return ALC_FALSE;
}
void alcCaptureStart(ALCdevice* d)
{
    (void)d;
}
void alcCaptureStop(ALCdevice* d)
{
    (void)d;
}
#ifndef STUB_OMIT_CAPTURE_SAMPLES
void alcCaptureSamples(ALCdevice* d, ALCvoid* b, ALCsizei s)
{
    (void)d;
    (void)b;
    (void)s;
}
#endif

__attribute__((constructor)) static void StubInit(void)
{
    stubal_Reset();
}

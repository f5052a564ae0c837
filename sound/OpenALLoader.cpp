#include "sound/OpenALLoader.h"

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace
{
// The one place that names the library file.
constexpr const char* kDefaultLibraryName = "libopenal.so.1";
const char* g_libraryName = kDefaultLibraryName;

constexpr const char* kDefaultDeviceText = "Default device";

template <typename T> bool Resolve(void* module, const char* name, T& entry)
{
    // dlsym returns an object pointer; POSIX guarantees it converts to a function pointer.
    entry = reinterpret_cast<T>(dlsym(module, name));
    return entry != nullptr;
}

bool ResolveRequired(OpenALFunctionTable* table)
{
    bool all = true;
#define NERULAN_OPENAL_REQUIRED(name, type, v11)                                                             \
    if (!(v11) && !Resolve(table->module, #name, table->name))                                               \
        all = false;
    NERULAN_OPENAL_ENTRY_POINTS(NERULAN_OPENAL_REQUIRED)
#undef NERULAN_OPENAL_REQUIRED
    return all;
}

bool ResolveVersion11(OpenALFunctionTable* table)
{
    bool all = true;
#define NERULAN_OPENAL_V11(name, type, v11)                                                                  \
    if ((v11) && !Resolve(table->module, #name, table->name))                                                \
        all = false;
    NERULAN_OPENAL_ENTRY_POINTS(NERULAN_OPENAL_V11)
#undef NERULAN_OPENAL_V11
    return all;
}

void CopyName(OpenALDeviceRecord& record, const char* name)
{
    std::strncpy(record.name, name, kOpenALDeviceNameSize - 1);
    record.name[kOpenALDeviceNameSize - 1] = '\0';
}

// The default device first, then every other name of the library's list, in its order.
void ListDevices(OpenALFunctionTable* table)
{
    const char* defaultName = table->alcGetString(nullptr, ALC_DEFAULT_DEVICE_SPECIFIER);
    if (!defaultName)
    {
        CopyName(table->devices[0], kDefaultDeviceText);
        table->deviceCount = 1;
        return;
    }
    CopyName(table->devices[0], defaultName);
    table->deviceCount = 1;
    const char* list = table->alcGetString(nullptr, ALC_DEVICE_SPECIFIER);
    if (table->alcIsExtensionPresent(nullptr, "ALC_ENUMERATION_EXT") != 1 || !list)
        return;
    for (uint32_t looked = 0; looked < kOpenALMaxDevices && *list && table->deviceCount < kOpenALMaxDevices;
         ++looked)
    {
        if (std::strcmp(list, defaultName) != 0)
            CopyName(table->devices[table->deviceCount++], list);
        list += std::strlen(list) + 1;
    }
}

// Opens the default device for its version and the device list; false when none opens. The
// device and its context stay open for the output (starting a device and its mixer is the
// costly part of the library's start, so it is done once).
bool Probe(OpenALFunctionTable* table)
{
    ALCdevice* device = table->alcOpenDevice(nullptr);
    if (!device)
        return false;
    ALCcontext* context = table->alcCreateContext(device, nullptr);
    table->alcMakeContextCurrent(context);
    table->alcGetError(device);
    ALCint major = 0;
    ALCint minor = 0;
    table->alcGetIntegerv(device, ALC_MAJOR_VERSION, 1, &major);
    table->alcGetIntegerv(device, ALC_MINOR_VERSION, 1, &minor);
    table->version = (static_cast<uint32_t>(major) << 16) | (static_cast<uint32_t>(minor) & 0xFFFF);
    ListDevices(table);
    table->probeDevice = device;
    table->probeContext = context;
    return true;
}
} // namespace

void SetOpenALLibraryName(const char* name)
{
    g_libraryName = name ? name : kDefaultLibraryName;
}

const char* GetOpenALLibraryName()
{
    return g_libraryName;
}

OpenALFunctionTable* LoadOpenAL()
{
    auto* table = static_cast<OpenALFunctionTable*>(std::calloc(1, sizeof(OpenALFunctionTable)));
    if (!table)
        return nullptr;
    table->module = dlopen(g_libraryName, RTLD_NOW | RTLD_LOCAL);
    if (!table->module || !ResolveRequired(table) || !Probe(table))
    {
        FreeOpenAL(table);
        return nullptr;
    }
    if (table->version > kOpenALVersion10 && !ResolveVersion11(table))
        table->version = kOpenALVersion10;
    return table;
}

void ReleaseOpenALProbe(OpenALFunctionTable* table)
{
    if (!table || !table->probeDevice)
        return;
    table->alcMakeContextCurrent(nullptr);
    if (table->probeContext)
        table->alcDestroyContext(table->probeContext);
    table->alcCloseDevice(table->probeDevice);
    table->probeContext = nullptr;
    table->probeDevice = nullptr;
}

void FreeOpenAL(OpenALFunctionTable* table)
{
    if (!table)
        return;
    ReleaseOpenALProbe(table);
    if (table->module)
        dlclose(table->module);
    std::free(table);
}

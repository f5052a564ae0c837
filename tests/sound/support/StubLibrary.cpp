#include "StubLibrary.h"

#include <dlfcn.h>
#include <sstream>

#include "platform/Clock.h"
#include "sound/OpenALLoader.h"

namespace soundtest
{
namespace
{
const char* FileOf(StubLibrary::Variant variant)
{
    switch (variant)
    {
    case StubLibrary::WithoutPausev:
        return "libstubopenal_nopausev.so";
    case StubLibrary::WithoutCaptureSamples:
        return "libstubopenal_nocapture.so";
    default:
        return "libstubopenal.so";
    }
}

template <typename T> T Symbol(void* module, const char* name)
{
    return module ? reinterpret_cast<T>(dlsym(module, name)) : nullptr;
}
} // namespace

StubLibrary::StubLibrary(Variant variant)
    : m_path(std::string(NERULAN_BUILD_DIR) + "/openal-stubs/" + FileOf(variant))
{
    m_module = dlopen(m_path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (auto reset = Symbol<void (*)()>(m_module, "stubal_Reset"))
        reset();
    SetOpenALLibraryName(m_path.c_str());
}

StubLibrary::~StubLibrary()
{
    SetOpenALLibraryName(nullptr);
    if (m_module)
        dlclose(m_module);
}

void StubLibrary::Set(const char* key, int value)
{
    if (auto set = Symbol<void (*)(const char*, int)>(m_module, "stubal_SetInt"))
        set(key, value);
}

void StubLibrary::SetDevices(const std::string& defaultName, const std::vector<std::string>& names)
{
    std::string list;
    for (const std::string& name : names)
    {
        list += name;
        list.push_back('\0');
    }
    list.push_back('\0');
    if (auto set = Symbol<void (*)(const char*, const char*, size_t)>(m_module, "stubal_SetDevices"))
        set(defaultName.c_str(), list.data(), list.size());
}

void StubLibrary::ClearLog()
{
    if (auto clear = Symbol<void (*)()>(m_module, "stubal_ClearLog"))
        clear();
}

std::vector<std::string> StubLibrary::Log()
{
    std::vector<std::string> lines;
    auto copy = Symbol<size_t (*)(char*, size_t)>(m_module, "stubal_CopyLog");
    if (!copy)
        return lines;
    std::string text(1 << 22, '\0');
    text.resize(copy(text.data(), text.size()));
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> StubLibrary::Calls(const std::string& prefix)
{
    std::vector<std::string> found;
    for (const std::string& line : Log())
    {
        if (line.compare(0, prefix.size(), prefix) == 0)
            found.push_back(line);
    }
    return found;
}

bool StubLibrary::WaitFor(const std::string& line, uint32_t timeoutMs)
{
    const uint32_t start = platform::ClockMs();
    for (;;)
    {
        for (const std::string& l : Log())
        {
            if (l == line)
                return true;
        }
        if (platform::PeriodReached(platform::ClockMs(), start, timeoutMs))
            return false;
        platform::SleepMs(5);
    }
}

uint32_t Fnv1a(const uint8_t* data, size_t size)
{
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i)
        h = (h ^ data[i]) * 16777619u;
    return h;
}
} // namespace soundtest

#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace soundtest
{
// The logging stand-in for the sound library (stub_openal.c), in one of its variants. Making one
// points the loader at it and resets its settings and log; the destructor points the loader
// back at the real library.
class StubLibrary
{
public:
    enum Variant
    {
        Complete,
        WithoutPausev,
        WithoutCaptureSamples,
    };

    explicit StubLibrary(Variant variant = Complete);
    ~StubLibrary();
    StubLibrary(const StubLibrary&) = delete;
    StubLibrary& operator=(const StubLibrary&) = delete;

    bool Loaded() const { return m_module != nullptr; }
    void Set(const char* key, int value);
    void SetDevices(const std::string& defaultName, const std::vector<std::string>& names);
    void ClearLog();
    std::vector<std::string> Log();
    // Log lines that start with `prefix`.
    std::vector<std::string> Calls(const std::string& prefix);
    // Waits (at most timeoutMs) until a log line equal to `line` appears.
    bool WaitFor(const std::string& line, uint32_t timeoutMs = 10000);

private:
    std::string m_path;
    void* m_module = nullptr;
};

// FNV-1a, as the stub logs for the bytes of every buffer.
uint32_t Fnv1a(const uint8_t* data, size_t size);
} // namespace soundtest

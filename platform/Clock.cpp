#include "platform/Clock.h"

#include <chrono>
#include <thread>

namespace platform
{
namespace
{
const std::chrono::steady_clock::time_point g_start = std::chrono::steady_clock::now();
}

uint32_t ClockMs()
{
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - g_start);
    return static_cast<uint32_t>(static_cast<uint64_t>(ms.count()));
}

void SleepMs(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void YieldThread() { std::this_thread::yield(); }
} // namespace platform

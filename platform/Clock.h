#pragma once
#include <cstdint>

// The process clock: milliseconds since the program started, on a monotonic clock. It is
// 32 bits wide and wraps after about 49.7 days, so compare times only through the helpers below.
namespace platform
{
uint32_t ClockMs();

// Milliseconds from `since` to `now`, correct across one wrap of the clock.
inline uint32_t ElapsedMs(uint32_t now, uint32_t since) { return now - since; }

// True once at least `period` milliseconds have passed since `start`.
inline bool PeriodReached(uint32_t now, uint32_t start, uint32_t period) { return now - start >= period; }

void SleepMs(uint32_t ms);
void YieldThread();
} // namespace platform

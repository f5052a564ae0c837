#pragma once
// The tick loop of the driver tests: a driver only moves when Update is called, and the link's
// own thread hands its bytes over in its own time, so the tests tick until what they wait for
// has happened. The limit only ends a test that would otherwise hang; nothing is timed by it.
#include <chrono>
#include <cstdint>
#include <thread>

namespace device_test
{
// Calls Update every `stepMs` until `done` holds or `ms` passed; the result is `done`'s last
// answer.
template <class Device, class Predicate>
bool Tick(Device& device, Predicate done, uint32_t ms = 10000, uint32_t stepMs = 2)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until)
    {
        device.Update();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
    }
    return done();
}

// The same with the limit first, as the controller tests write it.
template <class Device, class Predicate> bool TickWithin(Device& device, uint32_t ms, Predicate done)
{
    return Tick(device, done, ms);
}

// Runs Update for `ms` (while the test checks that nothing happens that should not).
template <class Device> void TickFor(Device& device, uint32_t ms)
{
    Tick(
        device, [] { return false; }, ms);
}
} // namespace device_test

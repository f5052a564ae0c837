#pragma once
// Shared by the HelvarNet and Helvar AV tests: a device that notes what it posts, and a ticking
// loop that waits for a condition.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "devices/AbstractDevice.h"
#include "devices/DeviceEvent.h"
#include "platform/Clock.h"

namespace helvar_test
{
// Notes every drained record as "kind channel value" (values of the float kinds as floats).
template <class Driver> class CRecording : public Driver
{
public:
    std::vector<std::string> events;

protected:
    void DispatchEvent(const CDeviceEvent& event, uint32_t address) override
    {
        char text[64];
        if (event.kind >= 1 && event.kind <= 3)
            std::snprintf(text, sizeof text, "%d %u %g", event.kind, event.channel, event.ValueAsFloat());
        else
            std::snprintf(text, sizeof text, "%d %u %lld", event.kind, event.channel,
                          static_cast<long long>(static_cast<intptr_t>(event.value)));
        events.push_back(text);
        Driver::DispatchEvent(event, address);
    }
};

template <typename Predicate> bool Tick(CAbstractDevice& device, uint32_t ms, Predicate done)
{
    const uint32_t start = platform::ClockMs();
    while (platform::ElapsedMs(platform::ClockMs(), start) < ms)
    {
        device.Update();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

inline std::string Text(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}
} // namespace helvar_test

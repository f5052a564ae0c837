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
#include "devices/support/ByteText.h"
#include "devices/support/DeviceTick.h"
#include "platform/Clock.h"

namespace helvar_test
{
// Notes every drained record as "kind channel value" (values of the float kinds as floats).
template <class Driver> class CRecording : public Driver
{
public:
    // The transport's thread stops before this class's members go.
    ~CRecording() override { this->DeleteTransport(); }
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

using device_test::Text;
using device_test::TickWithin;
} // namespace helvar_test

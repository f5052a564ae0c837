#pragma once
// What the C-Bus tests share: a driver that records the values it posts and whose clock can be
// moved, channel blobs, and a tick loop.
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "devices/DeviceEvent.h"
#include "devices/DeviceEventSink.h"
#include "platform/Clock.h"

namespace cbus_test
{
struct Posted
{
    uint32_t channel;
    float value;
};

// The driver with its drained events kept (channel, value) and a movable clock.
template <class Driver> class CRecording : public Driver
{
public:
    CRecording()
    {
        // Only compared with null before DispatchEvent is called.
        this->SetDialogSystem(reinterpret_cast<CDeviceEventSink*>(uintptr_t{0x10}));
    }
    ~CRecording() override { this->DeleteTransport(); }
    void Advance(uint32_t ms) { this->m_created -= ms; }
    std::vector<Posted> Values()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_values;
    }
    // The last value posted for the channel; false when none.
    bool Last(uint32_t channel, float& value)
    {
        bool found = false;
        for (const Posted& p : Values())
        {
            if (p.channel == (channel & 0xFFFF))
            {
                value = p.value;
                found = true;
            }
        }
        return found;
    }
    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_values.clear();
    }

protected:
    void DispatchEvent(const CDeviceEvent& event, uint32_t address) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (event.kind == EventSetItemValue)
            m_values.push_back({address & 0xFFFF, event.ValueAsFloat()});
    }

private:
    std::mutex m_lock;
    std::vector<Posted> m_values;
};

// Calls Update every 5 ms until `done` holds or `ms` passed; the result is `done`'s last answer.
template <class Device> bool Tick(Device& device, const std::function<bool()>& done, uint32_t ms = 10000)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until)
    {
        device.Update();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

inline std::string Text(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}
} // namespace cbus_test

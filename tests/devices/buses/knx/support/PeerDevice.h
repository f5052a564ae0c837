#pragma once
// A driver on its real transport, ticked by the test as the tick thread would tick it, with the
// values it posts recorded.
#include <chrono>
#include <thread>
#include <vector>

#include "ScriptedLink.h"

namespace knx_test
{
template <class Driver> class CPeerDevice : public Driver
{
public:
    CPeerDevice()
    {
        // The drain calls DispatchEvent only with an interface set; this one is never used, since
        // DispatchEvent below keeps the records.
        this->m_dialogSystem = reinterpret_cast<decltype(this->m_dialogSystem)>(this);
    }

    // Updates every 5 ms until the condition holds; false when `ms` pass first.
    template <class Condition> bool TickUntil(Condition condition, int ms)
    {
        for (int waited = 0; waited <= ms; waited += 5)
        {
            this->Update();
            if (condition())
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }
    void TickFor(int ms)
    {
        TickUntil([] { return false; }, ms);
    }
    // The last value posted on the channel equals `value`.
    bool Posted(uint32_t channel, float value) const
    {
        for (auto it = posted.rbegin(); it != posted.rend(); ++it)
        {
            if (it->channel == channel)
                return it->value == value;
        }
        return false;
    }

    // Tick thread only (the test's thread).
    std::vector<PostedValue> posted;

protected:
    void DispatchEvent(const CDeviceEvent& event, uint32_t) override
    {
        posted.push_back({event.channel, event.kind, event.ValueAsFloat()});
    }
};
} // namespace knx_test

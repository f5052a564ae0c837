#pragma once
// The AMX link with the clocks held by the test, its commands and its drained events recorded, and
// a sink whose held item the test sets.
#include <atomic>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "devices/controllers/amx/AMXDevice.h"
#include "devices/support/HeldClock.h"
#include "devices/support/NullEventSink.h"

namespace amx_test
{
struct Event
{
    uint8_t kind = 0;
    uint32_t channel = 0;
    float number = 0; // kinds 1-3
    uintptr_t value = 0;
    uintptr_t argument = 0;
    uintptr_t second = 0;
    std::u16string text; // the wide text of the value or the argument
};

class HeldItemSink : public CNullEventSink
{
public:
    int32_t heldState = 0;
    uint32_t heldId = 0;
    bool holding = false;
    std::u16string heldText;

    int32_t GetHeldItemState() override { return holding ? heldState : 0; }
    uint32_t GetHeldItemId() override { return holding ? heldId : 0; }
    bool GetHeldItemText(std::u16string& text) override
    {
        text = heldText;
        return holding && !heldText.empty();
    }
};

class AmxTestDevice : public device_test::CHeldClock<CAMXDevice>
{
public:
    AmxTestDevice()
    {
        SetId(3);
        SetDialogSystem(&sink);
        SetLocalTime(2011, 3, 3, 13, 0, 4);
    }
    // The transport's thread stops while this test's members are still whole; what the link's
    // end posts is not drained into a sink that is gone.
    ~AmxTestDevice() override
    {
        DeleteTransport();
        SetDialogSystem(nullptr);
    }

    // SetDeviceTime (of CHeldClock) holds Now() at a time of the test's; this reads the running
    // clock all the same.
    uint32_t RealNow() const { return CAMXDevice::Now(); }

    void SetLocalTime(int year, int month, int day, int hour, int minute, int weekday, int second = 0)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_local = std::tm{};
        m_local.tm_year = year - 1900;
        m_local.tm_mon = month - 1;
        m_local.tm_mday = day;
        m_local.tm_hour = hour;
        m_local.tm_min = minute;
        m_local.tm_sec = second;
        m_local.tm_wday = weekday;
    }

    // Records every panel command; with `interpret` set it also runs it as the link does.
    void ExecuteCommand(uint16_t port, char* text) override
    {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_commands.push_back(std::to_string(port) + ":" + text);
        }
        if (interpret)
            CAMXDevice::ExecuteCommand(port, text);
    }
    std::atomic<bool> interpret{false};
    std::vector<std::string> Commands()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_commands;
    }

    // Events drained so far (tick thread = the test's thread).
    std::vector<Event> events;
    std::vector<Event> Take()
    {
        std::vector<Event> taken;
        taken.swap(events);
        return taken;
    }
    HeldItemSink sink;

protected:
    std::tm LocalTime() const override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_local;
    }
    void DispatchEvent(const CDeviceEvent& event, uint32_t) override
    {
        Event e;
        e.kind = event.kind;
        e.channel = event.channel;
        e.number = event.ValueAsFloat();
        e.value = event.value;
        e.argument = event.argument;
        e.second = event.second;
        if (event.ValueWide())
            e.text = event.ValueWide();
        else if (event.ArgumentWide())
            e.text = event.ArgumentWide();
        events.push_back(e);
    }

private:
    mutable std::mutex m_lock;
    std::tm m_local{};
    std::vector<std::string> m_commands;
};
} // namespace amx_test

#pragma once
// What the SmartBus and X10 driver tests share: a driver that keeps the events it dispatches,
// a tick loop, and a folder whose COMn is a pty peer.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "devices/DeviceEvent.h"
#include "devices/DeviceEventSink.h"
#include "support/PtyPeer.h"
#include "support/TempFolder.h"

namespace bus_test
{
struct Seen
{
    uint32_t channel = 0;
    uint8_t kind = 0;
    float value = 0;
    uintptr_t raw = 0;
    bool hasText = false;
    std::u16string text;
};

// The driver with its drained events kept.
template <class Driver> class CRecording : public Driver
{
public:
    CRecording()
    {
        // Only compared with null before DispatchEvent is called.
        this->SetDialogSystem(reinterpret_cast<CDeviceEventSink*>(uintptr_t{0x10}));
    }
    ~CRecording() override
    {
        this->DeleteTransport();
        // What is still in the ring is taken here: the base's destructor would hand it to the
        // stand-in dialog system above.
        this->DispatchEvents();
    }
    // Moves the device's clock on (the held time, while the clock is held).
    void Advance(uint32_t ms)
    {
        if (m_holding)
            m_heldTime += ms;
        else
            this->m_created -= ms;
    }
    // Holds the device's clock at `deviceTime` until the next call (or Release): the test steps
    // the time itself, so no time-out depends on how busy the machine is.
    void HoldClock(uint32_t deviceTime)
    {
        m_heldTime = deviceTime;
        m_holding = true;
    }
    uint32_t Now() const override { return m_holding ? m_heldTime.load() : Driver::Now(); }
    std::vector<Seen> Events()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_seen;
    }
    std::vector<Seen> EventsFor(uint32_t channel)
    {
        std::vector<Seen> found;
        for (const Seen& s : Events())
        {
            if (s.channel == channel)
                found.push_back(s);
        }
        return found;
    }
    void Clear()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_seen.clear();
    }

protected:
    void DispatchEvent(const CDeviceEvent& event, uint32_t address) override
    {
        Seen s;
        s.channel = address & 0xFFFF;
        s.kind = event.kind;
        s.raw = event.value;
        s.value = event.ValueAsFloat();
        if (const char16_t* text = event.ArgumentWide())
        {
            s.hasText = true;
            s.text = text;
        }
        std::lock_guard<std::mutex> lock(m_lock);
        m_seen.push_back(s);
    }

private:
    std::atomic<bool> m_holding{false};
    std::atomic<uint32_t> m_heldTime{0};
    std::mutex m_lock;
    std::vector<Seen> m_seen;
};

// Calls Update every 2 ms until `done` holds or `ms` passed; the result is `done`'s last answer.
template <class Device> bool Tick(Device& device, const std::function<bool()>& done, uint32_t ms = 10000)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until)
    {
        device.Update();
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

// Runs Update for `ms` (while checking that nothing happens that should not).
template <class Device> void TickFor(Device& device, uint32_t ms)
{
    Tick(
        device, [] { return false; }, ms);
}

// A temporary folder made the current directory, with COM3 a pty peer.
class SerialFolder
{
public:
    SerialFolder()
    {
        char here[4096];
        if (getcwd(here, sizeof here))
            m_home = here;
        m_ok = m_folder.Ok() && m_peer.Ok() && chdir(m_folder.Path().c_str()) == 0;
    }
    ~SerialFolder()
    {
        if (!m_home.empty() && chdir(m_home.c_str()) != 0)
            ADD_FAILURE() << "could not return to " << m_home;
    }
    bool Ok() const { return m_ok; }
    PtyPeer& Peer() { return m_peer; }
    static constexpr uint16_t kComPort = 3;

private:
    TempFolder m_folder;
    PtyPeer m_peer{m_folder.Path(), kComPort};
    std::string m_home;
    bool m_ok = false;
};

inline std::string Hex(const std::vector<uint8_t>& bytes)
{
    static const char* const digits = "0123456789ABCDEF";
    std::string text;
    for (uint8_t b : bytes)
    {
        if (!text.empty())
            text += ' ';
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}
} // namespace bus_test

#pragma once
// A driver under test with its drained events noted as text ("channel kind value", or
// "channel kind 'text'" for a wide text) and a clock the test may hold still, plus a tick loop.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "devices/DeviceEvent.h"
#include "devices/DeviceEventSink.h"
#include "devices/support/ByteText.h"
#include "devices/support/DeviceTick.h"
#include "devices/support/HeldClock.h"
#include "platform/Clock.h"

namespace driver_test
{
template <class Driver> class CRecording : public device_test::CHeldClock<Driver>
{
public:
    CRecording()
    {
        // Only compared with null: DispatchEvent below never reaches an interface.
        this->SetDialogSystem(reinterpret_cast<CDeviceEventSink*>(uintptr_t{0x10}));
    }
    ~CRecording() override
    {
        this->DeleteTransport();
        // What is left goes through this class's DispatchEvent while it still exists; the base
        // then finds no interface to hand anything to.
        this->DispatchEvents();
        this->SetDialogSystem(nullptr);
    }

    // Holds Now() at t (device time) until the next call; ReleaseTime lets it run again.
    void HoldTime(uint32_t t) { this->SetDeviceTime(t); }
    void ReleaseTime() { this->ReleaseClock(); }

    std::vector<std::string> Events()
    {
        this->DispatchEvents();
        std::lock_guard<std::mutex> lock(m_lock);
        return m_events;
    }
    void ClearEvents()
    {
        this->DispatchEvents();
        std::lock_guard<std::mutex> lock(m_lock);
        m_events.clear();
    }

protected:
    void DispatchEvent(const CDeviceEvent& event, uint32_t address) override
    {
        std::string text = std::to_string(address & 0xFFFF) + " " + std::to_string(event.kind) + " ";
        if (event.owned & CDeviceEvent::ValueWideText)
        {
            text += "'";
            for (const char16_t* c = reinterpret_cast<const char16_t*>(event.value); c && *c; ++c)
                text += static_cast<char>(*c);
            text += "'";
        }
        else if (event.kind >= EventSetItemValue && event.kind <= EventStepItemValue)
        {
            char number[32];
            std::snprintf(number, sizeof number, "%g", static_cast<double>(event.ValueAsFloat()));
            text += number;
        }
        else
        {
            text += std::to_string(static_cast<int64_t>(static_cast<int32_t>(event.value)));
        }
        std::lock_guard<std::mutex> lock(m_lock);
        m_events.push_back(text);
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_events;
};

using device_test::Hex;
using device_test::Tick;

// Waits (ticking the device) until the peer has received `expect` (anywhere in what it holds),
// then sends `answer`. A serial transport empties its input once its write has drained (a bus
// echoes what is sent), so the answer leaves a little later, as a real device's would.
template <class Device, class Peer>
bool Converse(Device& device, Peer& peer, const std::vector<uint8_t>& expect,
              const std::vector<uint8_t>& answer)
{
    auto holds = [&]
    {
        const std::vector<uint8_t> bytes = peer.Bytes();
        return std::search(bytes.begin(), bytes.end(), expect.begin(), expect.end()) != bytes.end();
    };
    if (!Tick(device, holds))
        return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return peer.Send(answer);
}

// Makes a folder the current directory for the life of the object (the serial transport finds
// COMn there).
class CCurrentFolder
{
public:
    explicit CCurrentFolder(const std::string& folder)
    {
        char home[4096];
        if (getcwd(home, sizeof home))
            m_home = home;
        m_ok = chdir(folder.c_str()) == 0;
    }
    ~CCurrentFolder()
    {
        if (!m_home.empty() && chdir(m_home.c_str()) != 0)
            m_ok = false;
    }
    bool Ok() const { return m_ok; }

private:
    std::string m_home;
    bool m_ok = false;
};

} // namespace driver_test

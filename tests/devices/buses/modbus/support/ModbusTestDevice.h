#pragma once
// A Modbus driver under test: its events are kept instead of reaching an
// interface, and its clock can be moved forward, so that poll periods and the
// 12 s time-out are tested without waiting.
#include <cstdint>
#include <mutex>
#include <type_traits>
#include <utility>
#include <vector>

#include "devices/AbstractDevice.h"
#include "devices/DeviceEvent.h"
#include "devices/DeviceParams.h"
#include "devices/support/HeldClock.h"
#include "devices/support/ToolkitTestDevice.h"
#include "platform/Clock.h"

namespace modbus_test
{
// Whatever the device hands its events to: it only compares it with null before
// it calls DispatchEvent, which the test device overrides.
using EventTarget = std::remove_pointer_t<decltype(std::declval<CAbstractDevice&>().GetDialogSystem())>;
inline EventTarget* FakeSystem()
{
    return reinterpret_cast<EventTarget*>(uintptr_t{0x10});
}

template <class Driver> class TestDevice : public device_test::CHeldClock<Driver>
{
public:
    TestDevice() { this->SetDialogSystem(FakeSystem()); }
    ~TestDevice() override { this->DeleteTransport(); }

    // A transport that records what is sent, and the device online at once.
    toolkit_test::CRecordingTransport* UseRecordingTransport(uint32_t pollPeriod)
    {
        auto* transport = new toolkit_test::CRecordingTransport(this);
        this->m_transport = transport;
        this->m_pollPeriod = pollPeriod;
        this->SetState(CAbstractDevice::StateOnline);
        // Nothing here waits for a peer, so the clock stands still between the test's steps and
        // time-outs are checked to the millisecond however slowly the machine runs.
        this->SetDeviceTime(CAbstractDevice::Now());
        return transport;
    }

    void Add(uint32_t id, uint8_t valueType, uint8_t direction, const std::vector<uint8_t>& blob)
    {
        this->AddChannel(id, valueType, EventSetItemValue, direction, static_cast<uint32_t>(blob.size()),
                         blob.data());
    }

    // The events drained so far (tick thread).
    std::vector<CDeviceEvent> events;

    // Runs Update every 2 ms until the predicate holds; false after ms.
    template <class Predicate> bool UpdateUntil(Predicate done, uint32_t ms)
    {
        const uint32_t start = platform::ClockMs();
        while (!done())
        {
            if (platform::ElapsedMs(platform::ClockMs(), start) >= ms)
                return false;
            this->Update();
            platform::SleepMs(2);
        }
        return true;
    }

    // The last value posted for a channel; false when none was.
    bool LastValue(uint32_t channel, float& value) const
    {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->channel == channel)
            {
                value = it->ValueAsFloat();
                return true;
            }
        return false;
    }

protected:
    void DispatchEvent(const CDeviceEvent& event, uint32_t) override { events.push_back(event); }
};

// The 8-byte channel blob: unit, action, table, address, a byte not read,
// initial value.
std::vector<uint8_t> Blob(uint8_t unit, uint8_t action, uint8_t table, uint16_t address,
                          uint16_t initial = 0);

// Device parameters for a link on loopback or a COM port (8N1).
DeviceParams TcpParams(uint16_t port, uint32_t pollPeriod);
DeviceParams SerialParams(uint16_t comNumber, uint32_t baud, uint32_t pollPeriod);
} // namespace modbus_test

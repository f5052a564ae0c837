#pragma once
// A device whose clock the test may hold: while it is held, Now() reads the time the test set and
// no millisecond passes between two steps of the test, so time-outs and periods are checked
// exactly however busy the machine is.
#include <atomic>
#include <cstdint>

namespace device_test
{
template <class Device> class CHeldClock : public Device
{
public:
    using Device::Device;
    // The transport's thread reads Now(): it stops before the held time goes.
    ~CHeldClock() override { this->DeleteTransport(); }

    // Makes Now() read `deviceTime` until the next call (or ReleaseClock).
    void SetDeviceTime(uint32_t deviceTime)
    {
        m_heldTime = deviceTime;
        m_held = true;
    }
    // Lets Now() follow the platform clock again.
    void ReleaseClock() { m_held = false; }
    bool ClockHeld() const { return m_held; }
    // Moves device time on: the held time while the clock is held, otherwise the device's start
    // is moved back so that the running clock reads `ms` later.
    void Advance(uint32_t ms)
    {
        if (m_held)
            m_heldTime += ms;
        else
            this->m_created -= ms;
    }
    uint32_t Now() const override { return m_held ? m_heldTime.load() : Device::Now(); }

private:
    // Atomic: the transport's thread may read the device time while the test sets it.
    std::atomic<bool> m_held{false};
    std::atomic<uint32_t> m_heldTime{0};
};
} // namespace device_test

#pragma once
// What the C-Bus tests share: a driver that records the values it posts and whose clock can be
// moved, a tick loop, and a fixture with the driver and a scripted peer.
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "devices/DeviceEvent.h"
#include "devices/DeviceEventSink.h"
#include "devices/DeviceParams.h"
#include "devices/support/ByteText.h"
#include "devices/support/DeviceTick.h"
#include "devices/support/HeldClock.h"
#include "platform/Clock.h"
#include "support/TcpPeer.h"

namespace cbus_test
{
struct Posted
{
    uint32_t channel;
    float value;
};

// The driver with its drained events kept (channel, value) and a movable clock.
template <class Driver> class CRecording : public device_test::CHeldClock<Driver>
{
public:
    CRecording()
    {
        // Only compared with null before DispatchEvent is called.
        this->SetDialogSystem(reinterpret_cast<CDeviceEventSink*>(uintptr_t{0x10}));
    }
    ~CRecording() override { this->DeleteTransport(); }
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
    return device_test::Tick(device, done, ms, 5);
}

using device_test::Text;

// A C-Bus driver and a scripted peer on loopback that it connects to.
template <class Driver> class PeerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        device = std::make_unique<CRecording<Driver>>();
    }
    void Add(uint16_t id, const std::vector<uint8_t>& blob)
    {
        ASSERT_TRUE(device->AddChannel(id, 0, 1, 0, static_cast<uint32_t>(blob.size()), blob.data()));
    }
    // Configures the driver for the peer (with `text` as its parameter text), connects
    // and waits until the peer has accepted.
    void Connect(const char* text = nullptr)
    {
        DeviceParams params;
        params.host = "127.0.0.1";
        params.port = peer.Port();
        params.text = text;
        ASSERT_TRUE(device->Configure(&params));
        ASSERT_TRUE(device->Connect());
        ASSERT_TRUE(peer.WaitAccepted(1, 10000));
    }
    // True once the peer has received `text` (anywhere in what it holds).
    bool Received(const std::string& text)
    {
        return Tick(*device, [&] { return Text(peer.Bytes()).find(text) != std::string::npos; });
    }

    TcpPeer peer;
    std::unique_ptr<CRecording<Driver>> device;
};
} // namespace cbus_test

#pragma once
// What the SmartBus and X10 driver tests share: a driver that keeps the events it dispatches
// and whose clock the test may hold, a folder whose COMn is a pty peer, and the fixtures that
// bring a driver online on that pty or at a TCP gateway.
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "devices/AbstractDevice.h"
#include "devices/DeviceEvent.h"
#include "devices/DeviceEventSink.h"
#include "devices/DeviceFactory.h"
#include "devices/DeviceParams.h"
#include "devices/support/ByteText.h"
#include "devices/support/DeviceTick.h"
#include "devices/support/HeldClock.h"
#include "support/PtyPeer.h"
#include "support/TcpPeer.h"
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
template <class Driver> class CRecording : public device_test::CHeldClock<Driver>
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
    std::mutex m_lock;
    std::vector<Seen> m_seen;
};

using device_test::Hex;
using device_test::Tick;
using device_test::TickFor;

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

// A driver on COM3 of a SerialFolder, brought online by Online().
template <class Driver> class SerialDriverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.Ok());
        device = std::make_unique<CRecording<Driver>>();
    }
    void Online()
    {
        DeviceParams params;
        params.port = SerialFolder::kComPort;
        params.baud = 4800;
        params.dataBits = 8;
        params.parity = 'n';
        params.readInterval = 1;
        ASSERT_TRUE(device->Configure(&params));
        ASSERT_TRUE(Tick(*device, [&] { return device->GetState() == CAbstractDevice::StateOnline; }));
    }
    PtyPeer& Peer() { return folder.Peer(); }

    SerialFolder folder;
    std::unique_ptr<CRecording<Driver>> device;
};

// A driver at a TCP gateway on loopback, brought online (and the connection accepted) by Online().
template <class Driver> class GateDriverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.Ok());
        device = std::make_unique<CRecording<Driver>>();
    }
    void Online()
    {
        DeviceParams params;
        params.host = "127.0.0.1";
        params.port = peer.Port();
        ASSERT_TRUE(device->Configure(&params));
        ASSERT_TRUE(Tick(*device, [&] { return device->GetState() == CAbstractDevice::StateOnline; }));
        ASSERT_TRUE(peer.WaitAccepted(1, 10000));
    }

    TcpPeer peer;
    std::unique_ptr<CRecording<Driver>> device;
};

// The factory table's serial kind on COM3 and gateway kind at a loopback peer, made as a
// configuration names them; the folder and the peer outlive the drivers.
class FactoryDrivers
{
public:
    FactoryDrivers(uint32_t serialKind, uint32_t gateKind)
    {
        CDeviceFactory factory;
        serial.reset(factory.Create(serialKind, nullptr, SerialFolder::kComPort, "4800,8,n", serialKnown));
        gate.reset(factory.Create(gateKind, "127.0.0.1", peer.Port(), nullptr, gateKnown));
    }
    bool Ok() const { return folder.Ok() && peer.Ok(); }
    // Both kinds were known to the table and made as the driver classes named.
    template <class Serial, class Gate> void ExpectMade() const
    {
        EXPECT_TRUE(serialKnown);
        EXPECT_NE(dynamic_cast<Serial*>(serial.get()), nullptr);
        EXPECT_TRUE(gateKnown);
        EXPECT_NE(dynamic_cast<Gate*>(gate.get()), nullptr);
    }

    SerialFolder folder;
    TcpPeer peer;
    bool serialKnown = false;
    bool gateKnown = false;
    std::unique_ptr<CAbstractDevice> serial;
    std::unique_ptr<CAbstractDevice> gate;
};
} // namespace bus_test

#pragma once
// Shared by the XXV07 and D12SS20 tests: a driver under test that shows its send queue, a
// fixture that runs a driver against a scripted bus over TCP on 127.0.0.1, and a bus on a pty
// for the serial drivers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/Checksums.h"
#include "devices/AbstractDevice.h"
#include "devices/DeviceParams.h"
#include "devices/support/RecordingDriver.h"
#include "support/PtyPeer.h"
#include "support/TcpPeer.h"
#include "support/TempFolder.h"

namespace shturman_test
{
using Bytes = std::vector<uint8_t>;

// A whole frame: the bytes before the checksum, then the checksum.
inline Bytes Framed(Bytes bytes)
{
    bytes.push_back(ShturmanSum7(bytes.data(), bytes.size()));
    return bytes;
}

template <class Driver> class CTestDevice : public driver_test::CRecording<Driver>
{
public:
    // The transport stops before any destructor runs, so its thread never meets a half-destroyed object.
    ~CTestDevice() override { this->DeleteTransport(); }
    uint8_t PumpState() const { return this->m_pump.GetState(); }
    int32_t HeadTag() { return this->m_queue.PeekTag(); }
};

// The longest the driver's send queue grows while its clock, held, steps from `from` to `to` in
// 5 ms ticks: a bus whose modules stay silent must not fill it.
template <class Device> int32_t MostQueued(Device& device, uint32_t from, uint32_t to)
{
    int32_t most = 0;
    for (uint32_t t = from; t < to; t += 5)
    {
        device.HoldTime(t);
        device.Update();
        most = std::max(most, device.GetQueueCount());
    }
    return most;
}

// A TCP driver and the bus it talks to.
template <class Driver> class CLinkTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(peer.Ok()); }
    bool Add(uint32_t id, uint8_t type, const Bytes& blob, uint8_t direction = 0)
    {
        return device.AddChannel(id, type, 1, direction, static_cast<uint32_t>(blob.size()), blob.data());
    }
    // Links the driver to the bus with these parameters (the host and port are the bus's) and
    // waits until it is online.
    void StartWith(DeviceParams& params)
    {
        params.host = "127.0.0.1";
        params.port = peer.Port();
        ASSERT_TRUE(device.Configure(&params));
        ASSERT_TRUE(
            driver_test::Tick(device, [&] { return device.GetState() == CAbstractDevice::StateOnline; }));
    }

    TcpPeer peer;
    CTestDevice<Driver> device;
};

// A serial bus: a pty at COMn of a folder of its own, which is the current directory (where the
// serial transport looks for COMn) while the bus lives.
struct CPtyBus
{
    explicit CPtyBus(uint16_t port) : port(port), peer(folder.Path(), port), here(folder.Path()) {}
    bool Ok() const { return peer.Ok() && here.Ok(); }
    // COMn at 9600 baud, 8 data bits, no parity.
    DeviceParams Params() const
    {
        DeviceParams params;
        params.port = port;
        params.baud = 9600;
        params.dataBits = 8;
        params.parity = 'n';
        params.readInterval = 1;
        return params;
    }

    uint16_t port;
    TempFolder folder;
    PtyPeer peer;
    driver_test::CCurrentFolder here;
};
} // namespace shturman_test

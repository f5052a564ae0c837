// The Shturman D12SS20 driver over a pty as COMn: channel commands leave the queue as they are
// sent, and the serial port takes one block at a time, written after its current read. Two
// commands pumped in consecutive ticks used to find the port still busy with the first: the second
// was popped all the same and never reached the bus.
#include <gtest/gtest.h>

#include <vector>

#include "common/NerulanValue.h"
#include "devices/DeviceParams.h"
#include "devices/buses/shturman/ShturmanD12SS20Codec.h"
#include "devices/buses/shturman/ShturmanD12SS20SerialDevice.h"
#include "devices/shturman/support/ShturmanTestSupport.h"
#include "devices/support/RecordingDriver.h"
#include "support/PtyPeer.h"
#include "support/TempFolder.h"

namespace
{
using shturman_test::Bytes;
using shturman_test::Framed;
using Codec = CShturmanD12SS20Codec;
using driver_test::Hex;
using driver_test::Tick;

using CBusySerialD12 = shturman_test::CTestDevice<CShturmanD12SS20SerialDevice>;

TEST(D12SS20BusySerial, CommandsInConsecutiveTicksAllReachTheBus)
{
    TempFolder folder;
    PtyPeer peer(folder.Path(), 6);
    ASSERT_TRUE(peer.Ok());
    driver_test::CCurrentFolder here(folder.Path());
    ASSERT_TRUE(here.Ok());
    CBusySerialD12 device;
    // Action press, module 3, a command channel that only sends.
    const Bytes blob = {1, 3, 7, 0x85};
    ASSERT_TRUE(device.AddChannel(1, ValueInt32, 1, 2, static_cast<uint32_t>(blob.size()), blob.data()));
    DeviceParams params;
    params.port = 6;
    params.baud = 9600;
    params.dataBits = 8;
    params.parity = 'n';
    params.readInterval = 1;
    params.value = 0; // no polling: only the commands go
    ASSERT_TRUE(device.Configure(&params));
    ASSERT_TRUE(driver_test::Converse(device, peer,
                                      Codec::Frame(3, Codec::RequestCommand(Codec::TagDiscovery)),
                                      Framed({0x83, 0x02, 0x01})));
    ASSERT_TRUE(driver_test::Converse(device, peer, Codec::Frame(3, 0x5E),
                                      Framed({0x83, 0x05, 0x06, 0x08, 0x20, 0x09})));
    ASSERT_TRUE(Tick(device, [&] { return device.IsModuleUsed(3) && device.GetQueueCount() == 0; }));

    peer.Clear();
    device.HoldTime(device.Now());
    ASSERT_TRUE(device.Press(1, nullptr));
    ASSERT_TRUE(device.Press(1, nullptr));
    ASSERT_TRUE(device.Press(1, nullptr));
    device.Update();
    device.Update();
    device.ReleaseTime();
    ASSERT_TRUE(Tick(device, [&] { return peer.Bytes().size() >= 15 && device.GetQueueCount() == 0; }));
    EXPECT_EQ(Hex(peer.Bytes()), "83 03 27 05 69 83 03 27 05 69 83 03 27 05 69");
}
} // namespace

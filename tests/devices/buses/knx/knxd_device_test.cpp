// The tunnelling driver against knxd, a real KNXnet/IP tunnelling server, in a network namespace
// of the test's own: the panel's writes are seen on the bus, the bus's writes reach the channels,
// and the link comes back after knxd restarts.
#include <gtest/gtest.h>

#include "devices/DeviceParams.h"
#include "devices/buses/knx/EIBUdpDevice.h"
#include "support/KnxdPeer.h"
#include "support/PeerDevice.h"

namespace
{
using namespace knx_test;

void AddChannel(CAbstractDevice& device, uint32_t id, uint8_t type, uint8_t direction, Bytes blob)
{
    ASSERT_TRUE(device.AddChannel(id, type, 1, direction, static_cast<uint32_t>(blob.size()), blob.data()));
}

TEST(KnxdDevice, PanelAndBusExchangeGroupValues)
{
    RunInOwnNetworkNamespace(
        []
        {
            KnxdPeer knxd;
            ASSERT_TRUE(knxd.Start()) << knxd.Error();
            CPeerDevice<CEIBUdpDevice> device;
            DeviceParams params;
            params.host = "127.0.0.1";
            params.port = KnxdPeer::kPort;
            ASSERT_TRUE(device.Configure(&params));
            AddChannel(device, 1, ValueKnxFloat16, 0, {3, 0, 1, 2, 4, 0, 0, 0, 0});
            AddChannel(device, 2, ValueBool, 2, {1, 17, 1, 2, 3, 0});
            AddChannel(device, 3, ValueKnxFloat16, 2, {3, 0, 1, 2, 5, 0, 0, 0, 0});
            device.EndChannels();
            ASSERT_TRUE(device.Connect());
            auto online = [&] { return device.GetState() == CAbstractDevice::StateOnline; };
            ASSERT_TRUE(device.TickUntil(online, 10000));

            // knxtool's write of 0C 33 on 1/2/4 reaches channel 1 as 21.5.
            int status = -1;
            knxd.Tool("groupwrite " + knxd.Url() + " 1/2/4 0C 33", &status);
            ASSERT_EQ(status, 0);
            ASSERT_TRUE(device.TickUntil([&] { return device.Posted(1, 21.5f); }, 10000));

            // The panel's writes are seen on the bus.
            ASSERT_TRUE(knxd.StartListener("groupsocketlisten " + knxd.Url()));
            std::unique_ptr<CNerulanValue> temperature(CNerulanValue::NewFloat(20.3f));
            ASSERT_TRUE(device.Press(2, nullptr));
            ASSERT_TRUE(device.SetValue(3, temperature.get()));
            device.TickFor(500);
            std::string heard = knxd.EndListenerWhenHeard({"to 1/2/3: 01", "to 1/2/5: 07 EE"});
            EXPECT_NE(heard.find("to 1/2/3: 01"), std::string::npos) << heard;
            EXPECT_NE(heard.find("to 1/2/5: 07 EE"), std::string::npos) << heard;

            // knxd restarts: the tunnel it knew is gone, the next write finds no acknowledgement and
            // the panel connects anew.
            knxd.Stop();
            ASSERT_TRUE(knxd.Start()) << knxd.Error();
            ASSERT_TRUE(device.Press(2, nullptr));
            ASSERT_TRUE(device.TickUntil([&] { return !online(); }, 10000));
            ASSERT_TRUE(device.TickUntil(online, 25000));
            ASSERT_TRUE(knxd.StartListener("groupsocketlisten " + knxd.Url()));
            ASSERT_TRUE(device.Press(2, nullptr));
            device.TickFor(500);
            heard = knxd.EndListenerWhenHeard({"to 1/2/3:"});
            EXPECT_NE(heard.find("to 1/2/3:"), std::string::npos) << heard;
            knxd.Tool("groupwrite " + knxd.Url() + " 1/2/4 87 9C", &status);
            EXPECT_TRUE(device.TickUntil([&] { return device.Posted(1, -1.0f); }, 10000));
        });
}
} // namespace

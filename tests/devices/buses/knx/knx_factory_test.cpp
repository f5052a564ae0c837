// The device table creates the KNX drivers from their records.
#include <gtest/gtest.h>
#include <memory>

#include "devices/DeviceFactory.h"
#include "devices/buses/knx/BAOS1xTcpDevice.h"
#include "devices/buses/knx/BAOS2xTcpDevice.h"
#include "devices/buses/knx/EIBTcpGateDevice.h"
#include "devices/buses/knx/EIBUdpDevice.h"
#include "support/TcpPeer.h"

namespace
{
template <class Driver> void ExpectCreated(uint32_t code, uint16_t port, const char* text)
{
    CDeviceFactory factory;
    bool known = false;
    std::unique_ptr<CAbstractDevice> device(factory.Create(code, "127.0.0.1", port, text, known));
    EXPECT_TRUE(known) << std::hex << code;
    EXPECT_NE(dynamic_cast<Driver*>(device.get()), nullptr) << std::hex << code;
    ASSERT_TRUE(device);
    EXPECT_NE(device->GetTransport(), nullptr);
}

TEST(KnxFactory, TheTableCreatesEachKnxDriver)
{
    TcpPeer peer;
    ASSERT_TRUE(peer.Ok());
    ExpectCreated<CEIBUdpDevice>(0x52, peer.Port(), "30000,200");
    ExpectCreated<CEIBTcpGateDevice>(0x54, peer.Port(), "0,0");
    ExpectCreated<CBAOS1xTcpDevice>(0x131, peer.Port(), "5000");
    ExpectCreated<CBAOS2xTcpDevice>(0x151, peer.Port(), "0");
}
} // namespace

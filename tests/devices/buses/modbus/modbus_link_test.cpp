// The five Modbus drivers over real links: libmodbus as the server over TCP on
// loopback and as an RTU unit on a pty pair reached as COMn; scripted peers for
// ASCII and for RTU over TCP.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/NerulanValue.h"
#include "devices/buses/modbus/ModbusASCIICodec.h"
#include "devices/buses/modbus/ModbusASCIISerialDevice.h"
#include "devices/buses/modbus/ModbusASCIITcpDevice.h"
#include "devices/buses/modbus/ModbusPdu.h"
#include "devices/buses/modbus/ModbusRTUCodec.h"
#include "devices/buses/modbus/ModbusRTUSerialDevice.h"
#include "devices/buses/modbus/ModbusRTUTcpDevice.h"
#include "devices/buses/modbus/ModbusTCPDevice.h"
#include "support/ModbusServerPeer.h"
#include "support/ModbusTestDevice.h"
#include "support/PtyPeer.h"
#include "support/TcpPeer.h"
#include "support/TempFolder.h"

namespace
{
using Bytes = std::vector<uint8_t>;
using modbus_test::Blob;
using modbus_test::SerialParams;
using modbus_test::TcpParams;
using modbus_test::TestDevice;

constexpr uint32_t kWait = 10000;
constexpr uint32_t kTimeout = CAbstractModbusDevice::kAnswerTimeout;

template <class Device> bool HasValue(const TestDevice<Device>& device, uint32_t channel, float expected)
{
    float value = 0;
    return device.LastValue(channel, value) && value == expected;
}

template <class Device> void SetValue(Device& device, uint16_t channel, float value)
{
    CNerulanValue* v = CNerulanValue::NewFloat(value);
    EXPECT_TRUE(device.SetValue(channel, v));
    delete v;
}

// The channels read from the libmodbus server's tables (see
// modbus_test_server.c) by one unit.
template <class Device> void AddTableChannels(TestDevice<Device>& device, uint8_t unit)
{
    device.Add(1, ValueBool, DirectionBoth, Blob(unit, 0, ModbusCoils, 0));
    device.Add(2, ValueBool, DirectionBoth, Blob(unit, 0, ModbusCoils, 3));
    device.Add(3, ValueBool, DirectionBoth, Blob(unit, 0, ModbusDiscreteInputs, 1));
    device.Add(4, ValueInt16, DirectionBoth, Blob(unit, 0, ModbusHoldingRegisters, 0));
    device.Add(5, ValueInt16, DirectionBoth, Blob(unit, 0, ModbusHoldingRegisters, 98));
    device.Add(6, ValueUInt16, DirectionBoth, Blob(unit, 0, ModbusHoldingRegisters, 98));
    device.Add(7, ValueUInt16, DirectionBoth, Blob(unit, 0, ModbusHoldingRegisters, 99));
    device.Add(8, ValueInt16, DirectionBoth, Blob(unit, 0, ModbusHoldingRegisters, 99));
    device.Add(9, ValueInt16, DirectionBoth, Blob(unit, 0, ModbusInputRegisters, 10));
    device.Add(10, ValueUInt16, DirectionBoth, Blob(unit, 3, ModbusHoldingRegisters, 5));
    device.Add(11, ValueBool, DirectionBoth, Blob(unit, 1, ModbusCoils, 1));
}

template <class Device> void ExpectTablesReadAndWritten(TestDevice<Device>& device)
{
    const struct
    {
        uint32_t channel;
        float value;
    } expected[] = {{1, 1},     {2, 1},     {3, 1},  {4, 1000}, {5, -32768},
                    {6, 32768}, {7, 65535}, {8, -1}, {9, 2010}, {10, 1005}};
    ASSERT_TRUE(device.UpdateUntil(
        [&]
        {
            for (const auto& e : expected)
                if (!HasValue(device, e.channel, e.value))
                    return false;
            return true;
        },
        kWait));
    float coil = -1;
    EXPECT_FALSE(device.LastValue(11, coil)) << "coil 1 is off, as the channel started";

    SetValue(device, 10, 57.8f);
    CNerulanValue* on = CNerulanValue::NewBool(true);
    EXPECT_TRUE(device.Press(11, on));
    delete on;
    EXPECT_TRUE(
        device.UpdateUntil([&] { return HasValue(device, 10, 57) && HasValue(device, 11, 1); }, kWait));
}

// Runs Update until done, moving the device clock past the answer time-out
// whenever a request has had a second to be answered: a silent unit costs no
// real 12 s.
template <class Device, class Predicate>
bool UpdateThroughTimeOuts(TestDevice<Device>& device, Predicate done)
{
    for (int round = 0; round < 4; ++round)
    {
        if (device.UpdateUntil(done, 1000))
            return true;
        device.Advance(kTimeout + 1);
    }
    return false;
}

// --- Modbus TCP against libmodbus
// ---------------------------------------------------------------

class ModbusTcpDeviceAgainstLibmodbus : public ::testing::Test
{
protected:
    void Start(const std::vector<std::string>& options, uint32_t pollPeriod)
    {
        ASSERT_TRUE(m_server.StartTcp(options)) << m_server.Log();
        DeviceParams params = TcpParams(m_server.Port(), pollPeriod);
        ASSERT_TRUE(m_device.Configure(&params));
    }

    ModbusServerPeer m_server;
    TestDevice<CModbusTCPDevice> m_device;
};

TEST_F(ModbusTcpDeviceAgainstLibmodbus, ReadsAndWritesEveryTable)
{
    Start({}, 50);
    m_device.BeginChannels();
    AddTableChannels(m_device, 1);
    m_device.EndChannels();
    ASSERT_TRUE(m_device.Connect());
    ExpectTablesReadAndWritten(m_device);
}

TEST_F(ModbusTcpDeviceAgainstLibmodbus, SixHundredInputsPolledAs512And88)
{
    Start({}, 100);
    m_device.BeginChannels();
    for (uint16_t a = 0; a < 600; ++a)
        m_device.Add(100 + a, ValueBool, DirectionBoth, Blob(1, 0, ModbusDiscreteInputs, a));
    m_device.EndChannels();
    ASSERT_EQ(m_device.Blocks().size(), 2u);
    EXPECT_EQ(m_device.Blocks()[0]->layout.quantity, 512);
    EXPECT_EQ(m_device.Blocks()[1]->layout.quantity, 88);
    ASSERT_TRUE(m_device.Connect());
    // The odd inputs are on: one event each.
    ASSERT_TRUE(m_device.UpdateUntil([&] { return m_device.events.size() == 300; }, kWait));
    for (const CDeviceEvent& event : m_device.events)
        EXPECT_EQ((event.channel - 100) % 2, 1u);
}

TEST_F(ModbusTcpDeviceAgainstLibmodbus, ExceptionReleasesItsBlock)
{
    Start({}, 20);
    m_device.BeginChannels();
    m_device.Add(1, ValueInt16, DirectionBoth, Blob(1, 0, ModbusHoldingRegisters, 0));
    m_device.Add(2, ValueInt16, DirectionBoth, Blob(1, 0, ModbusHoldingRegisters, 150)); // beyond the table
    m_device.EndChannels();
    ASSERT_TRUE(m_device.Connect());
    ASSERT_TRUE(m_device.UpdateUntil([&] { return HasValue(m_device, 1, 1000); }, kWait));
    // Both blocks are asked cycle after cycle: the exception does not leave its
    // block waiting.
    ASSERT_TRUE(m_device.UpdateUntil([&] { return m_device.LastTransactionId() >= 8; }, kWait));
    EXPECT_EQ(m_device.events.size(), 1u);
}

TEST_F(ModbusTcpDeviceAgainstLibmodbus, SilentUnitTimesOutAndTheLinkGoesOn)
{
    Start({"--silent-unit", "9"}, 0);
    m_device.BeginChannels();
    m_device.Add(1, ValueUInt16, DirectionBoth, Blob(1, 3, ModbusHoldingRegisters, 5));
    m_device.Add(2, ValueUInt16, DirectionBoth, Blob(9, 0, ModbusHoldingRegisters, 5));
    m_device.EndChannels();
    ASSERT_TRUE(m_device.Connect());
    ASSERT_TRUE(m_device.UpdateUntil([&] { return HasValue(m_device, 1, 1005); }, kWait));
    // Unit 9's request now holds the link; the write waits behind it until its
    // time-out.
    ASSERT_TRUE(m_device.UpdateUntil([&] { return m_device.Blocks()[1]->pendingId != 0; }, kWait));
    SetValue(m_device, 1, 77);
    m_device.UpdateUntil([] { return false; }, 200);
    EXPECT_FALSE(HasValue(m_device, 1, 77));
    EXPECT_LE(m_device.QueuedRequests(), 3) << "period 0 does not flood the queue";
    EXPECT_TRUE(UpdateThroughTimeOuts(m_device, [&] { return HasValue(m_device, 1, 77); }));
    float value = 0;
    EXPECT_FALSE(m_device.LastValue(2, value));
}

TEST_F(ModbusTcpDeviceAgainstLibmodbus, FirstRequestUnansweredThenRecovery)
{
    Start({"--ignore-first", "1"}, 100);
    m_device.BeginChannels();
    m_device.Add(1, ValueInt16, DirectionBoth, Blob(1, 0, ModbusInputRegisters, 3));
    m_device.EndChannels();
    ASSERT_TRUE(m_device.Connect());
    m_device.UpdateUntil([] { return false; }, 300);
    EXPECT_TRUE(m_device.events.empty());
    EXPECT_TRUE(UpdateThroughTimeOuts(m_device, [&] { return HasValue(m_device, 1, 2003); }));
}

TEST_F(ModbusTcpDeviceAgainstLibmodbus, ReconnectsAfterADisconnect)
{
    Start({}, 50);
    m_device.BeginChannels();
    m_device.Add(1, ValueInt16, DirectionBoth, Blob(1, 3, ModbusHoldingRegisters, 7));
    m_device.EndChannels();
    ASSERT_TRUE(m_device.Connect());
    ASSERT_TRUE(m_device.UpdateUntil([&] { return HasValue(m_device, 1, 1007); }, kWait));
    m_device.Disconnect();
    EXPECT_NE(m_device.GetState(), CAbstractDevice::StateOnline);
    ASSERT_TRUE(
        m_device.UpdateUntil([&] { return m_device.GetState() == CAbstractDevice::StateOnline; }, kWait));
    SetValue(m_device, 1, 12);
    EXPECT_TRUE(m_device.UpdateUntil([&] { return HasValue(m_device, 1, 12); }, kWait));
}

// --- Modbus RTU on a pty pair against libmodbus
// ----------------------------------------------------

class ModbusRtuDeviceAgainstLibmodbus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.Ok());
        // The serial transport finds COMn in the current directory.
        ASSERT_NE(getcwd(m_cwd, sizeof m_cwd), nullptr);
        ASSERT_EQ(chdir(m_folder.Path().c_str()), 0);
    }
    void TearDown() override { EXPECT_EQ(chdir(m_cwd), 0); }

    void Start(uint32_t pollPeriod)
    {
        ASSERT_TRUE(m_server.StartRtu(m_folder.Path(), 5, 7, {})) << m_server.Log();
        DeviceParams params = SerialParams(5, 19200, pollPeriod);
        ASSERT_TRUE(m_device.Configure(&params));
    }

    TempFolder m_folder;
    char m_cwd[4096] = {};
    ModbusServerPeer m_server;
    TestDevice<CModbusRTUSerialDevice> m_device;
};

TEST_F(ModbusRtuDeviceAgainstLibmodbus, ReadsAndWritesEveryTable)
{
    Start(50);
    m_device.BeginChannels();
    AddTableChannels(m_device, 7);
    m_device.EndChannels();
    ASSERT_TRUE(m_device.Connect());
    ExpectTablesReadAndWritten(m_device);
}

TEST_F(ModbusRtuDeviceAgainstLibmodbus, SilentUnitTimesOutAndTheLineGoesOn)
{
    Start(0);
    m_device.BeginChannels();
    m_device.Add(1, ValueUInt16, DirectionBoth, Blob(7, 3, ModbusHoldingRegisters, 5));
    m_device.Add(2, ValueUInt16, DirectionBoth, Blob(8, 0, ModbusHoldingRegisters, 5)); // no such unit
    m_device.EndChannels();
    ASSERT_TRUE(m_device.Connect());
    ASSERT_TRUE(m_device.UpdateUntil([&] { return HasValue(m_device, 1, 1005); }, kWait));
    SetValue(m_device, 1, 78);
    EXPECT_TRUE(UpdateThroughTimeOuts(m_device, [&] { return HasValue(m_device, 1, 78); }));
    float value = 0;
    EXPECT_FALSE(m_device.LastValue(2, value));
}

// --- Scripted peers: ASCII over both links, RTU over TCP
// --------------------------------------------

Bytes Ascii(uint8_t unit, const Bytes& pdu)
{
    return CModbusASCIICodec::Encode(unit, pdu.data(), pdu.size());
}

Bytes Rtu(uint8_t unit, const Bytes& pdu)
{
    return CModbusRTUCodec::Encode(unit, pdu.data(), pdu.size());
}

// Unit 2 answers a read of holding register 4 with 0x1234, and the write of 99
// to it.
void ScriptUnit(PeerLog& peer, Bytes (*frame)(uint8_t, const Bytes&))
{
    peer.AddReply(frame(2, {0x03, 0x00, 0x04, 0x00, 0x01}), frame(2, {0x03, 0x02, 0x12, 0x34}));
    peer.AddReply(frame(2, {0x10, 0x00, 0x04, 0x00, 0x01, 0x02, 0x00, 0x63}),
                  frame(2, {0x10, 0x00, 0x04, 0x00, 0x01}));
}

template <class Device>
void ExpectScriptedUnit(TestDevice<Device>& device, PeerLog& peer, Bytes (*frame)(uint8_t, const Bytes&))
{
    device.BeginChannels();
    device.Add(1, ValueInt16, DirectionBoth, Blob(2, 3, ModbusHoldingRegisters, 4));
    device.EndChannels();
    ASSERT_TRUE(device.Connect());
    // A scripted peer answers at once; on a pty the serial transport may empty
    // its input just after the answer came, as it does after every write, so a
    // lost answer is waited out.
    ASSERT_TRUE(UpdateThroughTimeOuts(device, [&] { return HasValue(device, 1, 0x1234); }));
    SetValue(device, 1, 99);
    const Bytes write = frame(2, {0x10, 0x00, 0x04, 0x00, 0x01, 0x02, 0x00, 0x63});
    EXPECT_TRUE(UpdateThroughTimeOuts(device,
                                      [&]
                                      {
                                          const Bytes got = peer.Bytes();
                                          return std::search(got.begin(), got.end(), write.begin(),
                                                             write.end()) != got.end();
                                      }));
}

TEST(ModbusScriptedPeers, AsciiOverTcp)
{
    TcpPeer peer;
    ASSERT_TRUE(peer.Ok());
    ScriptUnit(peer, Ascii);
    TestDevice<CModbusASCIITcpDevice> device;
    DeviceParams params = TcpParams(peer.Port(), 50);
    ASSERT_TRUE(device.Configure(&params));
    ExpectScriptedUnit(device, peer, Ascii);
}

TEST(ModbusScriptedPeers, RtuOverTcp)
{
    TcpPeer peer;
    ASSERT_TRUE(peer.Ok());
    ScriptUnit(peer, Rtu);
    TestDevice<CModbusRTUTcpDevice> device;
    DeviceParams params = TcpParams(peer.Port(), 50);
    ASSERT_TRUE(device.Configure(&params));
    ExpectScriptedUnit(device, peer, Rtu);
}

TEST(ModbusScriptedPeers, AsciiOverASerialLine)
{
    TempFolder folder;
    char cwd[4096] = {};
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(folder.Path().c_str()), 0);
    {
        PtyPeer peer(folder.Path(), 6);
        ASSERT_TRUE(peer.Ok());
        ScriptUnit(peer, Ascii);
        TestDevice<CModbusASCIISerialDevice> device;
        DeviceParams params = SerialParams(6, 9600, 50);
        ASSERT_TRUE(device.Configure(&params));
        ExpectScriptedUnit(device, peer, Ascii);
    }
    EXPECT_EQ(chdir(cwd), 0);
}
} // namespace

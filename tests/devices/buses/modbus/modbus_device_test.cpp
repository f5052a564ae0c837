// The Modbus drivers with a transport that records what they send and replies
// handed straight to OnReceive: polling, matching, time-outs and writes, byte
// for byte.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/NerulanValue.h"
#include "devices/DeviceFactory.h"
#include "devices/buses/modbus/ModbusASCIICodec.h"
#include "devices/buses/modbus/ModbusASCIISerialDevice.h"
#include "devices/buses/modbus/ModbusASCIITcpDevice.h"
#include "devices/buses/modbus/ModbusChannel.h"
#include "devices/buses/modbus/ModbusRTUCodec.h"
#include "devices/buses/modbus/ModbusRTUSerialDevice.h"
#include "devices/buses/modbus/ModbusRTUTcpDevice.h"
#include "devices/buses/modbus/ModbusTCPDevice.h"
#include "devices/buses/modbus/ModbusTcpCodec.h"
#include "support/ModbusTestDevice.h"

namespace
{
using Bytes = std::vector<uint8_t>;
using modbus_test::Blob;
using modbus_test::TestDevice;
using toolkit_test::CRecordingTransport;

constexpr uint32_t kTimeout = CAbstractModbusDevice::kAnswerTimeout;

Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

void Receive(CAbstractDevice& device, const Bytes& bytes)
{
    device.OnReceive(bytes.data(), static_cast<uint32_t>(bytes.size()));
}

Bytes TcpReply(uint16_t id, uint8_t unit, const Bytes& pdu)
{
    return CModbusTcpCodec::Encode(id, unit, pdu.data(), pdu.size());
}

Bytes RtuReply(uint8_t unit, const Bytes& pdu)
{
    return CModbusRTUCodec::Encode(unit, pdu.data(), pdu.size());
}

// A TCP device polling one holding register of unit 1 as int16 (channel 1) and
// as uint16 (channel 2), and coils 0 to 2 (channels 10 to 12), each block its
// own request.
class ModbusTcpDriver : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_sent = m_device.UseRecordingTransport(1000);
        m_device.BeginChannels();
        m_device.Add(1, ValueInt16, DirectionBoth, Blob(1, 0, ModbusHoldingRegisters, 40));
        m_device.Add(2, ValueUInt16, DirectionBoth, Blob(1, 0, ModbusHoldingRegisters, 40));
        for (uint16_t c = 0; c < 3; ++c)
            m_device.Add(10 + c, ValueBool, DirectionBoth, Blob(1, 1, ModbusCoils, c));
        m_device.EndChannels();
    }

    // The transaction id of the request sent last.
    uint16_t LastSentId() const
    {
        const Bytes& last = m_sent->sent.back();
        return static_cast<uint16_t>(last[0] << 8 | last[1]);
    }

    TestDevice<CModbusTCPDevice> m_device;
    CRecordingTransport* m_sent = nullptr;
};

TEST_F(ModbusTcpDriver, OneRequestOutstandingUntilItsReply)
{
    m_device.Update();
    ASSERT_EQ(m_sent->sent.size(), 1u);
    EXPECT_EQ(m_sent->sent[0],
              (Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x06, 0x01, 0x01, 0x00, 0x00, 0x00, 0x03}));
    m_device.Update();
    m_device.Update();
    EXPECT_EQ(m_sent->sent.size(), 1u) << "the second block waits for the first reply";
    Receive(m_device, TcpReply(1, 1, {0x01, 0x01, 0x05}));
    m_device.Update();
    ASSERT_EQ(m_sent->sent.size(), 2u);
    EXPECT_EQ(m_sent->sent[1],
              (Bytes{0x00, 0x02, 0x00, 0x00, 0x00, 0x06, 0x01, 0x03, 0x00, 0x28, 0x00, 0x01}));
    float value = 0;
    ASSERT_TRUE(m_device.LastValue(10, value));
    EXPECT_EQ(value, 1.0f);
    EXPECT_FALSE(m_device.LastValue(11, value)) << "coil 1 stayed 0: no event";
    ASSERT_TRUE(m_device.LastValue(12, value));
    EXPECT_EQ(value, 1.0f);
}

TEST_F(ModbusTcpDriver, RegisterValueInTheChannelsFormOnChangeOnly)
{
    m_device.Update();
    Receive(m_device, TcpReply(1, 1, {0x01, 0x01, 0x00}));
    m_device.Update();
    Receive(m_device, TcpReply(2, 1, {0x03, 0x02, 0x80, 0x00}));
    float value = 0;
    m_device.Update();
    ASSERT_TRUE(m_device.LastValue(1, value));
    EXPECT_EQ(value, -32768.0f);
    ASSERT_TRUE(m_device.LastValue(2, value));
    EXPECT_EQ(value, 32768.0f);
    const size_t events = m_device.events.size();

    m_device.Advance(1001); // next cycle: the same values again
    m_device.Update();
    Receive(m_device, TcpReply(3, 1, {0x01, 0x01, 0x00}));
    m_device.Update();
    Receive(m_device, TcpReply(4, 1, {0x03, 0x02, 0x80, 0x00}));
    m_device.Update();
    EXPECT_EQ(m_device.events.size(), events) << "a repeated value posts nothing";
}

TEST_F(ModbusTcpDriver, LateReplyAfterTheTimeOutIsDropped)
{
    m_device.Update(); // id 1: coils
    m_device.Advance(kTimeout + 1);
    m_device.Update(); // id 1 dropped; the coil block is free again
    m_device.Update(); // id 2: the register block goes out
    ASSERT_EQ(LastSentId(), 2);
    Receive(m_device, TcpReply(1, 1, {0x03, 0x02, 0x00, 0x07})); // the late answer to id 1
    Receive(m_device, TcpReply(1, 1, {0x01, 0x01, 0x07}));
    m_device.Update();
    EXPECT_TRUE(m_device.events.empty());
    EXPECT_EQ(m_sent->sent.size(), 2u) << "id 2 still waits";
    Receive(m_device, TcpReply(2, 1, {0x03, 0x02, 0x00, 0x07}));
    m_device.Update();
    float value = 0;
    ASSERT_TRUE(m_device.LastValue(1, value));
    EXPECT_EQ(value, 7.0f);
}

TEST_F(ModbusTcpDriver, TimeOutDropsTheHeadAndTheNextGoesOnTheFollowingUpdate)
{
    m_device.Update();
    m_device.Advance(kTimeout);
    m_device.Update();
    EXPECT_EQ(m_sent->sent.size(), 1u) << "12000 ms is not yet a time-out";
    m_device.Advance(1);
    m_device.Update();
    EXPECT_EQ(m_sent->sent.size(), 1u);
    m_device.Update();
    EXPECT_EQ(m_sent->sent.size(), 2u);
}

TEST_F(ModbusTcpDriver, ExceptionReleasesTheBlockAndItIsPolledAgain)
{
    m_device.Update();
    Receive(m_device, TcpReply(1, 1, {0x81, 0x02}));
    for (const auto& block : m_device.Blocks())
        EXPECT_EQ(block->pendingId, block->layout.table == ModbusCoils ? 0 : 2);
    m_device.Update(); // id 2, registers
    Receive(m_device, TcpReply(2, 1, {0x03, 0x02, 0x00, 0x01}));
    m_device.Advance(1001);
    m_device.Update();
    EXPECT_EQ(m_sent->sent.size(), 3u);
    EXPECT_EQ(m_sent->sent[2][7], 0x01) << "the coils are asked again";
}

TEST_F(ModbusTcpDriver, RepliesThatAnswerNothingAreDropped)
{
    m_device.Update(); // id 1, read coils
    const Bytes strays[] = {
        TcpReply(1, 1, {0x05, 0x00, 0x00, 0xFF, 0x00}), // other function code
        TcpReply(1, 1, {0x00}),                         // function code 0
        TcpReply(0, 1, {0x01, 0x01, 0xFF}),             // transaction id 0
        TcpReply(9, 1, {0x01, 0x01, 0xFF}),             // another transaction
    };
    for (const Bytes& stray : strays)
        Receive(m_device, stray);
    m_device.Update();
    EXPECT_TRUE(m_device.events.empty());
    EXPECT_EQ(m_sent->sent.size(), 1u) << "the head still waits for its own reply";
}

TEST_F(ModbusTcpDriver, ReplyToAWriteDoesNotTouchTheBlocks)
{
    // The write goes first, while every block is idle: its reply must not feed a
    // block.
    CNerulanValue* on = CNerulanValue::NewBool(true);
    EXPECT_TRUE(m_device.Press(10, on));
    delete on;
    m_device.Update(); // the poll queues behind the write; the write is sent
    ASSERT_EQ(m_sent->sent.size(), 1u);
    EXPECT_EQ(m_sent->sent[0],
              (Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x08, 0x01, 0x0F, 0x00, 0x00, 0x00, 0x01, 0x01, 0x01}));
    Receive(m_device, TcpReply(1, 1, {0x01, 0x01, 0x07})); // a read reply to the write's id
    EXPECT_TRUE(m_device.events.empty());
    Receive(m_device, TcpReply(1, 1, {0x0F, 0x00, 0x00, 0x00, 0x01}));
    m_device.Update();
    EXPECT_EQ(m_sent->sent.size(), 2u) << "the echo let the next request go";
}

TEST_F(ModbusTcpDriver, MalformedReplyReleasesItsBlockWithoutValues)
{
    m_device.Update(); // id 1, coils 0-2
    // Byte count 255 with one byte received; then a register count that differs.
    Receive(m_device, TcpReply(1, 1, {0x01, 0xFF, 0x07}));
    m_device.Update();
    Receive(m_device, TcpReply(2, 1, {0x03, 0x04, 0x00, 0x07, 0x00, 0x08}));
    m_device.Update();
    EXPECT_TRUE(m_device.events.empty());
    for (const auto& block : m_device.Blocks())
        EXPECT_EQ(block->pendingId, 0);
}

TEST_F(ModbusTcpDriver, HeaderLengthsOutsideTheLimitsDoNotStallTheLink)
{
    m_device.Update();                                                   // id 1
    Receive(m_device, {0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x01});       // length 1
    Receive(m_device, {0x00, 0x01, 0x00, 0x00, 0xFF, 0xFF, 0x01, 0x01}); // length 65535
    m_device.Update();
    EXPECT_TRUE(m_device.events.empty());
    // The time-out drops the request and the bytes that never made a frame.
    m_device.Advance(kTimeout + 1);
    m_device.Update();
    m_device.Update(); // id 2
    Receive(m_device, TcpReply(2, 1, {0x03, 0x02, 0x00, 0x03}));
    m_device.Update();
    float value = 0;
    ASSERT_TRUE(m_device.LastValue(1, value));
    EXPECT_EQ(value, 3.0f);
}

TEST_F(ModbusTcpDriver, LostLinkStartsTheIdsAgain)
{
    m_device.Update();
    EXPECT_EQ(m_device.LastTransactionId(), 2);
    m_device.OnDisconnected();
    EXPECT_EQ(m_device.GetState(), CAbstractDevice::StateIdle);
    EXPECT_EQ(m_device.QueuedRequests(), 0);
    m_device.SetState(CAbstractDevice::StateOnline);
    m_device.Update();
    EXPECT_EQ(LastSentId(), 1);
}

TEST(ModbusPollPeriodZero, BackToBackWithOneRequestPerBlock)
{
    TestDevice<CModbusTCPDevice> device;
    CRecordingTransport* sent = device.UseRecordingTransport(0);
    device.BeginChannels();
    device.Add(1, ValueInt16, DirectionBoth, Blob(1, 0, ModbusHoldingRegisters, 0));
    device.Add(2, ValueInt16, DirectionBoth, Blob(1, 0, ModbusInputRegisters, 0));
    device.EndChannels();
    for (int tick = 0; tick < 500; ++tick)
    {
        device.Advance(5);
        device.Update();
    }
    EXPECT_EQ(sent->sent.size(), 1u);
    EXPECT_EQ(device.QueuedRequests(), 2) << "one request per block, not one per tick";
    EXPECT_EQ(device.LastTransactionId(), 2);

    Receive(device, TcpReply(1, 1, {0x03, 0x02, 0x00, 0x05}));
    device.Advance(5);
    device.Update(); // block 1 asked again at the next tick, block 2's request sent
    EXPECT_EQ(sent->sent.size(), 2u);
    EXPECT_EQ(device.LastTransactionId(), 3);
    Receive(device, TcpReply(2, 1, {0x04, 0x02, 0x00, 0x06}));
    device.Advance(5);
    device.Update();
    EXPECT_EQ(sent->sent.size(), 3u);
    EXPECT_EQ(device.events.size(), 2u);

    // A silent unit: the request waits its 12 s and then its block is asked
    // again.
    device.Advance(kTimeout + 1);
    device.Update();
    device.Advance(5);
    device.Update();
    EXPECT_EQ(device.QueuedRequests(), 2);
}

TEST(ModbusRtuDriver, ByteExactReadMatchedByUnitAndFunction)
{
    TestDevice<CModbusRTUSerialDevice> device;
    CRecordingTransport* sent = device.UseRecordingTransport(1000);
    device.BeginChannels();
    device.Add(1, ValueInt16, DirectionBoth, Blob(1, 0, ModbusHoldingRegisters, 0));
    device.EndChannels();
    device.Update();
    ASSERT_EQ(sent->sent.size(), 1u);
    EXPECT_EQ(sent->sent[0], (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}));
    Receive(device, RtuReply(2, {0x03, 0x02, 0x00, 0x09})); // another unit
    Receive(device, RtuReply(1, {0x04, 0x02, 0x00, 0x09})); // another function
    EXPECT_TRUE(device.events.empty());
    Bytes reply = RtuReply(1, {0x03, 0x02, 0x00, 0x09});
    Receive(device, Bytes(reply.begin(), reply.begin() + 4)); // in two pieces
    Receive(device, Bytes(reply.begin() + 4, reply.end()));
    device.Update();
    float value = 0;
    ASSERT_TRUE(device.LastValue(1, value));
    EXPECT_EQ(value, 9.0f);
}

TEST(ModbusRtuDriver, BroadcastWriteIsNotWaitedFor)
{
    TestDevice<CModbusRTUSerialDevice> device;
    CRecordingTransport* sent = device.UseRecordingTransport(1000);
    device.BeginChannels();
    device.Add(1, ValueInt16, DirectionSendOnly, Blob(0, 3, ModbusHoldingRegisters, 4));
    device.Add(2, ValueInt16, DirectionBoth, Blob(1, 0, ModbusHoldingRegisters, 0));
    device.EndChannels();
    CNerulanValue* value = CNerulanValue::NewInt(-2);
    EXPECT_TRUE(device.SetValue(1, value));
    delete value;
    device.Update();
    device.Update();
    ASSERT_EQ(sent->sent.size(), 2u) << "no reply comes to unit 0: the poll follows at once";
    EXPECT_EQ(sent->sent[0], RtuReply(0, {0x10, 0x00, 0x04, 0x00, 0x01, 0x02, 0xFF, 0xFE}));
}

TEST(ModbusAsciiDriver, ReplyCountsOnlyWithItsLineEnd)
{
    TestDevice<CModbusASCIITcpDevice> device;
    CRecordingTransport* sent = device.UseRecordingTransport(1000);
    device.BeginChannels();
    device.Add(1, ValueInt16, DirectionBoth, Blob(1, 0, ModbusHoldingRegisters, 0));
    device.EndChannels();
    device.Update();
    ASSERT_EQ(sent->sent.size(), 1u);
    EXPECT_EQ(sent->sent[0], Text(":010300000001FB\r\n"));
    Receive(device, Text(":0103020102F7"));
    device.Update();
    EXPECT_TRUE(device.events.empty()) << "the sum is right, but CR LF has not arrived";
    Receive(device, Text("\r\n"));
    device.Update();
    float value = 0;
    ASSERT_TRUE(device.LastValue(1, value));
    EXPECT_EQ(value, 258.0f);
}

// --- Writes
// ---------------------------------------------------------------------------------------

class ModbusWrites : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_sent = m_device.UseRecordingTransport(1000);
        m_device.BeginChannels();
        m_device.Add(1, ValueUInt16, DirectionBoth, Blob(1, 3, ModbusHoldingRegisters, 1));
        m_device.Add(2, ValueBool, DirectionSendOnly, Blob(1, 1, ModbusCoils, 5, 1));
        m_device.Add(3, ValueBool, DirectionNeverSent, Blob(1, 1, ModbusCoils, 6));
        m_device.Add(4, ValueInt16, DirectionBoth, Blob(1, 3, ModbusInputRegisters, 7));
        m_device.Add(5, ValueFloat, DirectionBoth, Blob(1, 3, ModbusHoldingRegisters, 8));
        m_device.Add(6, ValueBool, DirectionBoth, Blob(1, 2, ModbusCoils, 9));
        m_device.EndChannels();
    }

    // The PDU of the write sent last (after MBAP header and unit).
    Bytes LastPdu() const { return Bytes(m_sent->sent.back().begin() + 7, m_sent->sent.back().end()); }

    // Sends the queue's head; replies to it with its echo so that the next one
    // may go.
    void SendHead()
    {
        m_device.Update();
        if (m_sent->sent.empty())
            return;
        const Bytes& last = m_sent->sent.back();
        Receive(m_device, TcpReply(static_cast<uint16_t>(last[0] << 8 | last[1]), last[6],
                                   Bytes(last.begin() + 7, last.begin() + 12)));
    }

    TestDevice<CModbusTCPDevice> m_device;
    CRecordingTransport* m_sent = nullptr;
};

TEST_F(ModbusWrites, SliderValueIsTruncatedIntoOneRegister)
{
    CNerulanValue* value = CNerulanValue::NewFloat(57.8f);
    EXPECT_TRUE(m_device.SetValue(1, value));
    delete value;
    SendHead();
    EXPECT_EQ(LastPdu(), (Bytes{0x10, 0x00, 0x01, 0x00, 0x01, 0x02, 0x00, 0x39}));
}

TEST_F(ModbusWrites, PressWithoutValueWritesTheStoredValue)
{
    EXPECT_TRUE(m_device.Press(2, nullptr));
    SendHead();
    EXPECT_EQ(LastPdu(), (Bytes{0x0F, 0x00, 0x05, 0x00, 0x01, 0x01, 0x01}));
    EXPECT_EQ(m_device.Blocks().size(), 4u) << "the send-only coil is not polled";
}

TEST_F(ModbusWrites, WhatIsRefusedAndWhatSendsNothing)
{
    CNerulanValue* value = CNerulanValue::NewInt(1);
    EXPECT_FALSE(m_device.Press(3, value)) << "feedback-only channel";
    EXPECT_FALSE(m_device.Release(2, value)) << "action is press, not release";
    EXPECT_FALSE(m_device.SetValue(1, nullptr)) << "SetValue without a value";
    EXPECT_FALSE(m_device.SetValue(99, value)) << "no such channel";
    EXPECT_FALSE(m_device.Hold(2, 100));
    EXPECT_TRUE(m_device.SetValue(4, value)) << "input registers are read-only: accepted, nothing sent";
    EXPECT_TRUE(m_device.SetValue(5, value)) << "float channel: accepted, nothing sent";
    EXPECT_TRUE(m_device.Release(6, value));
    delete value;
    EXPECT_EQ(m_device.QueuedRequests(), 1) << "only the coil write of channel 6";
}

// --- Channel blobs
// --------------------------------------------------------------------------------

TEST(ModbusChannelBlob, FullShortAndOversizedForms)
{
    struct Case
    {
        Bytes blob;
        uint8_t unit, action, table;
        uint16_t address;
        int32_t value;
    };
    const Case cases[] = {
        {{7, 3, 2, 0x34, 0x12, 0xEE, 0xFF, 0xFF}, 7, 3, 2, 0x1234, 0xFFFF},
        {{2, 0x34, 0x12, 0xEE, 0x05, 0x00, 0xAA}, 0, 0, 2, 0x1234, 5},
        {{4, 0x10, 0x00, 0xEE, 0x09, 0x00}, 0, 0, 4, 0x10, 9},
        {{4, 0x10, 0x00, 0xEE, 0x09}, 0, 0, 4, 0x10, 0},
        {{4, 0x10}, 0, 0, 4, 0, 0},
        {{4}, 0, 0, 4, 0, 0},
        {{}, 0, 0, 0, 0, 0},
        {{7, 3, 2, 0x34, 0x12, 0xEE, 0xFF, 0xFF, 0x00}, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases)
    {
        CModbusChannel channel(1, ValueInt16, 1, 0);
        channel.Load(c.blob.empty() ? nullptr : c.blob.data(), static_cast<uint32_t>(c.blob.size()));
        EXPECT_EQ(channel.GetUnit(), c.unit) << c.blob.size();
        EXPECT_EQ(channel.GetAction(), c.action) << c.blob.size();
        EXPECT_EQ(channel.GetTable(), c.table) << c.blob.size();
        EXPECT_EQ(channel.GetRegister(), c.address) << c.blob.size();
        EXPECT_EQ(channel.m_value.load(), c.value) << c.blob.size();
    }
}
// --- Device table -----------------------------------------------------------------------------------

TEST(ModbusFactory, RowsCreateTheFiveDriversWithTheirPollPeriod)
{
    struct Case
    {
        uint32_t code;
        const char* host;
        uint16_t port;
        const char* text;
        uint32_t period;
        bool (*isDriver)(CAbstractDevice*);
    };
    const Case cases[] = {
        {0x21, "127.0.0.1", 1502, "250", 250,
         [](CAbstractDevice* d) { return !!dynamic_cast<CModbusTCPDevice*>(d); }},
        {0x34, "127.0.0.1", 1502, "100", 100,
         [](CAbstractDevice* d) { return !!dynamic_cast<CModbusASCIITcpDevice*>(d); }},
        {0x44, "127.0.0.1", 1502, nullptr, 0,
         [](CAbstractDevice* d) { return !!dynamic_cast<CModbusRTUTcpDevice*>(d); }},
        {0x33, nullptr, 7, "9600,8,n,300", 300,
         [](CAbstractDevice* d) { return !!dynamic_cast<CModbusASCIISerialDevice*>(d); }},
        {0x43, nullptr, 7, "19200,8,n,40", 40,
         [](CAbstractDevice* d) { return !!dynamic_cast<CModbusRTUSerialDevice*>(d); }},
    };
    for (const Case& c : cases)
    {
        bool known = false;
        std::unique_ptr<CAbstractDevice> device(
            CDeviceFactory().Create(c.code, c.host, c.port, c.text, known));
        EXPECT_TRUE(known) << c.code;
        ASSERT_NE(device, nullptr) << c.code;
        EXPECT_TRUE(c.isDriver(device.get())) << c.code;
        EXPECT_EQ(device->GetKind(), -1);
        auto* modbus = dynamic_cast<CAbstractModbusDevice*>(device.get());
        ASSERT_NE(modbus, nullptr);
        EXPECT_EQ(modbus->GetPollPeriod(), c.period) << c.code;
    }
}
} // namespace

// The tunnelling link's state machine over a transport the test drives: connect, reads of the
// feedback groups, group writes with their sequence, acknowledgements, resends, the heartbeat and
// the faults of the server's side.
#include <gtest/gtest.h>
#include <memory>
#include <thread>

#include "devices/DeviceParams.h"
#include "devices/buses/knx/CemiFrame.h"
#include "devices/buses/knx/EIBTcpGateDevice.h"
#include "devices/buses/knx/EIBUdpDevice.h"
#include "devices/buses/knx/KnxNetIpFrame.h"
#include "support/NetIpFrames.h"
#include "support/ScriptedLink.h"

namespace
{
using namespace knx_test;
using namespace KnxNetIp;
// Named here: the enumerator KnxNetIp::Frame would make the name ambiguous.
using knx_test::Frame;

class CTestUdpDevice : public CScriptedDevice<CEIBUdpDevice>
{
public:
    void SetLink(uint32_t reconnectWait, uint32_t pause)
    {
        DeviceParams params;
        params.value = reconnectWait;
        params.second = pause;
        ConfigureLink(&params);
    }
};

// A channel blob: action, subtype, group main/middle/sub, then the initial value.
Bytes Blob(uint8_t action, uint8_t subtype, uint8_t main, uint8_t middle, uint8_t sub, Bytes value)
{
    Bytes blob{action, subtype, main, middle, sub};
    blob.insert(blob.end(), value.begin(), value.end());
    return blob;
}

// Channel 7, individual address 1.1.100.
Bytes ConnectOk(uint8_t channel = 7)
{
    return Frame(ConnectResponse,
                 {channel, 0x00, 0x08, 0x01, 0x7F, 0, 0, 1, 0x0E, 0x57, 0x04, 0x04, 0x11, 0x64});
}

Bytes Ack(uint8_t sequence, uint8_t channel = 7)
{
    return Frame(TunnellingAck, {0x04, channel, sequence, 0x00});
}

// A group telegram from the bus as the server hands it on.
Bytes Telegram(uint8_t sequence, uint8_t sourceHigh, uint8_t sourceLow, uint8_t main, uint8_t middle,
               uint8_t sub, Bytes data, uint8_t apciLow = 0x80)
{
    Bytes body{0x04,
               7,
               sequence,
               0x00,
               0x29,
               0x00,
               0xBC,
               0xE0,
               sourceHigh,
               sourceLow,
               static_cast<uint8_t>(main << 3 | middle),
               sub,
               static_cast<uint8_t>(data.size()),
               0x00};
    if (!data.empty())
    {
        body.push_back(static_cast<uint8_t>(apciLow | (data.size() == 1 ? data[0] & 0x3F : 0)));
        body.insert(body.end(), data.begin() + 1, data.end());
    }
    return Frame(TunnellingRequest, body);
}

uint16_t ServiceOf(const Bytes& frame)
{
    return frame.size() >= 6 ? static_cast<uint16_t>(frame[2] << 8 | frame[3]) : 0;
}

// The cEMI part of a tunnelling request the panel sent.
Bytes CemiOf(const Bytes& frame)
{
    return frame.size() > 10 ? Bytes(frame.begin() + 10, frame.end()) : Bytes{};
}

class EIBDevice : public ::testing::Test
{
protected:
    void SetUp() override { device = std::make_unique<CTestUdpDevice>(); }

    void AddChannel(uint32_t id, uint8_t type, const Bytes& blob, uint8_t direction = 0)
    {
        ASSERT_TRUE(
            device->AddChannel(id, type, 1, direction, static_cast<uint32_t>(blob.size()), blob.data()));
    }

    // Connects and answers the connect request; returns with the queue of group reads waiting.
    void Connect()
    {
        ASSERT_TRUE(device->Connect());
        device->transport->Up();
        auto sent = device->transport->Take();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(ServiceOf(sent[0]), ConnectRequest);
        device->transport->Deliver(ConnectOk());
        ASSERT_EQ(device->GetState(), CAbstractDevice::StateOnline);
    }

    // Pumps once and acknowledges every tunnelling request sent; returns them.
    std::vector<Bytes> PumpAndAck()
    {
        device->Update();
        auto sent = device->transport->Take();
        for (const Bytes& frame : sent)
        {
            if (ServiceOf(frame) == TunnellingRequest)
                device->transport->Deliver(Ack(frame[8]));
        }
        return sent;
    }

    std::unique_ptr<CTestUdpDevice> device;
};

TEST_F(EIBDevice, ConnectRequestCarriesTheLocalEndpoint)
{
    ASSERT_TRUE(device->Connect());
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateConnecting);
    EXPECT_TRUE(device->transport->sent.empty());
    device->transport->Up();
    auto sent = device->transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0x06, 0x10, 0x02, 0x05, 0x00, 0x1A, 0x08, 0x01, 0x7F, 0x00, 0x00, 0x01, 0xC3,
                              0x50, 0x08, 0x01, 0x7F, 0x00, 0x00, 0x01, 0xC3, 0x50, 0x04, 0x04, 0x02, 0x00}));
    // A truncated response is ignored; the full one brings the link online.
    Bytes truncated = ConnectOk();
    truncated.resize(truncated.size() - 2);
    truncated[5] = static_cast<uint8_t>(truncated.size());
    device->transport->Deliver(truncated);
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateConnecting);
    device->transport->Deliver(ConnectOk());
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateOnline);
    EXPECT_EQ(device->GetChannelId(), 7);
}

TEST_F(EIBDevice, ConnectReadsEachFeedbackGroupOnceAndUpdatesOnlyFeedbackChannels)
{
    // Two channels on 1/2/3, one of them send-only; one on 1/2/4 with a 2-byte float.
    AddChannel(1, ValueBool, Blob(1, 0, 1, 2, 3, {0}));
    AddChannel(2, ValueBool, Blob(1, 0, 1, 2, 3, {0}), 2);
    AddChannel(3, ValueKnxFloat16, Blob(3, 0, 1, 2, 4, {0, 0, 0, 0}));
    // Too short for a group address: refused; without a value: dropped.
    EXPECT_FALSE(device->AddChannel(4, ValueBool, 1, 0, 4, Bytes{1, 0, 1, 2}.data()));
    EXPECT_TRUE(device->AddChannel(5, ValueInt16, 1, 0, 6, Bytes{1, 0, 1, 2, 5, 0}.data()));
    EXPECT_EQ(device->GetFeedbackGroupCount(), 2u);
    Connect();

    auto sent = PumpAndAck();
    ASSERT_EQ(sent.size(), 1u);
    // Group value read of 1/2/3 from 1.1.100, sequence 0.
    EXPECT_EQ(sent[0][8], 0);
    EXPECT_EQ(CemiOf(sent[0]), (Bytes{0x11, 0x00, 0x8C, 0xE0, 0x11, 0x64, 0x0A, 0x03, 0x01, 0x00, 0x00}));
    sent = PumpAndAck();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][8], 1);
    EXPECT_EQ(sent[0][17], 0x04);
    EXPECT_TRUE(PumpAndAck().empty());

    device->transport->Deliver(Telegram(0, 0x11, 0x05, 1, 2, 3, {0x01}));
    device->transport->Deliver(Telegram(1, 0x11, 0x05, 1, 2, 4, {0x00, 0x0C, 0x33}));
    // The same value again posts nothing.
    device->transport->Deliver(Telegram(2, 0x11, 0x05, 1, 2, 4, {0x00, 0x0C, 0x33}));
    device->Update();
    ASSERT_EQ(device->posted.size(), 2u);
    EXPECT_EQ(device->posted[0].channel, 1u);
    EXPECT_EQ(device->posted[0].kind, 1);
    EXPECT_FLOAT_EQ(device->posted[0].value, 1.0f);
    EXPECT_EQ(device->posted[1].channel, 3u);
    EXPECT_FLOAT_EQ(device->posted[1].value, 21.5f);
    // Every telegram is acknowledged with its own sequence.
    sent = device->transport->Take();
    ASSERT_EQ(sent.size(), 3u);
    for (uint8_t i = 0; i < 3; ++i)
        EXPECT_EQ(sent[i], (Bytes{0x06, 0x10, 0x04, 0x21, 0x00, 0x0A, 0x04, 0x07, i, 0x00}));
}

TEST_F(EIBDevice, TelegramsThatMustNotChangeChannelsAreStillAcknowledged)
{
    AddChannel(1, ValueKnxFloat16, Blob(3, 0, 1, 2, 4, {0, 0, 0, 0}));
    Connect();
    PumpAndAck();
    // From the panel's own address, a group read, a wrong data length, and a cEMI frame whose
    // data length runs past the frame.
    device->transport->Deliver(Telegram(0, 0x11, 0x64, 1, 2, 4, {0x00, 0x0C, 0x33}));
    device->transport->Deliver(Telegram(1, 0x11, 0x05, 1, 2, 4, {0x00}, 0x00));
    device->transport->Deliver(Telegram(2, 0x11, 0x05, 1, 2, 4, {0x00, 0x0C}));
    Bytes overlong = Telegram(3, 0x11, 0x05, 1, 2, 4, {0x00, 0x0C, 0x33});
    overlong[18] = 0x0F;
    device->transport->Deliver(overlong);
    device->Update();
    EXPECT_TRUE(device->posted.empty());
    auto sent = device->transport->Take();
    ASSERT_EQ(sent.size(), 4u);
    for (uint8_t i = 0; i < 4; ++i)
        EXPECT_EQ(sent[i][8], i);
}

TEST_F(EIBDevice, GroupWritesTakeTheSequenceInTurnAndWrap)
{
    AddChannel(1, ValueUInt8, Blob(3, 3, 1, 2, 5, {0}), 2);
    Connect();
    for (int i = 0; i < 257; ++i)
    {
        std::unique_ptr<CNerulanValue> value(CNerulanValue::NewInt(100));
        ASSERT_TRUE(device->SetValue(1, value.get()));
        auto sent = PumpAndAck();
        ASSERT_EQ(sent.size(), 1u);
        ASSERT_EQ(sent[0][8], static_cast<uint8_t>(i));
        // Percent 100 goes out as 0xFF.
        ASSERT_EQ(CemiOf(sent[0]),
                  (Bytes{0x11, 0x00, 0x8C, 0xE0, 0x11, 0x64, 0x0A, 0x05, 0x02, 0x00, 0x80, 0xFF}));
    }
    // Press is not this channel's action; no value for SetValue writes nothing.
    EXPECT_FALSE(device->Press(1, nullptr));
    EXPECT_FALSE(device->SetValue(1, nullptr));
    EXPECT_FALSE(device->SetValue(9, nullptr));
}

TEST_F(EIBDevice, ToggleChannelSendsTheInverseOfItsStoredBit)
{
    AddChannel(1, ValueBool, Blob(1, 17, 1, 2, 3, {0}), 2);
    Connect();
    ASSERT_TRUE(device->Press(1, nullptr));
    auto sent = PumpAndAck();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(CemiOf(sent[0]).back(), 0x81);
    ASSERT_TRUE(device->Press(1, nullptr));
    sent = PumpAndAck();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(CemiOf(sent[0]).back(), 0x80);
}

TEST_F(EIBDevice, WritesWhileOfflineAreRefused)
{
    AddChannel(1, ValueBool, Blob(1, 0, 1, 2, 3, {1}), 2);
    EXPECT_TRUE(device->Press(1, nullptr));
    Connect();
    EXPECT_TRUE(PumpAndAck().empty());
}

TEST_F(EIBDevice, UnacknowledgedHeadGoesOnceMoreThenTheLinkConnectsAnew)
{
    AddChannel(1, ValueBool, Blob(1, 0, 1, 2, 3, {1}), 2);
    Connect();
    ASSERT_TRUE(device->Press(1, nullptr));
    device->Update();
    auto sent = device->transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    // An acknowledgement of another sequence leaves the head in place.
    device->transport->Deliver(Ack(5));
    device->Advance(990);
    device->Update();
    EXPECT_TRUE(device->transport->Take().empty());
    device->Advance(20);
    device->Update(); // time-out: ready to resend
    device->Update();
    auto resent = device->transport->Take();
    ASSERT_EQ(resent.size(), 1u);
    EXPECT_EQ(resent[0], sent[0]);
    device->Advance(1020);
    device->Update();
    // The second time-out drops the head and ends the tunnel.
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateIdle);
    device->Update();
    sent = device->transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(ServiceOf(sent[0]), ConnectRequest);
    // The new tunnel starts with an empty queue and sequence 0.
    device->transport->Deliver(ConnectOk(9));
    ASSERT_TRUE(device->Press(1, nullptr));
    sent = PumpAndAck();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][7], 9);
    EXPECT_EQ(sent[0][8], 0);
    EXPECT_TRUE(PumpAndAck().empty());
}

TEST(EIBDeviceLink, PauseAfterAcknowledgementHoldsTheNextFrame)
{
    CTestUdpDevice device;
    device.SetLink(0, 200);
    Bytes blob = Blob(1, 0, 1, 2, 3, {1});
    ASSERT_TRUE(device.AddChannel(1, ValueBool, 1, 2, static_cast<uint32_t>(blob.size()), blob.data()));
    device.Connect();
    device.transport->Up();
    device.transport->Deliver(ConnectOk());
    device.transport->Take();
    device.Press(1, nullptr);
    device.Press(1, nullptr);
    device.Update();
    ASSERT_EQ(device.transport->Take().size(), 1u);
    device.transport->Deliver(Ack(0));
    EXPECT_EQ(device.GetQueueState(), 4);
    device.Advance(190);
    device.Update();
    device.Update();
    EXPECT_TRUE(device.transport->Take().empty());
    device.Advance(20);
    device.Update();
    device.Update();
    EXPECT_EQ(device.transport->Take().size(), 1u);
}

TEST(EIBDeviceLink, RefusedConnectWaitsTheReconnectWait)
{
    CTestUdpDevice device;
    device.SetLink(5000, 0);
    device.Connect();
    device.transport->Up();
    device.transport->Deliver(Frame(ConnectResponse, {0x00, 0x24}));
    EXPECT_EQ(device.GetState(), CAbstractEIBDevice::StateWaitingToReconnect);
    device.Advance(4990);
    device.Update();
    EXPECT_EQ(device.GetState(), CAbstractEIBDevice::StateWaitingToReconnect);
    device.Advance(20);
    device.Update();
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateIdle);
}

TEST_F(EIBDevice, HeartbeatAndItsFailures)
{
    Connect();
    device->Advance(59990);
    device->Update();
    EXPECT_TRUE(device->transport->Take().empty());
    device->Advance(20);
    device->Update();
    auto sent = device->transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0x06, 0x10, 0x02, 0x07, 0x00, 0x10, 0x07, 0x00, 0x08, 0x01, 0x7F, 0x00, 0x00,
                              0x01, 0xC3, 0x50}));
    device->transport->Deliver(Frame(ConnectionStateResponse, {0x07, 0x00}));
    device->Advance(20000);
    device->Update();
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateOnline);

    // Unanswered for more than 10 s: the tunnel is lost.
    device->Advance(40020);
    device->Update();
    ASSERT_EQ(device->transport->Take().size(), 1u);
    device->Advance(10020);
    device->Update();
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateIdle);

    // A server that no longer knows the channel answers with an error: connect anew.
    device->Update();
    device->transport->Deliver(ConnectOk());
    device->Advance(60020);
    device->Update();
    device->transport->Deliver(Frame(ConnectionStateResponse, {0x07, 0x21}));
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateIdle);
}

TEST_F(EIBDevice, ServerDisconnectIsConfirmedAndTheLinkConnectsAnew)
{
    Connect();
    device->transport->Take();
    device->transport->Deliver(Frame(DisconnectRequest, {0x05, 0x00, 0x08, 0x01, 0x7F, 0, 0, 1, 0x0E, 0x57}));
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateOnline);
    device->transport->Deliver(Frame(DisconnectRequest, {0x07, 0x00, 0x08, 0x01, 0x7F, 0, 0, 1, 0x0E, 0x57}));
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateIdle);
    auto sent = device->transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0x06, 0x10, 0x02, 0x0A, 0x00, 0x08, 0x07, 0x00}));
}

TEST_F(EIBDevice, DatagramsNeverJoin)
{
    AddChannel(1, ValueKnxFloat16, Blob(3, 0, 1, 2, 4, {0, 0, 0, 0}));
    Connect();
    Bytes telegram = Telegram(0, 0x11, 0x05, 1, 2, 4, {0x00, 0x0C, 0x33});
    device->transport->Deliver(Bytes(telegram.begin(), telegram.begin() + 12));
    device->transport->Deliver(Bytes(telegram.begin() + 12, telegram.end()));
    device->Update();
    EXPECT_TRUE(device->posted.empty());
    device->transport->Deliver(telegram);
    device->Update();
    EXPECT_EQ(device->posted.size(), 1u);
}

TEST_F(EIBDevice, DisconnectWaitsForTheAnswer)
{
    Connect();
    device->transport->Take();
    std::thread server(
        [this]
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            // Straight to the device, as its transport thread would: the test's clock is not pinned
            // from this thread.
            Bytes response = Frame(DisconnectResponse, {0x07, 0x00});
            device->OnReceive(response.data(), static_cast<uint32_t>(response.size()));
        });
    device->Disconnect();
    server.join();
    auto sent = device->transport->Take();
    ASSERT_GE(sent.size(), 1u);
    EXPECT_EQ(ServiceOf(sent[0]), DisconnectRequest);
    EXPECT_EQ(device->GetState(), CAbstractDevice::StateIdle);
}

TEST(EIBDeviceLink, DisconnectsOfUnansweringServersShareOneBoundedWait)
{
    CTestUdpDevice first, second;
    for (CTestUdpDevice* device : {&first, &second})
    {
        device->Connect();
        device->transport->Up();
        device->transport->Deliver(ConnectOk());
    }
    uint32_t start = platform::ClockMs();
    first.Disconnect();
    second.Disconnect();
    uint32_t waited = platform::ClockMs() - start;
    EXPECT_LE(waited, CAbstractEIBDevice::kDisconnectWaitTotal + 1000);
    EXPECT_EQ(first.GetState(), CAbstractEIBDevice::StateWaitingToReconnect);
    EXPECT_EQ(second.GetState(), CAbstractEIBDevice::StateWaitingToReconnect);
}

TEST(EIBTcpGate, IdleLinkIsClosedThenOpenedAnew)
{
    CScriptedDevice<CEIBTcpGateDevice> device;
    device.transport->Up();
    device.transport->Take();
    device.Update();
    EXPECT_EQ(device.transport->closes, 1);
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateIdle);
    device.Update();
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateConnecting);
    EXPECT_EQ(device.transport->GetLinkState(), CAbstractTransport::LinkConnectRequested);
    device.transport->Up();
    auto sent = device.transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(ServiceOf(sent[0]), ConnectRequest);
    // Frames split across TCP segments join.
    Bytes ok = ConnectOk();
    device.transport->Deliver(Bytes(ok.begin(), ok.begin() + 9));
    device.transport->Deliver(Bytes(ok.begin() + 9, ok.end()));
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateOnline);
}
} // namespace

namespace
{
TEST(EIBDeviceLink, SocketClosedByItsTransportIsOpenedAgain)
{
    knx_test::CScriptedDevice<CEIBUdpDevice> device;
    device.transport->Up();
    device.transport->Close();
    device.transport->Take();
    ASSERT_EQ(device.GetState(), CAbstractDevice::StateIdle);
    device.Update();
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateConnecting);
    EXPECT_EQ(device.transport->GetLinkState(), CAbstractTransport::LinkConnectRequested);
    device.transport->Up();
    auto sent = device.transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][3], 0x05);
}
} // namespace

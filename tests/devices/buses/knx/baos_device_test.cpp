// The object-server link's state machine over a transport the test drives: read ranges, reads at
// connect and per poll, writes, one request in flight with its drop time, and indications.
#include <gtest/gtest.h>
#include <memory>

#include "devices/DeviceParams.h"
#include "devices/buses/knx/BAOS1xTcpDevice.h"
#include "devices/buses/knx/BAOS2xTcpDevice.h"
#include "support/ScriptedLink.h"

namespace
{
using namespace knx_test;

template <class Driver> class CTestBaosDevice : public CScriptedDevice<Driver>
{
public:
    // The channel blob of the version: action, subtype, datapoint id, command, initial value.
    void Add(uint32_t id, uint8_t type, uint8_t action, uint8_t subtype, uint16_t datapoint, Bytes value,
             uint8_t direction = 0, uint8_t command = 3)
    {
        Bytes blob{action, subtype, static_cast<uint8_t>(datapoint)};
        if (std::is_same_v<Driver, CBAOS2xTcpDevice>)
            blob.push_back(static_cast<uint8_t>(datapoint >> 8));
        blob.push_back(command);
        blob.insert(blob.end(), value.begin(), value.end());
        this->AddChannel(id, type, 1, direction, static_cast<uint32_t>(blob.size()), blob.data());
    }
    void SetPoll(uint32_t ms) { this->SetPollPeriod(ms); }
};

using CTest1x = CTestBaosDevice<CBAOS1xTcpDevice>;
using CTest2x = CTestBaosDevice<CBAOS2xTcpDevice>;

// A 2.x frame from the server around a body (from the 0xF0 on).
Bytes Frame2x(const Bytes& body)
{
    Bytes frame{0x06, 0x20, 0xF0, 0x81, 0, 0, 0x04, 0, 0, 0};
    for (uint8_t b : body)
        frame.push_back(b);
    frame[5] = static_cast<uint8_t>(frame.size());
    return frame;
}

std::vector<std::pair<uint16_t, uint16_t>> RangesOf(const CAbstractBAOSTcpDevice& device)
{
    std::vector<std::pair<uint16_t, uint16_t>> ranges;
    for (const BaosDatapointRange& r : device.GetRanges())
        ranges.push_back({r.count, r.firstId});
    return ranges;
}

TEST(BaosDevice, FeedbackChannelsGiveTheReadRanges)
{
    CTest2x device;
    device.BeginChannels();
    for (uint16_t id : {1, 2, 3, 9, 10, 40})
        device.Add(id, ValueBool, 1, 0, id, {0});
    // Send-only, id 0 and without a value: not read.
    device.Add(50, ValueBool, 1, 0, 30, {0}, 2);
    device.Add(51, ValueBool, 1, 0, 0, {0});
    device.Add(52, ValueInt32, 1, 0, 60, {0, 0});
    device.EndChannels();
    EXPECT_EQ(RangesOf(device), (std::vector<std::pair<uint16_t, uint16_t>>{{10, 1}, {1, 40}}));
}

TEST(BaosDevice, Version2ReadsAtConnectAndUpdatesChannelsByTheirWholeId)
{
    CTest2x device;
    device.Add(1, ValueUInt16, 3, 0, 0x0101, {0, 0});
    device.Add(2, ValueUInt16, 3, 0, 0x0001, {0, 0});
    device.EndChannels();
    ASSERT_TRUE(device.Connect());
    device.transport->Up();
    EXPECT_EQ(device.GetState(), CAbstractDevice::StateOnline);
    device.Update();
    auto sent = device.transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0x06, 0x20, 0xF0, 0x80, 0x00, 0x11, 0x04, 0x00, 0x00, 0x00, 0xF0, 0x05, 0x00,
                              0x01, 0x00, 0x01, 0x01}));
    device.Update();
    EXPECT_TRUE(device.transport->Take().empty());
    // The reply releases the first read; the indication that follows in the same receive releases
    // nothing and updates 0x0101 only.
    Bytes both = Frame2x({0xF0, 0x85, 0x00, 0x01, 0x00, 0x01, 0x00, 0x01, 0x00, 0x02, 0x00, 0x07});
    Bytes indication = Frame2x({0xF0, 0xC1, 0x01, 0x01, 0x00, 0x01, 0x01, 0x01, 0x00, 0x02, 0x01, 0x02});
    both.insert(both.end(), indication.begin(), indication.end());
    device.transport->Deliver(both);
    device.Update();
    sent = device.transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0][13], 0x01);
    EXPECT_EQ(sent[0][12], 0x01);
    ASSERT_EQ(device.posted.size(), 2u);
    EXPECT_EQ(device.posted[0].channel, 2u);
    EXPECT_FLOAT_EQ(device.posted[0].value, 7.0f);
    EXPECT_EQ(device.posted[1].channel, 1u);
    EXPECT_FLOAT_EQ(device.posted[1].value, 258.0f);
    EXPECT_EQ(device.GetQueueState(), 3);
}

TEST(BaosDevice, RequestWithoutReplyIsDroppedAndALateReplyReleasesNothing)
{
    CTest2x device;
    device.Add(1, ValueInt32, 3, 0, 5, {0, 0, 0, 0});
    device.EndChannels();
    device.Connect();
    device.transport->Up();
    device.Update();
    ASSERT_EQ(device.transport->Take().size(), 1u);
    // A write waits behind the read; half a reply arrives.
    std::unique_ptr<CNerulanValue> value(CNerulanValue::NewInt(-2));
    ASSERT_TRUE(device.SetValue(1, value.get()));
    Bytes reply =
        Frame2x({0xF0, 0x85, 0x00, 0x05, 0x00, 0x01, 0x00, 0x05, 0x00, 0x04, 0xFF, 0xFF, 0xFF, 0xFE});
    device.transport->Deliver(Bytes(reply.begin(), reply.begin() + 8));
    device.Advance(5990);
    device.Update();
    EXPECT_TRUE(device.transport->Take().empty());
    device.Advance(20);
    device.Update();
    // Dropped: the stream is emptied, the write is still queued and not yet sent.
    EXPECT_TRUE(device.transport->Take().empty());
    device.transport->Deliver(Bytes(reply.begin() + 8, reply.end()));
    device.transport->Deliver(Frame2x({0xF0, 0x86, 0x00, 0x05, 0x00, 0x00, 0x00}));
    device.Update();
    auto sent = device.transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0x06, 0x20, 0xF0, 0x80, 0x00, 0x18, 0x04, 0x00, 0x00, 0x00, 0xF0, 0x06,
                              0x00, 0x05, 0x00, 0x01, 0x00, 0x05, 0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xFE}));
    // The tail of the lost reply was not read as a reply.
    EXPECT_TRUE(device.posted.empty());
    // A whole reply with a signed 32-bit -2 posts -2.
    device.transport->Deliver(reply);
    device.Update();
    ASSERT_EQ(device.posted.size(), 1u);
    EXPECT_FLOAT_EQ(device.posted[0].value, -2.0f);
}

TEST(BaosDevice, PollsWithTheChangedFilterEveryPeriod)
{
    CTest2x device;
    device.SetPoll(5000);
    device.Add(1, ValueBool, 3, 0, 7, {0});
    device.EndChannels();
    device.Connect();
    device.transport->Up();
    for (int poll = 0; poll < 3; ++poll)
    {
        device.Update();
        auto sent = device.transport->Take();
        ASSERT_EQ(sent.size(), 1u);
        // At connect every value (filter 1), then the changed ones (filter 2).
        EXPECT_EQ(sent[0].back(), poll == 0 ? 0x01 : 0x02);
        device.transport->Deliver(Frame2x({0xF0, 0x85, 0x00, 0x07, 0x00, 0x00, 0x00}));
        device.Advance(4990);
        device.Update();
        EXPECT_TRUE(device.transport->Take().empty());
        device.Advance(20);
    }
}

TEST(BaosDevice, Version1WritesAndReads)
{
    CTest1x device;
    device.Add(1, ValueUInt8, 3, 4, 9, {0}, 0, 2);
    device.Add(2, ValueKnxFloat16, 3, 0, 10, {0, 0, 0, 0});
    device.Add(3, ValueBool, 1, 17, 11, {0}, 2);
    device.EndChannels();
    device.Connect();
    device.transport->Up();
    device.Update();
    auto sent = device.transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0xF0, 0x05, 0x09, 0x02}));
    // The reply comes in two pieces.
    device.transport->Deliver(Bytes{0xF0, 0x85, 0x09, 0x02, 0x09, 0x01});
    device.transport->Deliver(Bytes{0xFF, 0x0A, 0x02, 0x0C, 0x33});
    ASSERT_EQ(device.posted.size(), 0u);
    device.Update();
    ASSERT_EQ(device.posted.size(), 2u);
    EXPECT_FLOAT_EQ(device.posted[0].value, 360.0f);
    EXPECT_FLOAT_EQ(device.posted[1].value, 21.5f);

    // An angle of 300 degrees is clamped, scaled, then cut: 0xD4.
    std::unique_ptr<CNerulanValue> angle(CNerulanValue::NewInt(300));
    ASSERT_TRUE(device.SetValue(1, angle.get()));
    device.Update();
    sent = device.transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0xF0, 0x06, 0x09, 0x01, 0x09, 0x21, 0xD4}));
    device.transport->Deliver(Bytes{0xF0, 0x86, 0x09, 0x00, 0x00});
    // The toggle flips its stored bit on every press.
    ASSERT_TRUE(device.Press(3, nullptr));
    ASSERT_TRUE(device.Press(3, nullptr));
    device.Update();
    sent = device.transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0xF0, 0x06, 0x0B, 0x01, 0x0B, 0x31, 0x01}));
    device.transport->Deliver(Bytes{0xF0, 0x86, 0x0B, 0x00, 0x00});
    device.Update();
    sent = device.transport->Take();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].back(), 0x00);
    // Feedback-only channels are never written; send-only ones take no indication.
    EXPECT_FALSE(device.Press(2, nullptr));
    device.transport->Deliver(Bytes{0xF0, 0xC1, 0x0B, 0x01, 0x0B, 0x01, 0x01});
    device.Update();
    EXPECT_EQ(device.posted.size(), 2u);
}
} // namespace

// The X10 frames, the upload parser and the link machine from byte tables.
#include <gtest/gtest.h>

#include <vector>

#include "devices/buses/x10/X10Codec.h"
#include "devices/buses/x10/X10LinkMachine.h"

namespace
{
using Bytes = std::vector<uint8_t>;
using Action = CX10LinkMachine::Action;

x10::Command Command(uint8_t house, uint8_t unit, uint8_t function, uint8_t data = 0, uint8_t extended = 0)
{
    x10::Command c;
    c.house = house;
    c.unit = unit;
    c.function = function;
    c.data = data;
    c.extended = extended;
    return c;
}

TEST(X10Codec, ExchangeFramesAndChecksums)
{
    struct Case
    {
        x10::Command command;
        bool addressed;
        Bytes frame;
        uint8_t checksum;
    };
    const Case cases[] = {
        {Command(6, 6, 2), false, {0x04, 0x66}, 0x6A},
        {Command(6, 6, 2), true, {0x06, 0x62}, 0x68},
        {Command(6, 6, 2, 5), true, {0x2E, 0x62}, 0x90},
        {Command(6, 6, 7, 0x20, 0x31), true, {0x07, 0x67, 0x06, 0x20, 0x31}, 0xC5},
    };
    for (const Case& c : cases)
    {
        Bytes frame;
        x10::WriteExchange(frame, c.command, c.addressed);
        EXPECT_EQ(frame, c.frame);
        EXPECT_EQ(x10::Checksum(frame), c.checksum);
    }
}

TEST(X10Codec, TimeAnswers)
{
    std::tm local{};
    local.tm_hour = 13;
    local.tm_min = 25;
    local.tm_sec = 9;
    local.tm_yday = 40;
    Bytes out;
    x10::WriteTimeAnswer(out, local);
    EXPECT_EQ(out, (Bytes{0x9B, 0x09, 0x55, 0x06, 0x28, 0x08, 0x60}));
    out.clear();
    local.tm_hour = 12; // an even hour adds nothing to the minutes
    x10::WriteOtherAnswer(out, local);
    EXPECT_EQ(out, (Bytes{0x7B, 0x09, 0x19, 0x06, 0x28, 0x08, 0x60, 0x00}));
}

std::vector<X10Report> Upload(const Bytes& bytes, uint8_t& last)
{
    std::vector<X10Report> reports;
    x10::ParseUpload(bytes.data(), static_cast<int32_t>(bytes.size()), last, reports);
    return reports;
}

TEST(X10Codec, Uploads)
{
    uint8_t last = 0;
    auto reports = Upload({0x03, 0x02, 0x66, 0x62}, last);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].house, 6);
    EXPECT_EQ(reports[0].unit, 6);
    EXPECT_EQ(reports[0].function, 2);
    EXPECT_EQ(last, 0x66);

    // Mask 0 stores an address, mask 1 reports a function for it.
    EXPECT_TRUE(Upload({0x02, 0x00, 0x45}, last).empty());
    EXPECT_EQ(last, 0x45);
    reports = Upload({0x02, 0x01, 0x43}, last);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].house, 4);
    EXPECT_EQ(reports[0].unit, 5);
    EXPECT_EQ(reports[0].function, 3);

    // An extended code: house from the first data byte, unit, data (bits 1-6), command.
    reports = Upload({0x05, 0x01, 0x67, 0x06, 0x40, 0x31}, last);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].house, 6);
    EXPECT_EQ(reports[0].unit, 6);
    EXPECT_EQ(reports[0].function, 7);
    EXPECT_EQ(reports[0].data, 0x20);
    EXPECT_EQ(reports[0].extended, 0x31);

    // Mask low nibble 5: the first data byte is a function for the last address.
    last = 0x66;
    reports = Upload({0x04, 0x05, 0x63, 0x12, 0x12}, last);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].unit, 6);
    EXPECT_EQ(reports[0].function, 3);
    EXPECT_EQ(reports[1].house, 1);
    EXPECT_EQ(reports[1].function, 2);

    // A size beyond the bytes given reads only those.
    last = 0;
    reports = Upload({0x09, 0x02, 0x66, 0x62, 0x55}, last);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(last, 0x55);
}

struct Machine
{
    CX10LinkMachine link;
    std::vector<Action> actions;
    uint32_t now = 0;

    Machine() { link.OnLinkUp(); }
    void Feed(const Bytes& bytes)
    {
        actions.clear();
        link.Feed(bytes.data(), static_cast<int32_t>(bytes.size()), now, actions);
    }
    Bytes Sent() const
    {
        Bytes bytes;
        for (const Action& a : actions)
        {
            if (a.kind == Action::SendByte)
                bytes.push_back(a.byte);
        }
        return bytes;
    }
    bool Has(Action::Kind kind) const
    {
        for (const Action& a : actions)
        {
            if (a.kind == kind)
                return true;
        }
        return false;
    }
};

TEST(X10Link, HandshakeAndBadChecksum)
{
    Machine m;
    m.link.StartExchange(0x6A, 0);
    m.Feed({0x33}); // not the checksum: dropped, still waiting
    EXPECT_EQ(m.link.GetState(), CX10LinkMachine::WaitChecksum);
    EXPECT_TRUE(m.actions.empty());
    m.Feed({0x6A});
    EXPECT_TRUE(m.Has(Action::Confirmed));
    EXPECT_EQ(m.Sent(), Bytes{0x00});
    EXPECT_EQ(m.link.GetState(), CX10LinkMachine::WaitReady);
    m.Feed({0x12, 0x55});
    EXPECT_TRUE(m.Has(Action::Ready));
    EXPECT_EQ(m.link.GetState(), CX10LinkMachine::Idle);
}

TEST(X10Link, EveryWaitTimesOut)
{
    const std::vector<Bytes> intoWait = {{}, {0x6A}, {0x5A}, {0x5A, 0x05}};
    const uint8_t states[] = {CX10LinkMachine::WaitChecksum, CX10LinkMachine::WaitReady,
                              CX10LinkMachine::WaitUpload, CX10LinkMachine::WaitUpload};
    for (size_t i = 0; i < intoWait.size(); ++i)
    {
        Machine m;
        m.now = 100;
        m.link.StartExchange(0x6A, m.now);
        m.Feed(intoWait[i]);
        ASSERT_EQ(m.link.GetState(), states[i]) << i;
        EXPECT_FALSE(m.link.TimeOut(1600, 1500)) << i;
        EXPECT_TRUE(m.link.TimeOut(1601, 1500)) << i;
        EXPECT_EQ(m.link.GetState(), CX10LinkMachine::Idle);
        EXPECT_EQ(m.link.Buffered(), 0);
        EXPECT_FALSE(m.link.TimeOut(9000, 1500)); // idle never times out
    }
}

TEST(X10Link, PollAndUpload)
{
    Machine m;
    m.Feed({0x5A});
    EXPECT_EQ(m.Sent(), Bytes{0xC3});
    EXPECT_EQ(m.link.GetState(), CX10LinkMachine::WaitUpload);
    m.Feed({0x03, 0x02});
    EXPECT_TRUE(m.actions.empty()); // not whole yet
    m.Feed({0x66, 0x62, 0xA5});
    ASSERT_EQ(m.actions.size(), 2u);
    EXPECT_EQ(m.actions[0].kind, Action::Report);
    EXPECT_EQ(m.actions[0].report.function, 2);
    EXPECT_EQ(m.actions[1].kind, Action::TimeAnswer);
    EXPECT_EQ(m.link.GetState(), CX10LinkMachine::Idle);
}

TEST(X10Link, UploadSizesThatCanNeverComplete)
{
    // Size 0: nothing follows; the link is idle at once and the next byte is read as usual.
    // (A poll signal discards what came with it: the interface sends nothing after it until
    // answered.)
    Machine m;
    m.Feed({0x5A, 0x00, 0xA6});
    EXPECT_EQ(m.link.GetState(), CX10LinkMachine::WaitUpload);
    m.Feed({0x00, 0xA6});
    EXPECT_TRUE(m.Has(Action::OtherAnswer));
    EXPECT_EQ(m.link.GetState(), CX10LinkMachine::Idle);
    // Above 127: more than the stream holds; dropped.
    m.Feed({0x5A});
    m.Feed({0x80, 0x01, 0x02});
    EXPECT_EQ(m.link.GetState(), CX10LinkMachine::Idle);
    EXPECT_EQ(m.link.Buffered(), 0);
    // A size byte of 0x5A is a new poll.
    m.Feed({0x5A});
    m.Feed({0x5A});
    EXPECT_EQ(m.Sent(), Bytes{0xC3});
    EXPECT_EQ(m.link.GetState(), CX10LinkMachine::WaitUpload);
}
} // namespace

// The channel base, the channel list and the poll timer that the drivers share.
#include "common/BlobReader.h"
#include "devices/ChannelList.h"
#include "devices/PollTimer.h"

#include <gtest/gtest.h>

namespace
{
// A bus channel of the usual shape: an address, then the action byte and the period.
class CBusChannel : public CAbstractChannel
{
public:
    using CAbstractChannel::CAbstractChannel;
    uint16_t address = 0;
    void Load(const uint8_t* blob, uint32_t length) override
    {
        CBlobReader reader(blob, length);
        uint8_t action = 0;
        uint32_t period = 0;
        if (reader.U16LE(address) && reader.U8(action) && reader.U32LE(period))
        {
            SetAction(action);
            SetPeriod(period);
        }
    }
};

TEST(ChannelList, LoadsFindsAndKeepsLoadOrder)
{
    CChannelList<CBusChannel> channels;
    const uint8_t periodic[] = {0x34, 0x12, 16, 0xE8, 0x03, 0, 0};
    const uint8_t press[] = {0x01, 0x00, 1, 0, 0, 0, 0};
    const uint8_t shortBlob[] = {0x02};
    channels.AddLoaded(0x00010005, 6, 1, DirectionBoth, sizeof periodic, periodic);
    channels.AddLoaded(5, 1, 1, DirectionNeverSent, sizeof press, press); // same low half: found second
    channels.AddLoaded(7, 1, 1, DirectionSendOnly, sizeof press, press);
    channels.AddLoaded(8, 1, 1, DirectionBoth, sizeof shortBlob, shortBlob);
    ASSERT_EQ(channels.Size(), 4u);

    CBusChannel* first = channels.Find(5);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetId(), 0x00010005u);
    EXPECT_EQ(first->address, 0x1234);
    EXPECT_TRUE(first->IsPeriodic());
    EXPECT_EQ(first->GetPeriod(), 1000u);
    EXPECT_EQ(channels.Find(9), nullptr);

    // Direction 1 is never sent; direction 2 takes no feedback.
    EXPECT_FALSE(channels.At(1)->IsSentBy(ActionPress));
    EXPECT_TRUE(channels.At(1)->TakesFeedback());
    EXPECT_TRUE(channels.At(2)->IsSentBy(ActionPress));
    EXPECT_FALSE(channels.At(2)->IsSentBy(ActionRelease));
    EXPECT_FALSE(channels.At(2)->TakesFeedback());
    // A blob too short for its fields leaves action and period at 0: the channel sends nothing.
    EXPECT_EQ(channels.At(3)->GetAction(), ActionNone);
    EXPECT_FALSE(channels.At(3)->IsSentBy(ActionNone));
    EXPECT_EQ(channels.At(4), nullptr);

    uint32_t count = 0;
    for (const auto& c : channels)
        count += c->GetReportKind();
    EXPECT_EQ(count, 4u);
}

TEST(PollTimer, DueByPeriod)
{
    CPollTimer atOnce(500, CPollTimer::FirstAtOnce);
    EXPECT_TRUE(atOnce.Due(10));
    EXPECT_FALSE(atOnce.Due(510));
    EXPECT_TRUE(atOnce.Due(511));
    atOnce.Restart();
    EXPECT_TRUE(atOnce.Due(600));

    CPollTimer afterPeriod(500, CPollTimer::FirstAfterPeriod);
    EXPECT_FALSE(afterPeriod.Due(500));
    EXPECT_TRUE(afterPeriod.Due(501));
    afterPeriod.Restart(1000);
    EXPECT_FALSE(afterPeriod.Due(1500));
    EXPECT_TRUE(afterPeriod.Due(1501));

    CPollTimer off;
    EXPECT_FALSE(off.Due(100000));
    off.SetPeriod(100);
    EXPECT_TRUE(off.Due(100000));

    // Across the clock's wrap.
    CPollTimer wrap(100);
    EXPECT_TRUE(wrap.Due(0xFFFFFFF0u));
    EXPECT_FALSE(wrap.Due(0x00000054u));
    EXPECT_TRUE(wrap.Due(0x00000055u));
}
} // namespace

// The report poster: the value's form by report kind, and posting only on a change.
#include "devices/ReportPoster.h"
#include "support/ToolkitTestDevice.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
using toolkit_test::CClockDevice;

CDeviceEventSink* FakeSystem()
{
    // The device only compares it with null before handing the record to DispatchEvent.
    return reinterpret_cast<CDeviceEventSink*>(uintptr_t{0x10});
}

uint32_t FloatBits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

TEST(ReportPoster, FloatBitsForTheFloatKindsIntegersOtherwise)
{
    struct Case
    {
        uint8_t kind;
        double value;
        uint32_t word;
    };
    const Case cases[] = {
        {EventSetItemValue, 42.5, FloatBits(42.5f)},
        {EventSetSliderValue, 3, FloatBits(3.0f)},
        {EventStepItemValue, -1, FloatBits(-1.0f)},
        {EventSetItemState, 3.9, 3},
        {EventSetItemEnabled, 1, 1},
        {EventSetItemFillColor, 4294967295.0, 0x80000000u}, // beyond int32: the conversion's own pattern
        {EventSetItemState, -2, 0xFFFFFFFEu},
        {EventListBoxSetIndent, 0, 0},
    };
    for (const Case& c : cases)
    {
        CDeviceEvent event = CReportPoster::MakeEvent(9, c.kind, c.value);
        EXPECT_EQ(event.channel, 9u);
        EXPECT_EQ(event.kind, c.kind);
        EXPECT_EQ(static_cast<uint32_t>(event.value), c.word) << int(c.kind) << " " << c.value;
        EXPECT_EQ(event.argument, 0u);
        EXPECT_EQ(event.second, 0u);
        EXPECT_EQ(event.owned, CDeviceEvent::OwnsNothing);
    }
}

TEST(ReportPoster, PostsOnlyWhenTheValueChanged)
{
    CClockDevice device;
    device.SetDialogSystem(FakeSystem());
    CReportPoster poster(device);
    CAbstractChannel channel(4, 6, EventSetItemValue, DirectionBoth);
    CAbstractChannel sendOnly(5, 6, EventSetItemValue, DirectionSendOnly);
    std::atomic<int32_t> stored{0};
    std::atomic<int32_t> sendOnlyStored{0};

    EXPECT_FALSE(poster.PostIfChanged(channel, stored, 0)); // equal to the stored start value
    EXPECT_TRUE(poster.PostIfChanged(channel, stored, 7));
    EXPECT_FALSE(poster.PostIfChanged(channel, stored, 7));
    EXPECT_TRUE(poster.PostIfChanged(channel, stored, -3));
    EXPECT_FALSE(poster.PostIfChanged(sendOnly, sendOnlyStored, 9));
    EXPECT_EQ(sendOnlyStored.load(), 9); // stored all the same

    std::atomic<float> level{0};
    EXPECT_TRUE(poster.PostIfChanged(6, EventSetItemState, level, 2.0f));
    EXPECT_FALSE(poster.PostIfChanged(6, EventSetItemState, level, 2.0f));

    poster.Post(8, EventSetItemValue, 1); // unconditional
    device.DispatchEvents();
    ASSERT_EQ(device.posted.size(), 4u);
    EXPECT_EQ(device.posted[0].channel, 4u);
    EXPECT_FLOAT_EQ(device.posted[0].ValueAsFloat(), 7.0f);
    EXPECT_FLOAT_EQ(device.posted[1].ValueAsFloat(), -3.0f);
    EXPECT_EQ(device.posted[2].channel, 6u);
    EXPECT_EQ(device.posted[2].value, 2u);
    EXPECT_EQ(device.posted[3].channel, 8u);
}
} // namespace

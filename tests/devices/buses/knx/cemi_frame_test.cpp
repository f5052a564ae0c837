#include <gtest/gtest.h>
#include <vector>

#include "devices/buses/knx/CemiFrame.h"

namespace
{
using Bytes = std::vector<uint8_t>;

CemiFrame GroupWrite(uint8_t main, uint8_t middle, uint8_t sub, Bytes data)
{
    CemiFrame frame;
    frame.priority = 3;
    frame.hopCount = 6;
    frame.groupFlag = 1;
    frame.sourceArea = 1;
    frame.sourceLine = 1;
    frame.sourceDevice = 5;
    frame.destMain = main;
    frame.destMiddle = middle;
    frame.destSub = sub;
    frame.apci = CemiFrame::kGroupValueWrite;
    frame.data = std::move(data);
    return frame;
}

TEST(CemiFrame, GroupWritesAreWrittenByteExact)
{
    Bytes out;
    WriteCemiFrame(CemiFrame::kDataRequest, GroupWrite(1, 2, 3, {0x01}), out);
    EXPECT_EQ(out, (Bytes{0x11, 0x00, 0x8C, 0xE0, 0x11, 0x05, 0x0A, 0x03, 0x01, 0x00, 0x81}));

    out.clear();
    WriteCemiFrame(CemiFrame::kDataRequest, GroupWrite(31, 7, 255, {0x00, 0x0C, 0x33}), out);
    EXPECT_EQ(out, (Bytes{0x11, 0x00, 0x8C, 0xE0, 0x11, 0x05, 0xFF, 0xFF, 0x03, 0x00, 0x80, 0x0C, 0x33}));

    // A group value read: APCI 0 and one data byte 0.
    CemiFrame read = GroupWrite(1, 2, 3, {0x00});
    read.apci = CemiFrame::kGroupValueRead;
    out.clear();
    WriteCemiFrame(CemiFrame::kDataRequest, read, out);
    EXPECT_EQ(out, (Bytes{0x11, 0x00, 0x8C, 0xE0, 0x11, 0x05, 0x0A, 0x03, 0x01, 0x00, 0x00}));

    // Without data the frame ends at the TPCI byte.
    out.clear();
    WriteCemiFrame(CemiFrame::kDataRequest, GroupWrite(1, 2, 3, {}), out);
    EXPECT_EQ(out.size(), 10u);
    EXPECT_EQ(out[8], 0x00);
}

TEST(CemiFrame, WrittenFramesParseBack)
{
    Bytes out;
    CemiFrame written = GroupWrite(1, 2, 4, {0x00, 0x0C, 0x33});
    WriteCemiFrame(CemiFrame::kDataRequest, written, out);
    uint8_t code = 0;
    CemiFrame frame;
    ASSERT_TRUE(ParseCemiFrame(out.data(), out.size(), code, frame));
    EXPECT_EQ(code, CemiFrame::kDataRequest);
    EXPECT_EQ(frame.priority, 3);
    EXPECT_EQ(frame.hopCount, 6);
    EXPECT_EQ(frame.groupFlag, 1);
    EXPECT_EQ(frame.sourceArea, 1);
    EXPECT_EQ(frame.sourceLine, 1);
    EXPECT_EQ(frame.sourceDevice, 5);
    EXPECT_EQ(frame.destMain, 1);
    EXPECT_EQ(frame.destMiddle, 2);
    EXPECT_EQ(frame.destSub, 4);
    EXPECT_EQ(frame.apci, CemiFrame::kGroupValueWrite);
    EXPECT_EQ(frame.data, written.data);
}

TEST(CemiFrame, IndicationsFromATunnellingServerParse)
{
    // knxtool groupwrite 1/2/6 0C 33 as knxd hands it to a tunnel client (L_Data.ind).
    const Bytes ind{0x29, 0x00, 0xBC, 0xD0, 0x00, 0x65, 0x0A, 0x06, 0x03, 0x00, 0x80, 0x0C, 0x33};
    uint8_t code = 0;
    CemiFrame frame;
    ASSERT_TRUE(ParseCemiFrame(ind.data(), ind.size(), code, frame));
    EXPECT_EQ(code, CemiFrame::kDataIndication);
    EXPECT_EQ(frame.repeat, 1);
    EXPECT_EQ(frame.priority, 3);
    EXPECT_EQ(frame.hopCount, 5);
    EXPECT_EQ(frame.sourceDevice, 0x65);
    EXPECT_EQ(frame.destSub, 6);
    EXPECT_EQ(frame.data, (Bytes{0x00, 0x0C, 0x33}));

    // Additional information is stepped over by its length.
    const Bytes withInfo{0x29, 0x03, 0xAA, 0xBB, 0xCC, 0xBC, 0xD0, 0x00, 0x65, 0x0A, 0x06, 0x01, 0x00, 0x81};
    ASSERT_TRUE(ParseCemiFrame(withInfo.data(), withInfo.size(), code, frame));
    EXPECT_EQ(frame.data, Bytes{0x01});
    EXPECT_EQ(frame.apci, CemiFrame::kGroupValueWrite);

    // A group value read: the low 6 bits belong to the service code, data[0] is 0.
    const Bytes read{0x29, 0x00, 0xBC, 0xD0, 0x00, 0x65, 0x0A, 0x06, 0x01, 0x00, 0x00};
    ASSERT_TRUE(ParseCemiFrame(read.data(), read.size(), code, frame));
    EXPECT_EQ(frame.apci, CemiFrame::kGroupValueRead);
    EXPECT_EQ(frame.data, Bytes{0x00});

    // An individual destination splits into area and line nibbles.
    const Bytes individual{0x29, 0x00, 0xBC, 0x50, 0x00, 0x65, 0x12, 0x07, 0x01, 0x03, 0xC5};
    ASSERT_TRUE(ParseCemiFrame(individual.data(), individual.size(), code, frame));
    EXPECT_EQ(frame.groupFlag, 0);
    EXPECT_EQ(frame.destMain, 1);
    EXPECT_EQ(frame.destMiddle, 2);
    EXPECT_EQ(frame.destSub, 7);
    EXPECT_EQ(frame.apci, 0x3C5);
}

TEST(CemiFrame, ServiceCodeBitsSurviveBeingWrittenAgain)
{
    // Found by fuzzing: a service whose low 6 bits belong to its code lost them when written back.
    const Bytes input{0x01, 0x00, 0x0A, 0x0B, 0xFF, 0xFF, 0xFF, 0x92, 0x21, 0xFF, 0x0A};
    uint8_t code = 0;
    CemiFrame frame;
    ASSERT_TRUE(ParseCemiFrame(input.data(), input.size(), code, frame));
    EXPECT_EQ(frame.apci, 0x30A);
    Bytes written;
    WriteCemiFrame(code, frame, written);
    CemiFrame again;
    ASSERT_TRUE(ParseCemiFrame(written.data(), written.size(), code, again));
    EXPECT_EQ(again.apci, 0x30A);
    EXPECT_EQ(again.data, frame.data);
}

TEST(CemiFrame, LengthsBeyondTheFrameAreRefused)
{
    const Bytes good{0x29, 0x00, 0xBC, 0xD0, 0x00, 0x65, 0x0A, 0x06, 0x03, 0x00, 0x80, 0x0C, 0x33};
    uint8_t code = 0;
    CemiFrame frame;
    // Every cut of a valid frame is refused.
    for (size_t size = 0; size < good.size(); ++size)
        EXPECT_FALSE(ParseCemiFrame(good.data(), size, code, frame)) << size;
    // Additional information longer than the frame.
    Bytes info = good;
    info[1] = 0xF0;
    EXPECT_FALSE(ParseCemiFrame(info.data(), info.size(), code, frame));
    // A data length beyond the frame.
    Bytes data = good;
    data[8] = 0x0F;
    EXPECT_FALSE(ParseCemiFrame(data.data(), data.size(), code, frame));
    EXPECT_FALSE(ParseCemiFrame(nullptr, 0, code, frame));
}
} // namespace

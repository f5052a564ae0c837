// EPSNET messages from byte tables, the read-block plan, and the channel values.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common/NerulanValue.h"
#include "devices/DeviceEvent.h"
#include "devices/buses/epsnet/EPSNETChannel.h"
#include "devices/buses/epsnet/EpsnetCodec.h"
#include "devices/buses/epsnet/EpsnetReadPlan.h"
#include "devices/support/RecordingDriver.h"

namespace
{
using Bytes = std::vector<uint8_t>;
using driver_test::Hex;

TEST(EpsnetMessages, RequestsAreByteExact)
{
    Bytes out;
    CEpsnetCodec::WriteRead(out, 0xF001, 5, 1, 10, 4);
    EXPECT_EQ(Hex(out), "01 F0 02 00 00 0E 68 08 08 68 00 05 6C 0B 01 0A 00 04 8B 16");

    CEpsnetCodec::WriteConnect(out, 0xF002, 5);
    EXPECT_EQ(Hex(out), "02 F0 02 00 00 06 10 00 05 69 6E 16");

    const uint8_t value[2] = {0x34, 0x12};
    CEpsnetCodec::WriteBytes(out, 0xFFFF, 5, 2, 0x0102, value, 2);
    EXPECT_EQ(Hex(out), "FF FF 02 00 00 10 68 0A 0A 68 00 05 63 0C 02 02 01 02 34 12 C1 16");

    CEpsnetCodec::WriteBit(out, 0xF003, 5, 0, 7, 3, true);
    EXPECT_EQ(Hex(out), "03 F0 02 00 00 0E 68 08 08 68 00 05 63 10 00 07 00 83 02 16");
}

TEST(EpsnetMessages, SequenceRunsFromOneTo4095)
{
    uint16_t n = 0;
    for (int i = 0; i < 4095; ++i)
        n = CEpsnetCodec::NextSequence(n);
    EXPECT_EQ(n, 4095);
    n = CEpsnetCodec::NextSequence(n);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(CEpsnetCodec::WireSequence(n), 0xF001);
}

std::vector<EpsnetFrame> Parse(const Bytes& bytes)
{
    std::vector<EpsnetFrame> frames;
    CEpsnetCodec::ParseDatagram(bytes.data(), bytes.size(), frames);
    return frames;
}

TEST(EpsnetMessages, ParsesTheThreeFrameKinds)
{
    // Junk before the header, a read reply, then a second message with a connect answer and E5.
    const Bytes datagram = {0x99, 0x07, 0xF0, 0x02, 0x00, 0x00, 0x0C, 0x68, 0x06, 0x06, 0x68,
                            0x00, 0x05, 0x08, 0xAA, 0xBB, 0xCC, 0x3E, 0x16, 0x08, 0xF0, 0x02,
                            0x00, 0x00, 0x07, 0x10, 0x00, 0x05, 0x00, 0x05, 0x16, 0xE5};
    const auto frames = Parse(datagram);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].kind, EpsnetFrame::Variable);
    EXPECT_EQ(frames[0].sequence, 0xF007);
    EXPECT_EQ(frames[0].station, 5);
    EXPECT_EQ(Hex(frames[0].data), "08 AA BB CC");
    EXPECT_EQ(frames[1].kind, EpsnetFrame::Fixed);
    EXPECT_EQ(frames[1].sequence, 0xF008);
    EXPECT_EQ(frames[1].fixed[2], 0);
    EXPECT_EQ(frames[2].kind, EpsnetFrame::Single);
}

TEST(EpsnetMessages, RefusesDamagedFrames)
{
    const Bytes header = {0x01, 0xF0, 0x02, 0x00, 0x00, 0x0C};
    const std::vector<Bytes> bodies = {
        {0x68, 0x06, 0x06, 0x68, 0x00, 0x05, 0x08, 0xAA, 0xBB, 0xCC, 0x8C, 0x16}, // checksum
        {0x68, 0x06, 0x07, 0x68, 0x00, 0x05, 0x08, 0xAA, 0xBB, 0xCC, 0x8B, 0x16}, // lengths differ
        {0x68, 0x06, 0x06, 0x68, 0x00, 0x05, 0x08, 0xAA, 0xBB},                   // cut short
        {0x68, 0x00, 0x00, 0x68, 0x00, 0x16},                                     // no data
        {0x10, 0x00, 0x05, 0x00, 0x06, 0x16},                                     // checksum
    };
    for (const Bytes& body : bodies)
    {
        Bytes datagram = header;
        datagram.insert(datagram.end(), body.begin(), body.end());
        EXPECT_TRUE(Parse(datagram).empty()) << Hex(body);
    }
    // A header that declares fewer bytes than follow: frames are looked for within it only.
    Bytes shortDeclared = {0x01, 0xF0, 0x02, 0x00, 0x00, 0x03, 0x10, 0x00, 0x05, 0x00, 0x05, 0x16};
    EXPECT_TRUE(Parse(shortDeclared).empty());
}

std::vector<EpsnetBlockRange> Plan(std::vector<EpsnetValueSpan> spans)
{
    return CEpsnetReadPlan::Build(spans);
}

TEST(EpsnetReadPlan, GroupsValuesIntoBlocks)
{
    using R = std::vector<EpsnetBlockRange>;
    // Two bits at 10 and 11 and an int16 at 12 of area 1.
    EXPECT_EQ(Plan({{1, 10, 1}, {1, 11, 1}, {1, 12, 2}}), (R{{1, 10, 4}}));
    // A gap of ten bytes joins, eleven does not.
    EXPECT_EQ(Plan({{0, 0, 1}, {0, 11, 1}}), (R{{0, 0, 12}}));
    EXPECT_EQ(Plan({{0, 0, 1}, {0, 12, 1}}), (R{{0, 0, 1}, {0, 12, 1}}));
    // Areas in order, each on its own.
    EXPECT_EQ(Plan({{3, 5, 4}, {0, 5, 4}}), (R{{0, 5, 4}, {3, 5, 4}}));
    // The larger of two values at one address counts, whichever came first.
    EXPECT_EQ(Plan({{0, 100, 4}, {0, 100, 1}}), (R{{0, 100, 4}}));
    EXPECT_EQ(Plan({{0, 100, 1}, {0, 100, 8}}), (R{{0, 100, 8}}));
    // A value that overlaps the one before stays wholly inside the block.
    EXPECT_EQ(Plan({{0, 0, 2}, {0, 1, 4}}), (R{{0, 0, 5}}));
    // The last bytes of an area.
    EXPECT_EQ(Plan({{2, 65528, 8}}), (R{{2, 65528, 8}}));
}

TEST(EpsnetReadPlan, BlocksStayWithinTheBudgetGapsIncluded)
{
    std::vector<EpsnetValueSpan> consecutive;
    for (uint16_t a = 0; a < 201; ++a)
        consecutive.push_back({0, a, 1});
    EXPECT_EQ(Plan(consecutive), (std::vector<EpsnetBlockRange>{{0, 0, 200}, {0, 200, 1}}));

    // Values every 11 bytes: each gap of 10 joins, and the gaps count against the 200 bytes.
    std::vector<EpsnetValueSpan> spaced;
    for (uint16_t a = 0; a < 2000; a = static_cast<uint16_t>(a + 11))
        spaced.push_back({0, a, 1});
    const auto blocks = Plan(spaced);
    for (const auto& b : blocks)
        EXPECT_LE(b.length, CEpsnetReadPlan::kBlockBudget);
    for (const auto& v : spaced)
    {
        bool inside = false;
        for (const auto& b : blocks)
            inside = inside || (v.address >= b.start && v.address + v.size <= b.start + b.length);
        EXPECT_TRUE(inside) << v.address;
    }
}

std::unique_ptr<CEPSNETChannel> Channel(uint8_t type, const Bytes& blob)
{
    auto c = std::make_unique<CEPSNETChannel>(1, type, 1, 0);
    c->Load(blob.data(), static_cast<uint32_t>(blob.size()));
    return c;
}

TEST(EpsnetChannel, LoadsAndCodesValues)
{
    auto i16 = Channel(ValueInt16, {3, 1, 0x10, 0x00, 0, 0xFE, 0xFF});
    EXPECT_TRUE(i16->IsUsable());
    EXPECT_EQ(i16->GetAction(), 3);
    EXPECT_EQ(i16->m_area, 1);
    EXPECT_EQ(i16->m_address, 0x10);
    EXPECT_EQ(i16->ToDouble(i16->m_raw), -2.0);

    auto bit = Channel(ValueBool, {1, 0, 5, 0, 6, 1});
    const uint8_t byte = 0x40;
    EXPECT_EQ(bit->Decode(&byte), 1u);
    const uint8_t other = 0xBF;
    EXPECT_EQ(bit->Decode(&other), 0u);

    auto f = Channel(ValueFloat, {3, 0, 0, 0, 0, 0});
    const uint8_t one[4] = {0x00, 0x00, 0x80, 0x3F};
    EXPECT_EQ(f->ToDouble(f->Decode(one)), 1.0);
    std::unique_ptr<CNerulanValue> v(CNerulanValue::NewInt(-3));
    auto i64 = Channel(ValueInt64, {3, 0, 0, 0, 0, 0});
    EXPECT_EQ(i64->Encode(*v), 0xFFFFFFFFFFFFFFFDull);
}

TEST(EpsnetChannel, RefusesWhatDoesNotFit)
{
    EXPECT_FALSE(Channel(ValueInt16, {3, 1, 0x10, 0x00, 0})->IsUsable());    // 5 bytes
    EXPECT_FALSE(Channel(ValueInt16, {3, 4, 0x10, 0x00, 0, 0})->IsUsable()); // area 4
    EXPECT_FALSE(Channel(ValueInt32, {3, 0, 0xFD, 0xFF, 0, 0})->IsUsable()); // past the end
    EXPECT_TRUE(Channel(ValueInt32, {3, 0, 0xFC, 0xFF, 0, 0})->IsUsable());  // the last four
    EXPECT_FALSE(Channel(ValueKnxFloat16, {3, 0, 0, 0, 0, 0})->IsUsable());  // no value
    EXPECT_FALSE(Channel(ValueInt8, {})->IsUsable());
}
} // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/InStream.h"

namespace
{
std::vector<uint8_t> Pending(const CInStream& s)
{
    return std::vector<uint8_t>(s.ReadPos(), s.WritePos());
}

// Bytes start, start + 1, ...
std::vector<uint8_t> Bytes(int count, uint8_t start)
{
    std::vector<uint8_t> bytes(count);
    for (int i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(start + i);
    return bytes;
}

std::vector<uint8_t> Join(std::vector<uint8_t> a, const std::vector<uint8_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct OverflowCase
{
    const char* name;
    uint8_t mode;
    int32_t capacity;
    int fill;   // bytes 1.. appended first
    int skip;   // of which this many are read
    int append; // then this many bytes 101.. are appended
    bool ok;
    int32_t capacityAfter;
    std::vector<uint8_t> pendingAfter;
    bool readAtStart; // the read position is the buffer start afterwards
};

class InStreamOverflow : public ::testing::TestWithParam<OverflowCase>
{
};

TEST_P(InStreamOverflow, AppendFollowsTheOverflowMode)
{
    const OverflowCase& c = GetParam();
    CInStream s(c.mode, c.capacity);
    std::vector<uint8_t> fill = Bytes(c.fill, 1);
    ASSERT_TRUE(s.Append(fill.data(), c.fill));
    s.Skip(c.skip);
    std::vector<uint8_t> input = Bytes(c.append, 101);
    EXPECT_EQ(s.Append(input.data(), c.append), c.ok);
    EXPECT_EQ(s.Capacity(), c.capacityAfter);
    EXPECT_EQ(Pending(s), c.pendingAfter);
    if (c.readAtStart)
    {
        EXPECT_EQ(s.ReadPos(), s.Buffer());
    }
    EXPECT_LE(s.Buffer(), s.ReadPos());
    EXPECT_LE(s.WritePos(), s.Buffer() + s.Capacity());
}

INSTANTIATE_TEST_SUITE_P(
    Modes, InStreamOverflow,
    ::testing::Values(
        // Fits behind the write position: no move.
        OverflowCase{"FitsBehind", CInStream::Refuse, 8, 3, 1, 4, true, 8, Join(Bytes(2, 2), Bytes(4, 101)),
                     false},
        // Fits only after the pending bytes move to the front (any mode).
        OverflowCase{"CompactsRefuse", CInStream::Refuse, 8, 8, 5, 4, true, 8,
                     Join(Bytes(3, 6), Bytes(4, 101)), true},
        OverflowCase{"CompactsGrow", CInStream::Grow, 8, 8, 5, 5, true, 8, Join(Bytes(3, 6), Bytes(5, 101)),
                     true},
        // Refuse: nothing changes.
        OverflowCase{"RefuseFull", CInStream::Refuse, 8, 8, 0, 1, false, 8, Bytes(8, 1), true},
        OverflowCase{"RefuseTooBig", CInStream::Refuse, 8, 8, 2, 3, false, 8, Bytes(6, 3), false},
        // Keep the newest: the 4 newest pending bytes, then the 4 new ones.
        OverflowCase{"KeepNewest", CInStream::KeepNewest, 8, 6, 0, 4, true, 8,
                     Join(Bytes(4, 3), Bytes(4, 101)), true},
        OverflowCase{"KeepNewestAfterRead", CInStream::KeepNewest, 8, 8, 2, 4, true, 8,
                     Join(Bytes(4, 5), Bytes(4, 101)), true},
        OverflowCase{"KeepNewestHuge", CInStream::KeepNewest, 8, 3, 0, 20, true, 8, Bytes(8, 113), true},
        OverflowCase{"KeepNewestExact", CInStream::KeepNewest, 8, 6, 0, 8, true, 8, Bytes(8, 101), true},
        // Grow by what arrives.
        OverflowCase{"Grow", CInStream::Grow, 8, 6, 0, 4, true, 10 + 2, Join(Bytes(6, 1), Bytes(4, 101)),
                     true},
        OverflowCase{"GrowAfterRead", CInStream::Grow, 8, 8, 1, 4, true, 12, Join(Bytes(7, 2), Bytes(4, 101)),
                     true},
        OverflowCase{"GrowFromNothing", CInStream::Grow, 0, 0, 0, 5, true, 5, Bytes(5, 101), true}),
    [](const ::testing::TestParamInfo<OverflowCase>& info) { return std::string(info.param.name); });

TEST(InStreamCeiling, GrowingStopsAtTheCeiling)
{
    CInStream s(CInStream::Grow, 8);
    std::vector<uint8_t> big(CInStream::kMaxCapacity, 0x5A);
    ASSERT_TRUE(s.Append(big.data(), 8));
    // Growing to exactly the ceiling is allowed.
    ASSERT_TRUE(s.Append(big.data(), CInStream::kMaxCapacity - 8));
    EXPECT_EQ(s.Capacity(), CInStream::kMaxCapacity);
    EXPECT_EQ(s.Pending(), CInStream::kMaxCapacity);
    // One byte more is refused and changes nothing.
    uint8_t one = 1;
    EXPECT_FALSE(s.Append(&one, 1));
    EXPECT_EQ(s.Capacity(), CInStream::kMaxCapacity);
    EXPECT_EQ(s.Pending(), CInStream::kMaxCapacity);
    EXPECT_EQ(s.ReadPos()[CInStream::kMaxCapacity - 1], 0x5A);
    // Once the parser has consumed bytes, the room is used again.
    s.Skip(1);
    EXPECT_TRUE(s.Append(&one, 1));
    EXPECT_EQ(s.WritePos()[-1], 1);
}

TEST(InStreamCeiling, OneHugeAppendIsRefused)
{
    CInStream s(CInStream::Grow, 16);
    std::vector<uint8_t> big(CInStream::kMaxCapacity, 1);
    uint8_t head[4] = {9, 8, 7, 6};
    ASSERT_TRUE(s.Append(head, 4));
    EXPECT_FALSE(s.Append(big.data(), CInStream::kMaxCapacity));
    EXPECT_EQ(s.Capacity(), 16);
    EXPECT_EQ(Pending(s), (std::vector<uint8_t>{9, 8, 7, 6}));
}

TEST(InStreamAppend, EmptyAndNullInputs)
{
    CInStream s(CInStream::Refuse, 4);
    EXPECT_TRUE(s.Append(nullptr, 0));
    EXPECT_TRUE(s.Append("x", -3));
    EXPECT_FALSE(s.Append(nullptr, 2));
    EXPECT_EQ(s.Pending(), 0);
}

TEST(InStreamRead, LittleEndianFieldsRefuseWhenShort)
{
    CInStream s(CInStream::Refuse, 16);
    const uint8_t bytes[] = {0x01, 0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 0xAA};
    ASSERT_TRUE(s.Append(bytes, sizeof bytes));
    uint8_t u8 = 0;
    uint16_t u16 = 0;
    uint32_t u32 = 0;
    int32_t i32 = 0;
    EXPECT_TRUE(s.ReadU8(u8));
    EXPECT_EQ(u8, 0x01);
    EXPECT_TRUE(s.ReadU16(u16));
    EXPECT_EQ(u16, 0x1234);
    EXPECT_TRUE(s.ReadU32(u32));
    EXPECT_EQ(u32, 0x12345678u);
    EXPECT_TRUE(s.ReadI32(i32));
    EXPECT_EQ(i32, -2);
    // One byte left: wider fields are refused and leave it in place.
    EXPECT_FALSE(s.ReadU16(u16));
    EXPECT_FALSE(s.ReadU32(u32));
    EXPECT_FALSE(s.ReadI32(i32));
    uint8_t two[2];
    EXPECT_FALSE(s.ReadBytes(two, 2));
    EXPECT_FALSE(s.ReadBytes(two, -1));
    EXPECT_EQ(s.Pending(), 1);
    EXPECT_TRUE(s.ReadU8(u8));
    EXPECT_EQ(u8, 0xAA);
    EXPECT_FALSE(s.ReadU8(u8));
}

TEST(InStreamRead, SkipStopsAtTheWritePosition)
{
    CInStream s(CInStream::Grow, 4);
    ASSERT_TRUE(s.Append("abc", 3));
    s.Skip(-1);
    EXPECT_EQ(s.Pending(), 3);
    s.Skip(100);
    EXPECT_EQ(s.Pending(), 0);
    EXPECT_EQ(s.ReadPos(), s.WritePos());
}
} // namespace

TEST(InStreamRead, TextsAlwaysEndInAZeroAndRefuseWhenCut)
{
    CInStream s(CInStream::Refuse, 32);
    // "ab" with its zero, an empty text, "cd" whose zero a damaged file left out, then a text cut short.
    const uint8_t bytes[] = {3, 0, 'a', 'b', 0, 0, 0, 2, 0, 'c', 'd', 5, 0, 'e'};
    ASSERT_TRUE(s.Append(bytes, sizeof bytes));
    char* text = nullptr;
    ASSERT_TRUE(s.ReadText(text));
    EXPECT_STREQ(text, "ab");
    delete[] text;
    ASSERT_TRUE(s.ReadText(text));
    EXPECT_EQ(text, nullptr);
    ASSERT_TRUE(s.ReadText(text));
    EXPECT_STREQ(text, "cd");
    delete[] text;
    EXPECT_FALSE(s.ReadText(text));
    EXPECT_EQ(text, nullptr);
}

TEST(InStreamRead, SignedSixteenBitFieldsWiden)
{
    CInStream s(CInStream::Refuse, 8);
    const uint8_t bytes[] = {0xFE, 0xFF, 0x34, 0x12, 0x01};
    ASSERT_TRUE(s.Append(bytes, sizeof bytes));
    int32_t value = 0;
    EXPECT_TRUE(s.ReadI16(value));
    EXPECT_EQ(value, -2);
    EXPECT_TRUE(s.ReadI16(value));
    EXPECT_EQ(value, 0x1234);
    EXPECT_FALSE(s.ReadI16(value));
    EXPECT_EQ(s.Pending(), 1);
}

// The output stream's builders and its growth.
#include "devices/OutStream.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
std::vector<uint8_t> Bytes(const COutStream& out)
{
    return std::vector<uint8_t>(out.Data(), out.Data() + out.Length());
}

TEST(OutStream, BuildersAppendInTheirByteOrder)
{
    COutStream out(16);
    out.PutWordBE(0x1234);
    out.PutWordLE(0x1234);
    out.PutDWordLE(0x11223344);
    out.PutDWordBE(0x11223344);
    out.PutByte(0xFE);
    out.PutString("ab");
    out.PutStringZ("c");
    out.PutBytes("\x01\x02", 2);
    EXPECT_EQ(Bytes(out), (std::vector<uint8_t>{0x12, 0x34, 0x34, 0x12, 0x44, 0x33, 0x22, 0x11, 0x11, 0x22,
                                                0x33, 0x44, 0xFE, 'a', 'b', 'c', 0, 1, 2}));
}

TEST(OutStream, EmptyTextsAndBlocks)
{
    COutStream out(8);
    out.PutString("");
    out.PutString(nullptr);
    out.PutBytes(nullptr, 4);
    out.PutBytes("x", 0);
    EXPECT_EQ(out.Length(), 0u);
    out.PutStringZ("");
    out.PutStringZ(nullptr);
    EXPECT_EQ(Bytes(out), (std::vector<uint8_t>{0, 0}));
}

TEST(OutStream, GrowsInStepsAndKeepsWhatWasWritten)
{
    COutStream out(512);
    for (int i = 0; i < 511; ++i)
        out.PutByte(static_cast<uint8_t>(i));
    out.PutWordBE(0xABCD);
    EXPECT_EQ(out.Capacity(), 1024u);
    ASSERT_EQ(out.Length(), 513u);
    for (int i = 0; i < 511; ++i)
        ASSERT_EQ(out.Data()[i], static_cast<uint8_t>(i));
    EXPECT_EQ(out.Data()[511], 0xAB);
    EXPECT_EQ(out.Data()[512], 0xCD);

    COutStream reserve(512);
    reserve.Reserve(512);
    EXPECT_EQ(reserve.Capacity(), 1024u);
    reserve.Reserve(513);
    EXPECT_EQ(reserve.Capacity(), 2049u);

    // A block larger than the room left grows by its size and a step.
    COutStream block(4);
    std::vector<uint8_t> big(600, 7);
    block.PutBytes(big.data(), 600);
    EXPECT_EQ(block.Capacity(), 4u + 600u + 512u);
    EXPECT_EQ(Bytes(block), big);
}

TEST(OutStream, ResetKeepsTheBufferAndPatchingStaysInsideTheMessage)
{
    COutStream out(4);
    out.PutBytes("abcdef", 6);
    uint32_t capacity = out.Capacity();
    out.Reset();
    EXPECT_EQ(out.Length(), 0u);
    EXPECT_EQ(out.Capacity(), capacity);

    out.PutByte(0x68);
    out.PutWordBE(0);
    out.PutByte(0x16);
    EXPECT_TRUE(out.SetWordBE(1, 0x0102));
    EXPECT_TRUE(out.SetByte(3, 0x17));
    EXPECT_FALSE(out.SetWordLE(3, 0xFFFF)); // would pass the end of the message
    EXPECT_FALSE(out.SetByte(4, 0));
    EXPECT_EQ(Bytes(out), (std::vector<uint8_t>{0x68, 0x01, 0x02, 0x17}));
}

TEST(OutStream, RefusesAMessageBeyondItsLimit)
{
    COutStream out(8);
    EXPECT_FALSE(out.Reserve(COutStream::kMaxCapacity));
    std::vector<uint8_t> one(1, 1);
    out.PutBytes(one.data(), COutStream::kMaxCapacity); // a length no buffer here backs: refused
    EXPECT_EQ(out.Length(), 0u);
    EXPECT_EQ(out.Capacity(), 8u);
}
} // namespace

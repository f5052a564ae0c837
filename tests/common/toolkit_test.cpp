#include "common/BlobReader.h"
#include "common/Checksums.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{
struct ChecksumCase
{
    std::vector<uint8_t> bytes;
    uint16_t crcModbus;
    uint16_t crcXmodem;
    uint8_t lrc;
    uint8_t sum;
    uint8_t xorValue;
};

TEST(Checksums, KnownFrames)
{
    const std::vector<ChecksumCase> cases = {
        // Modbus RTU read of one holding register: 01 03 00 00 00 01 then 84 0A on the wire.
        {{0x01, 0x03, 0x00, 0x00, 0x00, 0x01}, 0x0A84, 0x0000, 0xFB, 0x05, 0x03},
        // The standard check text "123456789".
        {{'1', '2', '3', '4', '5', '6', '7', '8', '9'}, 0x4B37, 0x31C3, 0x23, 0xDD, 0x31},
        {{}, 0xFFFF, 0x0000, 0x00, 0x00, 0x00},
    };
    for (const auto& c : cases)
    {
        const uint8_t* p = c.bytes.empty() ? nullptr : c.bytes.data();
        EXPECT_EQ(Crc16Modbus(p, c.bytes.size()), c.crcModbus);
        EXPECT_EQ(Lrc8(p, c.bytes.size()), c.lrc);
        EXPECT_EQ(ByteSum8(p, c.bytes.size()), c.sum);
        EXPECT_EQ(Xor8(p, c.bytes.size()), c.xorValue);
        if (c.bytes.size() == 9)
        {
            EXPECT_EQ(Crc16Xmodem(p, c.bytes.size()), c.crcXmodem);
        }
    }
}

TEST(BlobReader, ReadsBothByteOrdersAndStopsAtTheEnd)
{
    const uint8_t blob[] = {0x01, 0x34, 0x12, 0x12, 0x34, 0x78, 0x56, 0x34, 0x12, 0xAA};
    CBlobReader r(blob, sizeof blob);
    uint8_t b = 0;
    uint16_t le = 0, be = 0;
    uint32_t v = 0;
    EXPECT_TRUE(r.U8(b));
    EXPECT_TRUE(r.U16LE(le));
    EXPECT_TRUE(r.U16BE(be));
    EXPECT_TRUE(r.U32LE(v));
    EXPECT_EQ(b, 0x01);
    EXPECT_EQ(le, 0x1234);
    EXPECT_EQ(be, 0x1234);
    EXPECT_EQ(v, 0x12345678u);
    EXPECT_EQ(r.Remaining(), 1u);
    // A read that does not fit fails, writes zero and fails every later read, even one that fits.
    uint16_t tooLong = 7;
    EXPECT_FALSE(r.U16LE(tooLong));
    EXPECT_EQ(tooLong, 0);
    EXPECT_FALSE(r.U8(b));
    EXPECT_EQ(b, 0);
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.Remaining(), 0u);
}

TEST(BlobReader, HugeCountsNeverWrap)
{
    const uint8_t blob[4] = {1, 2, 3, 4};
    CBlobReader r(blob, sizeof blob);
    EXPECT_TRUE(r.Skip(2));
    EXPECT_FALSE(r.Skip(SIZE_MAX));
    CBlobReader n(nullptr, 100);
    uint8_t out[2] = {9, 9};
    EXPECT_FALSE(n.Bytes(out, 2));
    EXPECT_EQ(out[0], 0);
}
} // namespace

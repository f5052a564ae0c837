// Byte-exact requests of the three framings, and the stream parsers on whole, split, damaged and
// oversized replies.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "devices/buses/modbus/ModbusASCIICodec.h"
#include "devices/buses/modbus/ModbusPdu.h"
#include "devices/buses/modbus/ModbusRTUCodec.h"
#include "devices/buses/modbus/ModbusTcpCodec.h"

namespace
{
using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

CModbusPdu ReadPdu(uint8_t table, uint16_t start, uint16_t quantity)
{
    CModbusPdu pdu;
    EXPECT_TRUE(pdu.Read(table, start, quantity));
    return pdu;
}

Bytes PduBytes(const CModbusPdu& pdu)
{
    return Bytes(pdu.Data(), pdu.Data() + pdu.Size());
}

// --- Requests ---------------------------------------------------------------------------------

TEST(ModbusRequests, TcpReadOfElevenCoils)
{
    const CModbusPdu pdu = ReadPdu(ModbusCoils, 0, 11);
    EXPECT_EQ(CModbusTcpCodec::Encode(1, 1, pdu.Data(), pdu.Size()),
              (Bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x06, 0x01, 0x01, 0x00, 0x00, 0x00, 0x0B}));
}

TEST(ModbusRequests, RtuAndAsciiReadOfOneHoldingRegister)
{
    const CModbusPdu pdu = ReadPdu(ModbusHoldingRegisters, 0, 1);
    EXPECT_EQ(CModbusRTUCodec::Encode(1, pdu.Data(), pdu.Size()),
              (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A}));
    EXPECT_EQ(CModbusASCIICodec::Encode(1, pdu.Data(), pdu.Size()), Text(":010300000001FB\r\n"));
}

TEST(ModbusRequests, FunctionCodeAndQuantityLimitsByTable)
{
    struct Case
    {
        uint8_t table;
        uint16_t quantity;
        Bytes pdu;
    };
    const Case cases[] = {
        {ModbusCoils, 0, {0x01, 0x12, 0x34, 0x00, 0x01}},
        {ModbusDiscreteInputs, 2001, {0x02, 0x12, 0x34, 0x07, 0xD0}},
        {ModbusDiscreteInputs, 512, {0x02, 0x12, 0x34, 0x02, 0x00}},
        {ModbusHoldingRegisters, 0, {0x03, 0x12, 0x34, 0x00, 0x01}},
        {ModbusInputRegisters, 126, {0x04, 0x12, 0x34, 0x00, 0x7D}},
        {ModbusInputRegisters, 64, {0x04, 0x12, 0x34, 0x00, 0x40}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PduBytes(ReadPdu(c.table, 0x1234, c.quantity)), c.pdu) << int(c.table) << " " << c.quantity;
    CModbusPdu pdu;
    EXPECT_FALSE(pdu.Read(0, 0, 1));
    EXPECT_FALSE(pdu.Read(5, 0, 1));
    EXPECT_EQ(pdu.Size(), 0u);
}

TEST(ModbusRequests, WritesOfOneCoilAndOneRegister)
{
    CModbusPdu coil;
    coil.WriteCoils(0x0013);
    ASSERT_TRUE(coil.AddCoil(true));
    EXPECT_EQ(PduBytes(coil), (Bytes{0x0F, 0x00, 0x13, 0x00, 0x01, 0x01, 0x01}));
    EXPECT_EQ(CModbusTcpCodec::Encode(7, 1, coil.Data(), coil.Size())[5], 8); // MBAP length

    CModbusPdu off;
    off.WriteCoils(5);
    ASSERT_TRUE(off.AddCoil(false));
    EXPECT_EQ(PduBytes(off), (Bytes{0x0F, 0x00, 0x05, 0x00, 0x01, 0x01, 0x00}));

    CModbusPdu reg;
    reg.WriteRegisters(0x0001);
    ASSERT_TRUE(reg.AddRegister(57));
    EXPECT_EQ(PduBytes(reg), (Bytes{0x10, 0x00, 0x01, 0x00, 0x01, 0x02, 0x00, 0x39}));
    EXPECT_EQ(CModbusTcpCodec::Encode(7, 1, reg.Data(), reg.Size())[5], 9);
    EXPECT_FALSE(reg.AddCoil(true)) << "a coil does not go into a register write";
}

TEST(ModbusRequests, LongWritesRewriteQuantityAndByteCountAndStopAtTheLimit)
{
    CModbusPdu coils;
    coils.WriteCoils(0);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(coils.AddCoil(i % 3 == 0));
    EXPECT_EQ(PduBytes(coils), (Bytes{0x0F, 0x00, 0x00, 0x00, 0x0A, 0x02, 0x49, 0x02}));
    for (int i = 10; i < CModbusPdu::kMaxWriteCoils; ++i)
        ASSERT_TRUE(coils.AddCoil(true));
    EXPECT_FALSE(coils.AddCoil(true));
    EXPECT_EQ(coils.Size(), 6u + 246u);

    CModbusPdu regs;
    regs.WriteRegisters(0);
    for (int i = 0; i < CModbusPdu::kMaxWriteRegisters; ++i)
        ASSERT_TRUE(regs.AddRegister(static_cast<uint16_t>(i)));
    EXPECT_FALSE(regs.AddRegister(1));
    EXPECT_EQ(regs.Data()[5], 246);
    // The longest write still fits an RTU frame of 256 bytes.
    EXPECT_LE(CModbusRTUCodec::Encode(1, regs.Data(), regs.Size()).size(), CModbusRTUCodec::kMaxFrame);
}

// --- Stream parsers ---------------------------------------------------------------------------

enum class Framing
{
    Tcp,
    Rtu,
    Ascii,
};

FrameVerdict Scan(Framing f, const Bytes& b)
{
    switch (f)
    {
    case Framing::Tcp:
        return CModbusTcpCodec::Scan(b.data(), b.size());
    case Framing::Rtu:
        return CModbusRTUCodec::Scan(b.data(), b.size());
    default:
        return CModbusASCIICodec::Scan(b.data(), b.size());
    }
}

bool Decode(Framing f, const Bytes& b, ModbusReply& reply)
{
    switch (f)
    {
    case Framing::Tcp:
        return CModbusTcpCodec::Decode(b.data(), b.size(), reply);
    case Framing::Rtu:
        return CModbusRTUCodec::Decode(b.data(), b.size(), reply);
    default:
        return CModbusASCIICodec::Decode(b.data(), b.size(), reply);
    }
}

// A reply of unit 1, function 3, two registers 0x1234 and 0xFFFF, in each framing.
Bytes RegisterReply(Framing f, uint16_t transactionId = 9)
{
    const uint8_t pdu[] = {0x03, 0x04, 0x12, 0x34, 0xFF, 0xFF};
    switch (f)
    {
    case Framing::Tcp:
        return CModbusTcpCodec::Encode(transactionId, 1, pdu, sizeof pdu);
    case Framing::Rtu:
        return CModbusRTUCodec::Encode(1, pdu, sizeof pdu);
    default:
        return CModbusASCIICodec::Encode(1, pdu, sizeof pdu);
    }
}

class ModbusStreams : public ::testing::TestWithParam<Framing>
{
};

TEST_P(ModbusStreams, WholeReplyIsOneFrameAndDecodes)
{
    Bytes frame = RegisterReply(GetParam());
    const FrameVerdict r = Scan(GetParam(), frame);
    ASSERT_EQ(r.kind, FrameVerdict::Frame);
    EXPECT_EQ(static_cast<size_t>(r.length), frame.size());
    ModbusReply reply;
    ASSERT_TRUE(Decode(GetParam(), frame, reply));
    EXPECT_EQ(reply.unit, 1);
    EXPECT_EQ(reply.function, 3);
    ASSERT_EQ(reply.dataLength, 5);
    EXPECT_EQ(Bytes(reply.data, reply.data + 5), (Bytes{0x04, 0x12, 0x34, 0xFF, 0xFF}));
    EXPECT_EQ(reply.transactionId, GetParam() == Framing::Tcp ? 9 : 0);
}

TEST_P(ModbusStreams, EveryPrefixWaitsForMore)
{
    const Bytes frame = RegisterReply(GetParam());
    for (size_t n = 0; n < frame.size(); ++n)
        EXPECT_EQ(Scan(GetParam(), Bytes(frame.begin(), frame.begin() + n)).kind, FrameVerdict::NeedMore)
            << n;
}

TEST_P(ModbusStreams, FrameIsMeasuredWithTheNextOneBehindIt)
{
    Bytes two = RegisterReply(GetParam());
    const size_t first = two.size();
    const Bytes next = RegisterReply(GetParam(), 10);
    two.insert(two.end(), next.begin(), next.begin() + 3);
    const FrameVerdict r = Scan(GetParam(), two);
    ASSERT_EQ(r.kind, FrameVerdict::Frame);
    EXPECT_EQ(static_cast<size_t>(r.length), first);
}

TEST(ModbusChecksums, DamagedReplyIsNotAFrame)
{
    // One data digit or byte changed (ASCII: '3' of 0x34 to '5'); Modbus TCP carries no checksum.
    for (Framing f : {Framing::Rtu, Framing::Ascii})
    {
        Bytes frame = RegisterReply(f);
        const size_t at = f == Framing::Ascii ? 10 : 3;
        frame[at] = f == Framing::Ascii ? '5' : frame[at] ^ 0x01;
        EXPECT_EQ(Scan(f, frame).kind, FrameVerdict::NotHere);
        ModbusReply reply;
        EXPECT_FALSE(Decode(f, frame, reply));
    }
}

TEST_P(ModbusStreams, DecodeRefusesWhatIsNotExactlyOneFrame)
{
    Bytes frame = RegisterReply(GetParam());
    ModbusReply reply;
    EXPECT_FALSE(Decode(GetParam(), Bytes(frame.begin(), frame.end() - 1), reply));
    frame.push_back(0);
    EXPECT_FALSE(Decode(GetParam(), frame, reply));
    EXPECT_FALSE(Decode(GetParam(), Bytes(), reply));
    EXPECT_EQ(reply.function, 0) << "a refused decode leaves an empty reply";
}

INSTANTIATE_TEST_SUITE_P(AllFramings, ModbusStreams,
                         ::testing::Values(Framing::Tcp, Framing::Rtu, Framing::Ascii),
                         [](const auto& info) {
                             return info.param == Framing::Tcp   ? "Tcp"
                                    : info.param == Framing::Rtu ? "Rtu"
                                                                 : "Ascii";
                         });

// --- Modbus TCP ---------------------------------------------------------------------------------

TEST(ModbusTcpStream, LengthFieldOutsideTheReplyIsNotAFrame)
{
    struct Case
    {
        uint16_t length;
        FrameVerdict::Kind kind;
    };
    const Case cases[] = {
        {0, FrameVerdict::NotHere}, {1, FrameVerdict::NotHere},   {2, FrameVerdict::Frame},
        {258, FrameVerdict::Frame}, {259, FrameVerdict::NotHere}, {0xFFFF, FrameVerdict::NotHere},
    };
    for (const Case& c : cases)
    {
        Bytes frame = {
            0x00, 0x01, 0x00, 0x00, static_cast<uint8_t>(c.length >> 8), static_cast<uint8_t>(c.length)};
        frame.resize(6 + 300, 0x03); // plenty of bytes behind the header
        const FrameVerdict r = CModbusTcpCodec::Scan(frame.data(), frame.size());
        EXPECT_EQ(r.kind, c.kind) << c.length;
        if (r.kind != FrameVerdict::Frame)
            continue;
        ModbusReply reply;
        ASSERT_TRUE(CModbusTcpCodec::Decode(frame.data(), static_cast<size_t>(r.length), reply));
        EXPECT_EQ(reply.dataLength, c.length - 2);
    }
}

TEST(ModbusTcpStream, TransactionIdsAtTheWrapDecode)
{
    for (uint16_t id : {uint16_t(1), uint16_t(0x7FFF), uint16_t(0x8000), uint16_t(0xFFFF)})
    {
        const Bytes frame = RegisterReply(Framing::Tcp, id);
        ModbusReply reply;
        ASSERT_TRUE(CModbusTcpCodec::Decode(frame.data(), frame.size(), reply));
        EXPECT_EQ(reply.transactionId, id);
    }
}

// --- Modbus RTU ---------------------------------------------------------------------------------

TEST(ModbusRtuStream, ReplySizesByFunctionCode)
{
    struct Case
    {
        Bytes head;
        int size;
    };
    const Case cases[] = {
        {{0x01}, 0},
        {{0x01, 0x03}, 0},
        {{0x01, 0x03, 0x04}, 9},
        {{0x01, 0x01, 0x00}, 5},
        {{0x01, 0x02, 0xFB}, 256},
        {{0x01, 0x02, 0xFC}, -1}, // would not fit a 256-byte frame
        {{0x01, 0x83}, 5},
        {{0x01, 0x90}, 5},
        {{0x01, 0x05}, 8},
        {{0x01, 0x06}, 8},
        {{0x01, 0x0F}, 8},
        {{0x01, 0x10}, 8},
        {{0x01, 0x00}, -1},
        {{0x01, 0x11}, -1},
        {{0x01, 0x2B}, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CModbusRTUCodec::ReplySize(c.head.data(), c.head.size()), c.size) << int(c.head.back());
}

TEST(ModbusRtuStream, ExceptionAndWriteEchoDecode)
{
    const uint8_t exception[] = {0x83, 0x02};
    const Bytes frame = CModbusRTUCodec::Encode(7, exception, sizeof exception);
    ASSERT_EQ(frame.size(), 5u);
    ModbusReply reply;
    ASSERT_TRUE(CModbusRTUCodec::Decode(frame.data(), frame.size(), reply));
    EXPECT_EQ(reply.unit, 7);
    EXPECT_EQ(reply.function, 0x83);
    EXPECT_EQ(reply.dataLength, 1);
    EXPECT_EQ(reply.data[0], 2);

    const uint8_t echo[] = {0x10, 0x00, 0x01, 0x00, 0x01};
    const Bytes written = CModbusRTUCodec::Encode(7, echo, sizeof echo);
    const FrameVerdict r = CModbusRTUCodec::Scan(written.data(), written.size());
    EXPECT_EQ(r.kind, FrameVerdict::Frame);
    EXPECT_EQ(static_cast<size_t>(r.length), 8u);
}

TEST(ModbusRtuStream, NoiseBeforeAReplyIsDroppedByteByByte)
{
    Bytes stream = {0x00, 0xFF, 0x42};
    const Bytes reply = RegisterReply(Framing::Rtu);
    stream.insert(stream.end(), reply.begin(), reply.end());
    size_t at = 0;
    FrameVerdict r;
    while ((r = CModbusRTUCodec::Scan(stream.data() + at, stream.size() - at)).kind == FrameVerdict::NotHere)
        ++at;
    EXPECT_EQ(at, 3u);
    EXPECT_EQ(r.kind, FrameVerdict::Frame);
}

// --- Modbus ASCII -------------------------------------------------------------------------------

TEST(ModbusAsciiStream, FrameNeedsItsLineEnd)
{
    // Unit 1, function 3, one register 0x0102: the sum is 0 before CR LF arrives.
    const Bytes full = Text(":0103020102F7\r\n");
    EXPECT_EQ(CModbusASCIICodec::Scan(full.data(), full.size() - 2).kind, FrameVerdict::NeedMore);
    EXPECT_EQ(CModbusASCIICodec::Scan(full.data(), full.size() - 1).kind, FrameVerdict::NeedMore);
    const FrameVerdict r = CModbusASCIICodec::Scan(full.data(), full.size());
    EXPECT_EQ(r.kind, FrameVerdict::Frame);
    EXPECT_EQ(static_cast<size_t>(r.length), full.size());
}

TEST(ModbusAsciiStream, MalformedLines)
{
    const char* bad[] = {
        "0103020102F7\r\n",       // no colon
        ":0103020102F7\r\r",      // CR not followed by LF
        ":0103020102F\r\n",       // odd number of digits
        ":0103020102G7\r\n",      // not a hexadecimal digit
        ":01 03020102F7\r\n",     // space
        ":0103:0103020102F7\r\n", // cut short by the next frame
        ":01FF\r\n",              // too short to hold unit, function and LRC
        ":0103020102F8\r\n",      // wrong LRC
    };
    for (const char* line : bad)
    {
        const Bytes b = Text(line);
        EXPECT_EQ(CModbusASCIICodec::Scan(b.data(), b.size()).kind, FrameVerdict::NotHere) << line;
    }
}

TEST(ModbusAsciiStream, LowerCaseDigitsAreRead)
{
    const Bytes b = Text(":0103020a0bE5\r\n");
    ModbusReply reply;
    ASSERT_TRUE(CModbusASCIICodec::Decode(b.data(), b.size(), reply));
    EXPECT_EQ(reply.dataLength, 3);
    EXPECT_EQ(reply.data[1], 0x0A);
    EXPECT_EQ(reply.data[2], 0x0B);
}

TEST(ModbusAsciiStream, EndlessDigitsStopWaiting)
{
    Bytes b = Text(":");
    b.resize(1 + 2 * CModbusASCIICodec::kMaxBytes, '0');
    EXPECT_EQ(CModbusASCIICodec::Scan(b.data(), b.size()).kind, FrameVerdict::NeedMore);
    b.push_back('0');
    EXPECT_EQ(CModbusASCIICodec::Scan(b.data(), b.size()).kind, FrameVerdict::NotHere);
}

TEST(ModbusAsciiStream, LongestReplyDecodes)
{
    Bytes pdu(1 + ModbusReply::kMaxData, 0xA5);
    pdu[0] = 0x03;
    const Bytes frame = CModbusASCIICodec::Encode(1, pdu.data(), pdu.size());
    EXPECT_EQ(frame.size(), CModbusASCIICodec::kMaxFrame);
    ModbusReply reply;
    ASSERT_TRUE(CModbusASCIICodec::Decode(frame.data(), frame.size(), reply));
    EXPECT_EQ(reply.dataLength, ModbusReply::kMaxData);
}
} // namespace

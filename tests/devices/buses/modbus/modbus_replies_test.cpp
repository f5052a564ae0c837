// Values taken out of read replies, exceptions, and the matching of a reply to its request.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "devices/buses/modbus/ModbusReplyDecoder.h"

namespace
{
ModbusReply Reply(uint8_t unit, uint8_t function, std::vector<uint8_t> data, uint16_t transactionId = 0)
{
    ModbusReply reply;
    reply.transactionId = transactionId;
    reply.unit = unit;
    reply.function = function;
    reply.dataLength = static_cast<uint16_t>(data.size());
    if (!data.empty())
        std::memcpy(reply.data, data.data(), data.size());
    return reply;
}

TEST(ModbusBitReplies, BitsFromTheLowestOfEachByte)
{
    std::vector<uint8_t> bits;
    ASSERT_TRUE(CModbusReplyDecoder::Bits(Reply(1, 1, {0x02, 0xCD, 0x01}), 11, bits));
    EXPECT_EQ(bits, (std::vector<uint8_t>{1, 0, 1, 1, 0, 0, 1, 1, 1, 0, 0}));
}

TEST(ModbusBitReplies, CountsAreCheckedAgainstTheQuantityAndTheBytesReceived)
{
    struct Case
    {
        std::vector<uint8_t> data;
        uint16_t quantity;
        bool ok;
        const char* what;
    };
    const Case cases[] = {
        {{0x01, 0xFF}, 8, true, "exact"},
        {{0x01, 0xFF}, 9, false, "byte count short for the quantity"},
        {{0x02, 0xFF}, 9, false, "byte count beyond the bytes received"},
        {{0xFF, 0xFF}, 1, false, "byte count 255 with one byte received"},
        {{0x03, 0xFF, 0x00, 0x00}, 9, true, "longer count than needed, all received"},
        {{}, 1, false, "no byte count"},
    };
    for (const Case& c : cases)
    {
        std::vector<uint8_t> bits;
        EXPECT_EQ(CModbusReplyDecoder::Bits(Reply(1, 2, c.data), c.quantity, bits), c.ok) << c.what;
        EXPECT_EQ(bits.size(), c.ok ? c.quantity : 0u) << c.what;
    }
}

TEST(ModbusBitReplies, DataLengthBeyondTheBufferIsNotTrusted)
{
    ModbusReply reply = Reply(1, 1, {0x01, 0x01});
    reply.dataLength = 0xFFFF;
    std::vector<uint8_t> bits;
    EXPECT_FALSE(CModbusReplyDecoder::Bits(reply, 8, bits));
}

TEST(ModbusRegisterReplies, SignedValuesHighByteFirst)
{
    std::vector<int16_t> values;
    ASSERT_TRUE(
        CModbusReplyDecoder::Registers(Reply(1, 3, {0x06, 0x80, 0x00, 0xFF, 0xFF, 0x00, 0x39}), 3, values));
    EXPECT_EQ(values, (std::vector<int16_t>{-32768, -1, 57}));
}

TEST(ModbusRegisterReplies, CountsAreCheckedAgainstTheQuantityAndTheBytesReceived)
{
    struct Case
    {
        std::vector<uint8_t> data;
        uint16_t quantity;
        bool ok;
        const char* what;
    };
    const Case cases[] = {
        {{0x02, 0x00, 0x01}, 1, true, "one register"},
        {{0x04, 0x00, 0x01}, 2, false, "two registers counted, one received"},
        {{0x04, 0x00, 0x01, 0x00, 0x02}, 1, false, "more registers than asked for"},
        {{0x02, 0x00, 0x01}, 2, false, "fewer registers than asked for"},
        {{0x03, 0x00, 0x01, 0x00}, 1, true, "odd byte count rounds down"},
        {{}, 1, false, "no byte count"},
    };
    for (const Case& c : cases)
    {
        std::vector<int16_t> values;
        EXPECT_EQ(CModbusReplyDecoder::Registers(Reply(1, 4, c.data), c.quantity, values), c.ok) << c.what;
    }
}

TEST(ModbusExceptions, CodeOfAnExceptionReply)
{
    EXPECT_TRUE(CModbusReplyDecoder::IsException(Reply(1, 0x83, {0x02})));
    EXPECT_EQ(CModbusReplyDecoder::ExceptionCode(Reply(1, 0x83, {0x02})), 2);
    EXPECT_EQ(CModbusReplyDecoder::ExceptionCode(Reply(1, 0x83, {})), 0);
    EXPECT_FALSE(CModbusReplyDecoder::IsException(Reply(1, 0x03, {0x02})));
    EXPECT_EQ(CModbusReplyDecoder::ExceptionCode(Reply(1, 0x03, {0x02})), 0);
}

TEST(ModbusMatching, ReplyAnswersItsRequestOnly)
{
    const ModbusRequestKey read{0x1234, 7, 3};
    struct Case
    {
        ModbusReply reply;
        bool tcp;
        bool answers;
        const char* what;
    };
    const Case cases[] = {
        {Reply(7, 3, {}, 0x1234), true, true, "same id and function"},
        {Reply(7, 0x83, {2}, 0x1234), true, true, "its exception"},
        {Reply(7, 3, {}, 0x1233), true, false, "late reply to the request before"},
        {Reply(7, 4, {}, 0x1234), true, false, "other function"},
        {Reply(7, 3, {}, 0), false, true, "same unit and function"},
        {Reply(7, 0x83, {2}, 0), false, true, "its exception, serial"},
        {Reply(8, 3, {}, 0), false, false, "other unit"},
        {Reply(7, 0x10, {}, 0), false, false, "write echo"},
        {Reply(7, 0, {}, 0), false, false, "function 0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CModbusReplyDecoder::Answers(c.reply, read, c.tcp), c.answers) << c.what;
    EXPECT_FALSE(CModbusReplyDecoder::Answers(Reply(0, 0, {}), ModbusRequestKey{}, false))
        << "no request outstanding";
}

TEST(ModbusMatching, KeySurvivesTheSendQueueTag)
{
    for (const ModbusRequestKey key : {ModbusRequestKey{1, 0, 1}, ModbusRequestKey{0xFFFF, 0xFF, 0x10},
                                       ModbusRequestKey{0x8000, 0x01, 0x03}})
    {
        EXPECT_NE(key.ToTag(), 0);
        const ModbusRequestKey back = ModbusRequestKey::FromTag(key.ToTag());
        EXPECT_EQ(back.transactionId, key.transactionId);
        EXPECT_EQ(back.unit, key.unit);
        EXPECT_EQ(back.function, key.function);
    }
}
} // namespace

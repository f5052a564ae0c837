#include "devices/buses/modbus/ModbusReplyDecoder.h"

#include "common/BlobReader.h"

namespace
{
// The byte count at the head of a read reply, and a reader over the bytes it counts; false when
// the reply holds fewer bytes than it says.
bool CountedData(const ModbusReply& reply, uint8_t& byteCount, CBlobReader& values)
{
    const uint16_t length = reply.dataLength > ModbusReply::kMaxData ? 0 : reply.dataLength;
    CBlobReader in(reply.data, length);
    if (!in.U8(byteCount) || byteCount > in.Remaining())
        return false;
    values = CBlobReader(in.Here(), byteCount);
    return true;
}
} // namespace

bool CModbusReplyDecoder::Answers(const ModbusReply& reply, const ModbusRequestKey& request,
                                  bool withTransactionId)
{
    if (request.function == 0)
        return false;
    const uint8_t function = static_cast<uint8_t>(reply.function & ~ModbusExceptionFlag);
    if (function != request.function)
        return false;
    return withTransactionId ? reply.transactionId == request.transactionId : reply.unit == request.unit;
}

uint8_t CModbusReplyDecoder::ExceptionCode(const ModbusReply& reply)
{
    if (!IsException(reply) || reply.dataLength < 1)
        return 0;
    return reply.data[0];
}

bool CModbusReplyDecoder::Bits(const ModbusReply& reply, uint16_t quantity, std::vector<uint8_t>& values)
{
    values.clear();
    uint8_t byteCount = 0;
    CBlobReader data(nullptr, 0);
    if (!CountedData(reply, byteCount, data) || byteCount < (quantity + 7u) / 8u)
        return false;
    values.reserve(quantity);
    uint8_t byte = 0;
    for (uint32_t n = 0; n < quantity; ++n)
    {
        if (n % 8 == 0 && !data.U8(byte))
            return false;
        values.push_back(static_cast<uint8_t>((byte >> (n % 8)) & 1));
    }
    return true;
}

bool CModbusReplyDecoder::Registers(const ModbusReply& reply, uint16_t quantity, std::vector<int16_t>& values)
{
    values.clear();
    uint8_t byteCount = 0;
    CBlobReader data(nullptr, 0);
    if (!CountedData(reply, byteCount, data) || byteCount / 2 != quantity)
        return false;
    values.reserve(quantity);
    for (uint32_t j = 0; j < quantity; ++j)
    {
        uint16_t word = 0;
        if (!data.U16BE(word))
            return false;
        values.push_back(static_cast<int16_t>(word));
    }
    return true;
}

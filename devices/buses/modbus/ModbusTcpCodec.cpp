#include "devices/buses/modbus/ModbusTcpCodec.h"

#include "common/BlobReader.h"

#include <initializer_list>

std::vector<uint8_t> CModbusTcpCodec::Encode(uint16_t transactionId, uint8_t unit, const uint8_t* pdu,
                                             size_t size)
{
    if (!pdu)
        size = 0;
    const uint16_t length = static_cast<uint16_t>(size + 1);
    std::vector<uint8_t> frame;
    frame.reserve(kHeaderSize + 1 + size);
    for (uint16_t word : {transactionId, uint16_t(0), length})
    {
        frame.push_back(static_cast<uint8_t>(word >> 8));
        frame.push_back(static_cast<uint8_t>(word));
    }
    frame.push_back(unit);
    for (size_t i = 0; i < size; ++i)
        frame.push_back(pdu[i]);
    return frame;
}

FrameVerdict CModbusTcpCodec::Scan(const uint8_t* bytes, size_t size)
{
    CBlobReader header(bytes, size);
    uint16_t transactionId = 0, protocolId = 0, length = 0;
    header.U16BE(transactionId);
    header.U16BE(protocolId);
    header.U16BE(length);
    if (!header.Ok())
        return FrameVerdict::More();
    // A length of 0 or 1 has no function code, and one above the maximum has more data than a
    // reply holds: neither is a frame, whatever follows.
    if (length < kMinLength || length > kMaxLength)
        return FrameVerdict::None();
    if (header.Remaining() < length)
        return FrameVerdict::More();
    return FrameVerdict::Whole(kHeaderSize + length);
}

bool CModbusTcpCodec::Decode(const uint8_t* frame, size_t size, ModbusReply& reply)
{
    reply = ModbusReply();
    CBlobReader in(frame, size);
    uint16_t protocolId = 0, length = 0;
    in.U16BE(reply.transactionId);
    in.U16BE(protocolId);
    in.U16BE(length);
    if (!in.Ok() || length < kMinLength || length > kMaxLength || in.Remaining() != length)
    {
        reply = ModbusReply();
        return false;
    }
    in.U8(reply.unit);
    in.U8(reply.function);
    reply.dataLength = static_cast<uint16_t>(length - 2);
    in.Bytes(reply.data, reply.dataLength);
    return in.Ok();
}

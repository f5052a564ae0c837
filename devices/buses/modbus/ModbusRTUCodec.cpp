#include "devices/buses/modbus/ModbusRTUCodec.h"

#include "common/BlobReader.h"
#include "common/Checksums.h"

namespace
{
// The CRC sent after the bytes, low byte first, matches the bytes before it.
bool CrcMatches(const uint8_t* frame, size_t size)
{
    CBlobReader trailer(frame + size - 2, 2);
    uint16_t sent = 0;
    trailer.U16LE(sent);
    return trailer.Ok() && sent == Crc16Modbus(frame, size - 2);
}
} // namespace

std::vector<uint8_t> CModbusRTUCodec::Encode(uint8_t unit, const uint8_t* pdu, size_t size)
{
    if (!pdu)
        size = 0;
    std::vector<uint8_t> frame;
    frame.reserve(size + 3);
    frame.push_back(unit);
    frame.insert(frame.end(), pdu, pdu + size);
    const uint16_t crc = Crc16Modbus(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

int CModbusRTUCodec::ReplySize(const uint8_t* bytes, size_t size)
{
    CBlobReader in(bytes, size);
    uint8_t unit = 0, function = 0, byteCount = 0;
    in.U8(unit);
    in.U8(function);
    if (!in.Ok())
        return 0;
    if (function & ModbusExceptionFlag)
        return 5; // unit, function, exception code, CRC
    switch (function)
    {
    case ModbusReadCoils:
    case ModbusReadDiscreteInputs:
    case ModbusReadHoldingRegisters:
    case ModbusReadInputRegisters:
        if (!in.U8(byteCount))
            return 0;
        // unit, function, byte count, the bytes, CRC; the data must fit a ModbusReply
        if (1 + static_cast<size_t>(byteCount) > ModbusReply::kMaxData ||
            5 + static_cast<size_t>(byteCount) > kMaxFrame)
            return -1;
        return 5 + byteCount;
    case ModbusWriteSingleCoil:
    case ModbusWriteSingleRegister:
    case ModbusWriteMultipleCoils:
    case ModbusWriteMultipleRegisters:
        return 8; // unit, function, address, value or quantity, CRC
    default:
        return -1;
    }
}

FrameVerdict CModbusRTUCodec::Scan(const uint8_t* bytes, size_t size)
{
    const int expected = ReplySize(bytes, size);
    if (expected < 0)
        return FrameVerdict::None();
    if (expected == 0 || size < static_cast<size_t>(expected))
        return FrameVerdict::More();
    if (!CrcMatches(bytes, static_cast<size_t>(expected)))
        return FrameVerdict::None();
    return FrameVerdict::Whole(static_cast<size_t>(expected));
}

bool CModbusRTUCodec::Decode(const uint8_t* frame, size_t size, ModbusReply& reply)
{
    reply = ModbusReply();
    const FrameVerdict scan = Scan(frame, size);
    if (scan.kind != FrameVerdict::Frame || static_cast<size_t>(scan.length) != size)
        return false;
    CBlobReader in(frame, size - 2);
    in.U8(reply.unit);
    in.U8(reply.function);
    reply.dataLength = static_cast<uint16_t>(in.Remaining());
    in.Bytes(reply.data, reply.dataLength);
    return in.Ok();
}

#include "devices/buses/modbus/ModbusASCIICodec.h"

#include "common/BlobReader.h"
#include "common/Checksums.h"

namespace
{
constexpr uint8_t kColon = ':';
constexpr uint8_t kCR = '\r';
constexpr uint8_t kLF = '\n';

void PutHex(std::vector<uint8_t>& out, uint8_t value)
{
    static const char digits[] = "0123456789ABCDEF";
    out.push_back(static_cast<uint8_t>(digits[value >> 4]));
    out.push_back(static_cast<uint8_t>(digits[value & 15]));
}

// Turns count pairs of digits that Scan has checked into bytes.
void DecodePairs(const uint8_t* digits, size_t count, uint8_t* out)
{
    for (size_t i = 0; i < count; ++i)
        out[i] = static_cast<uint8_t>((CModbusASCIICodec::HexValue(digits[2 * i]) << 4) |
                                      CModbusASCIICodec::HexValue(digits[2 * i + 1]));
}
} // namespace

int CModbusASCIICodec::HexValue(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::vector<uint8_t> CModbusASCIICodec::Encode(uint8_t unit, const uint8_t* pdu, size_t size)
{
    if (!pdu)
        size = 0;
    std::vector<uint8_t> frame;
    frame.reserve(2 * size + 7);
    frame.push_back(kColon);
    PutHex(frame, unit);
    for (size_t i = 0; i < size; ++i)
        PutHex(frame, pdu[i]);
    PutHex(frame, static_cast<uint8_t>(Lrc8(pdu, size) - unit));
    frame.push_back(kCR);
    frame.push_back(kLF);
    return frame;
}

FrameVerdict CModbusASCIICodec::Scan(const uint8_t* bytes, size_t size)
{
    CBlobReader in(bytes, size);
    uint8_t c = 0;
    if (!in.U8(c))
        return FrameVerdict::More();
    if (c != kColon)
        return FrameVerdict::None();
    // Hexadecimal digits up to the CR; anything else (a colon of the next frame included) means
    // this one was cut short.
    size_t digits = 0;
    while (in.U8(c) && c != kCR)
    {
        if (HexValue(c) < 0 || ++digits > 2 * kMaxBytes)
            return FrameVerdict::None();
    }
    if (!in.Ok())
        return FrameVerdict::More();
    uint8_t lf = 0;
    if (!in.U8(lf))
        return FrameVerdict::More();
    if (lf != kLF || digits % 2 != 0 || digits < 2 * kMinBytes)
        return FrameVerdict::None();
    // The byte sum of unit, PDU and LRC is 0 in a frame that arrived intact.
    uint8_t decoded[kMaxBytes] = {};
    DecodePairs(bytes + 1, digits / 2, decoded);
    if (ByteSum8(decoded, digits / 2) != 0)
        return FrameVerdict::None();
    return FrameVerdict::Whole(in.Position());
}

bool CModbusASCIICodec::Decode(const uint8_t* frame, size_t size, ModbusReply& reply)
{
    reply = ModbusReply();
    const FrameVerdict scan = Scan(frame, size);
    if (scan.kind != FrameVerdict::Frame || static_cast<size_t>(scan.length) != size)
        return false;
    // Scan checked the digits, their count and the sum; the pairs go into a byte block first.
    const size_t count = (size - 3) / 2;
    uint8_t decoded[kMaxBytes] = {};
    DecodePairs(frame + 1, count, decoded);
    CBlobReader in(decoded, count - 1); // the LRC is not part of the reply
    in.U8(reply.unit);
    in.U8(reply.function);
    reply.dataLength = static_cast<uint16_t>(in.Remaining());
    in.Bytes(reply.data, reply.dataLength);
    return in.Ok();
}

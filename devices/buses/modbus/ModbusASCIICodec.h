#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "devices/buses/modbus/ModbusCodec.h"
#include "devices/buses/modbus/ModbusTypes.h"

// Modbus ASCII framing: a colon, unit and PDU as upper-case hexadecimal pairs, the LRC (the two's
// complement of the byte sum) as one more pair, then CR LF. A frame counts only once its CR LF has
// arrived and every character between the colon and the CR is a hexadecimal digit.
class CModbusASCIICodec : public CAbstractModbusCodec
{
public:
    // Unit, function code, LRC at least; unit, function code, the most data a reply holds, LRC at most.
    static constexpr size_t kMinBytes = 3;
    static constexpr size_t kMaxBytes = 3 + ModbusReply::kMaxData;
    static constexpr size_t kMaxFrame = 1 + 2 * kMaxBytes + 2;

    static std::vector<uint8_t> Encode(uint8_t unit, const uint8_t* pdu, size_t size);
    static FrameVerdict Scan(const uint8_t* bytes, size_t size);
    static bool Decode(const uint8_t* frame, size_t size, ModbusReply& reply);

    // The value of one hexadecimal digit (either case); -1 for any other character.
    static int HexValue(uint8_t c);

    // The framing as the driver and the frame scanner use it.
    FrameVerdict Check(const uint8_t* bytes, int32_t available) const override
    {
        return Scan(bytes, available > 0 ? static_cast<size_t>(available) : 0);
    }
    int32_t MaxFrameLength() const override { return static_cast<int32_t>(kMaxFrame); }
    std::vector<uint8_t> EncodeRequest(uint16_t transactionId, uint8_t unit, const uint8_t* pdu,
                                       size_t size) const override
    {
        (void)transactionId;
        return Encode(unit, pdu, size);
    }
    bool DecodeReply(const uint8_t* frame, size_t size, ModbusReply& reply) const override
    {
        return Decode(frame, size, reply);
    }
    bool CarriesTransactionId() const override { return false; }
};

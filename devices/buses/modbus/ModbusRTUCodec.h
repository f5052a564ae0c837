#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "devices/buses/modbus/ModbusCodec.h"
#include "devices/buses/modbus/ModbusTypes.h"

// Modbus RTU framing: unit, PDU, then the CRC-16 of both, low byte first. The frame has no length
// field, so the parser takes the length of a reply from its function code: the panel only sends
// reads (1 to 4) and writes (5, 6, 15, 16), whose replies it can measure, and the exceptions.
class CModbusRTUCodec : public CAbstractModbusCodec
{
public:
    static constexpr size_t kMinFrame = 4; // unit, function code, CRC
    static constexpr size_t kMaxFrame = 256;

    static std::vector<uint8_t> Encode(uint8_t unit, const uint8_t* pdu, size_t size);
    static FrameVerdict Scan(const uint8_t* bytes, size_t size);
    static bool Decode(const uint8_t* frame, size_t size, ModbusReply& reply);

    // The size of the reply frame that starts with these bytes: 0 when it cannot be known yet
    // (too few bytes), -1 when no reply to the panel starts like this.
    static int ReplySize(const uint8_t* bytes, size_t size);

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

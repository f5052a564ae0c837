#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "devices/buses/modbus/ModbusTypes.h"

// Modbus RTU framing: unit, PDU, then the CRC-16 of both, low byte first. The frame has no length
// field, so the parser takes the length of a reply from its function code: the panel only sends
// reads (1 to 4) and writes (5, 6, 15, 16), whose replies it can measure, and the exceptions.
class CModbusRTUCodec
{
public:
    static constexpr size_t kMinFrame = 4; // unit, function code, CRC
    static constexpr size_t kMaxFrame = 256;

    static std::vector<uint8_t> Encode(uint8_t unit, const uint8_t* pdu, size_t size);
    static ModbusScanResult Scan(const uint8_t* bytes, size_t size);
    static bool Decode(const uint8_t* frame, size_t size, ModbusReply& reply);

    // The size of the reply frame that starts with these bytes: 0 when it cannot be known yet
    // (too few bytes), -1 when no reply to the panel starts like this.
    static int ReplySize(const uint8_t* bytes, size_t size);
};

#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "devices/buses/modbus/ModbusTypes.h"

// Modbus ASCII framing: a colon, unit and PDU as upper-case hexadecimal pairs, the LRC (the two's
// complement of the byte sum) as one more pair, then CR LF. A frame counts only once its CR LF has
// arrived and every character between the colon and the CR is a hexadecimal digit.
class CModbusASCIICodec
{
public:
    // Unit, function code, LRC at least; unit, function code, the most data a reply holds, LRC at most.
    static constexpr size_t kMinBytes = 3;
    static constexpr size_t kMaxBytes = 3 + ModbusReply::kMaxData;
    static constexpr size_t kMaxFrame = 1 + 2 * kMaxBytes + 2;

    static std::vector<uint8_t> Encode(uint8_t unit, const uint8_t* pdu, size_t size);
    static ModbusScanResult Scan(const uint8_t* bytes, size_t size);
    static bool Decode(const uint8_t* frame, size_t size, ModbusReply& reply);

    // The value of one hexadecimal digit (either case); -1 for any other character.
    static int HexValue(uint8_t c);
};

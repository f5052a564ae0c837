#pragma once
#include <cstdint>
#include <vector>

#include "devices/buses/modbus/ModbusTypes.h"

// Checks a reply against the request it answers and takes its values out. Every count a peer
// sends is checked against the bytes that actually arrived.
class CModbusReplyDecoder
{
public:
    // True when the reply answers the request: the same function code or its exception, and the
    // same transaction id (framings with one) or the same unit (framings without).
    static bool Answers(const ModbusReply& reply, const ModbusRequestKey& request, bool withTransactionId);

    static bool IsException(const ModbusReply& reply) { return (reply.function & ModbusExceptionFlag) != 0; }
    // The exception code of an exception reply; 0 when it carries none.
    static uint8_t ExceptionCode(const ModbusReply& reply);

    // The values of the quantity bits that a read of coils or discrete inputs asked for, one byte
    // (0 or 1) per bit. False when the byte count is too short for the quantity or longer than the
    // data received. Pad bits of the last byte are not taken.
    static bool Bits(const ModbusReply& reply, uint16_t quantity, std::vector<uint8_t>& values);
    // The quantity registers a read of registers asked for, as signed 16-bit numbers. False when
    // the byte count gives another number of registers or is longer than the data received.
    static bool Registers(const ModbusReply& reply, uint16_t quantity, std::vector<int16_t>& values);
};

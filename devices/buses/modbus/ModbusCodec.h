#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/FrameScanner.h"
#include "devices/buses/modbus/ModbusTypes.h"

// One Modbus framing as the driver uses it: requests out, replies measured (for
// the frame scanner) and decoded. CModbusTcpCodec, CModbusRTUCodec and
// CModbusASCIICodec implement it.
class CAbstractModbusCodec : public CAbstractFrameCodec
{
public:
    virtual std::vector<uint8_t> EncodeRequest(uint16_t transactionId, uint8_t unit, const uint8_t* pdu,
                                               size_t size) const = 0;
    virtual bool DecodeReply(const uint8_t* frame, size_t size, ModbusReply& reply) const = 0;
    // Whether replies carry the transaction id of their request (TCP); else they
    // are matched by unit and function code.
    virtual bool CarriesTransactionId() const = 0;
};

#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "devices/buses/modbus/ModbusCodec.h"
#include "devices/buses/modbus/ModbusTypes.h"

// Modbus TCP framing: the MBAP header (transaction id, protocol id 0, length of what follows,
// unit), then the PDU, with no trailer.
class CModbusTcpCodec : public CAbstractModbusCodec
{
public:
    static constexpr size_t kHeaderSize = 6; // transaction id, protocol id, length
    // The length counts unit, function code and data; the data must fit a ModbusReply.
    static constexpr uint16_t kMinLength = 2;
    static constexpr uint16_t kMaxLength = 2 + ModbusReply::kMaxData;

    static std::vector<uint8_t> Encode(uint16_t transactionId, uint8_t unit, const uint8_t* pdu, size_t size);
    // Looks at the bytes at the front of a receive buffer.
    static FrameVerdict Scan(const uint8_t* bytes, size_t size);
    // Fills the reply from exactly one frame as Scan measured it; false when it is not one.
    static bool Decode(const uint8_t* frame, size_t size, ModbusReply& reply);

    // The framing as the driver and the frame scanner use it.
    FrameVerdict Check(const uint8_t* bytes, int32_t available) const override
    {
        return Scan(bytes, available > 0 ? static_cast<size_t>(available) : 0);
    }
    int32_t MaxFrameLength() const override { return static_cast<int32_t>(kHeaderSize + kMaxLength); }
    std::vector<uint8_t> EncodeRequest(uint16_t transactionId, uint8_t unit, const uint8_t* pdu,
                                       size_t size) const override
    {
        return Encode(transactionId, unit, pdu, size);
    }
    bool DecodeReply(const uint8_t* frame, size_t size, ModbusReply& reply) const override
    {
        return Decode(frame, size, reply);
    }
    bool CarriesTransactionId() const override { return true; }
};

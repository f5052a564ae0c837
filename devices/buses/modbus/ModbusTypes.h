#pragma once
#include <cstddef>
#include <cstdint>

// Plain records shared by the Modbus codec and the drivers built on it.

// The four tables of a Modbus unit, as the channel blobs number them.
enum ModbusTable : uint8_t
{
    ModbusCoils = 1,
    ModbusHoldingRegisters = 2,
    ModbusDiscreteInputs = 3,
    ModbusInputRegisters = 4,
};

// The function codes the panel sends, and the bit that marks an exception reply.
enum ModbusFunction : uint8_t
{
    ModbusReadCoils = 1,
    ModbusReadDiscreteInputs = 2,
    ModbusReadHoldingRegisters = 3,
    ModbusReadInputRegisters = 4,
    ModbusWriteSingleCoil = 5,
    ModbusWriteSingleRegister = 6,
    ModbusWriteMultipleCoils = 15,
    ModbusWriteMultipleRegisters = 16,
    ModbusExceptionFlag = 0x80,
};

// One reply taken from a stream. For function codes 1 to 4 the data starts with the reply's byte
// count; for an exception reply it is the exception code. The transaction id is 0 in framings
// that carry none (RTU, ASCII).
struct ModbusReply
{
    static constexpr size_t kMaxData = 256;

    uint16_t transactionId = 0;
    uint8_t unit = 0;
    uint8_t function = 0;
    uint16_t dataLength = 0;
    uint8_t data[kMaxData] = {};
};

// One read request that polls a run of addresses of one table of one unit.
struct ModbusPollBlock
{
    uint16_t pendingId = 0; // transaction id of the outstanding request; 0 when none
    uint8_t unit = 0;
    uint8_t table = 0;
    uint16_t start = 0;
    uint16_t quantity = 0;
};

// What a reply is matched against: the request at the head of the send queue.
struct ModbusRequestKey
{
    uint16_t transactionId = 0;
    uint8_t unit = 0;
    uint8_t function = 0;

    // The key packed into a send-queue tag; never 0, since transaction ids start at 1.
    int32_t ToTag() const
    {
        return static_cast<int32_t>((static_cast<uint32_t>(transactionId) << 16) | (unit << 8) | function);
    }
    static ModbusRequestKey FromTag(int32_t tag)
    {
        const uint32_t bits = static_cast<uint32_t>(tag);
        return {static_cast<uint16_t>(bits >> 16), static_cast<uint8_t>(bits >> 8),
                static_cast<uint8_t>(bits)};
    }
};

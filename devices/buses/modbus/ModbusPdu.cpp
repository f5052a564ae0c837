#include "devices/buses/modbus/ModbusPdu.h"

#include "devices/buses/modbus/ModbusTypes.h"

namespace
{
// Offsets inside a write PDU: function, start (2), quantity (2), byte count, values.
constexpr size_t kQuantityAt = 3;
constexpr size_t kByteCountAt = 5;
constexpr size_t kValuesAt = 6;
} // namespace

uint8_t CModbusPdu::ReadFunction(uint8_t table)
{
    switch (table)
    {
    case ModbusCoils:
        return ModbusReadCoils;
    case ModbusDiscreteInputs:
        return ModbusReadDiscreteInputs;
    case ModbusHoldingRegisters:
        return ModbusReadHoldingRegisters;
    case ModbusInputRegisters:
        return ModbusReadInputRegisters;
    default:
        return 0;
    }
}

uint16_t CModbusPdu::BitQuantity(uint16_t quantity)
{
    if (quantity == 0)
        return 1;
    return quantity > kMaxReadBits ? kMaxReadBits : quantity;
}

uint16_t CModbusPdu::RegisterQuantity(uint16_t quantity)
{
    if (quantity == 0)
        return 1;
    return quantity > kMaxReadRegisters ? kMaxReadRegisters : quantity;
}

bool CModbusPdu::Read(uint8_t table, uint16_t start, uint16_t quantity)
{
    const uint8_t function = ReadFunction(table);
    m_bytes.clear();
    m_count = 0;
    if (function == 0)
        return false;
    Start(function, start);
    const bool bits = table == ModbusCoils || table == ModbusDiscreteInputs;
    PutWord(bits ? BitQuantity(quantity) : RegisterQuantity(quantity));
    return true;
}

void CModbusPdu::WriteCoils(uint16_t start)
{
    Start(ModbusWriteMultipleCoils, start);
    PutWord(0);
    m_bytes.push_back(0);
}

void CModbusPdu::WriteRegisters(uint16_t start)
{
    Start(ModbusWriteMultipleRegisters, start);
    PutWord(0);
    m_bytes.push_back(0);
}

bool CModbusPdu::AddCoil(bool on)
{
    if (Function() != ModbusWriteMultipleCoils || m_count >= kMaxWriteCoils)
        return false;
    if (m_count % 8 == 0)
        m_bytes.push_back(0);
    if (on)
        m_bytes[kValuesAt + m_count / 8] |= static_cast<uint8_t>(1u << (m_count % 8));
    ++m_count;
    SetWord(kQuantityAt, m_count);
    m_bytes[kByteCountAt] = static_cast<uint8_t>((m_count + 7) / 8);
    return true;
}

bool CModbusPdu::AddRegister(uint16_t value)
{
    if (Function() != ModbusWriteMultipleRegisters || m_count >= kMaxWriteRegisters)
        return false;
    PutWord(value);
    ++m_count;
    SetWord(kQuantityAt, m_count);
    m_bytes[kByteCountAt] = static_cast<uint8_t>(m_count * 2);
    return true;
}

void CModbusPdu::Start(uint8_t function, uint16_t start)
{
    m_bytes.clear();
    m_count = 0;
    m_bytes.push_back(function);
    PutWord(start);
}

void CModbusPdu::PutWord(uint16_t value)
{
    m_bytes.push_back(static_cast<uint8_t>(value >> 8));
    m_bytes.push_back(static_cast<uint8_t>(value));
}

void CModbusPdu::SetWord(size_t at, uint16_t value)
{
    m_bytes[at] = static_cast<uint8_t>(value >> 8);
    m_bytes[at + 1] = static_cast<uint8_t>(value);
}

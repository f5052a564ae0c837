#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Builds the protocol data unit of one request (function code and fields, high byte first), the
// part that is the same in the TCP, RTU and ASCII framings.
class CModbusPdu
{
public:
    // Limits of the protocol: a read asks for at most 2000 bits or 125 registers; a write carries
    // at most 1968 coils or 123 registers, so that its frame stays within 256 bytes.
    static constexpr uint16_t kMaxReadBits = 2000;
    static constexpr uint16_t kMaxReadRegisters = 125;
    static constexpr uint16_t kMaxWriteCoils = 1968;
    static constexpr uint16_t kMaxWriteRegisters = 123;

    // The read function code of a table (1 to 4); 0 for any other table.
    static uint8_t ReadFunction(uint8_t table);
    // A quantity of 0 asks for 1; larger ones are capped at the protocol's limit.
    static uint16_t BitQuantity(uint16_t quantity);
    static uint16_t RegisterQuantity(uint16_t quantity);

    // Starts a read of the table's run of addresses; false (and nothing built) for an unknown table.
    bool Read(uint8_t table, uint16_t start, uint16_t quantity);
    // Starts a write of coils (function 15) or registers (function 16) with no values yet.
    void WriteCoils(uint16_t start);
    void WriteRegisters(uint16_t start);
    // Append one value to the write begun last, rewriting its quantity and byte count; false when
    // no write of that kind is being built or it is full.
    bool AddCoil(bool on);
    bool AddRegister(uint16_t value);

    uint8_t Function() const { return m_bytes.empty() ? 0 : m_bytes[0]; }
    const uint8_t* Data() const { return m_bytes.data(); }
    size_t Size() const { return m_bytes.size(); }

private:
    void Start(uint8_t function, uint16_t start);
    void PutWord(uint16_t value);
    void SetWord(size_t at, uint16_t value);

    std::vector<uint8_t> m_bytes;
    uint16_t m_count = 0;
};

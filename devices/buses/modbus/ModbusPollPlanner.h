#pragma once
#include <cstdint>
#include <vector>

#include "devices/buses/modbus/ModbusTypes.h"

// Lays the polled addresses of a device's channels out in read requests, once, at load. Per unit
// (ascending) and table (coils, discrete inputs, holding registers, input registers), runs of
// addresses with short gaps between them become one span, and a span is cut from its first
// address into blocks of the largest size a request asks for.
class CModbusPollPlanner
{
public:
    static constexpr uint32_t kMaxBitBlock = 512;
    static constexpr uint32_t kBitGap = 8;
    static constexpr uint32_t kMaxRegisterBlock = 64;
    static constexpr uint32_t kRegisterGap = 4;

    // Marks one address to poll; a table outside 1 to 4 is ignored.
    void Add(uint8_t unit, uint8_t table, uint16_t address);
    std::vector<ModbusPollBlock> Build() const;

private:
    static void AddSpan(std::vector<ModbusPollBlock>& blocks, uint8_t unit, uint8_t table, uint32_t first,
                        uint32_t last);

    // unit << 24 | order of the table << 16 | address, so that sorting gives the build order.
    std::vector<uint32_t> m_keys;
};

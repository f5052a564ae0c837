#include "devices/buses/modbus/ModbusPollPlanner.h"

#include <algorithm>

namespace
{
// Tables in the order their blocks are built.
constexpr uint8_t kTableOrder[] = {ModbusCoils, ModbusDiscreteInputs, ModbusHoldingRegisters,
                                   ModbusInputRegisters};

int OrderOf(uint8_t table)
{
    for (int i = 0; i < 4; ++i)
        if (kTableOrder[i] == table)
            return i;
    return -1;
}

bool IsBitTable(uint8_t table)
{
    return table == ModbusCoils || table == ModbusDiscreteInputs;
}
} // namespace

void CModbusPollPlanner::Add(uint8_t unit, uint8_t table, uint16_t address)
{
    const int order = OrderOf(table);
    if (order < 0)
        return;
    m_keys.push_back(static_cast<uint32_t>(unit) << 24 | static_cast<uint32_t>(order) << 16 | address);
}

std::vector<ModbusPollBlock> CModbusPollPlanner::Build() const
{
    std::vector<uint32_t> keys = m_keys;
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());

    std::vector<ModbusPollBlock> blocks;
    size_t i = 0;
    while (i < keys.size())
    {
        const uint32_t group = keys[i] >> 16; // unit and table
        const uint8_t unit = static_cast<uint8_t>(group >> 8);
        const uint8_t table = kTableOrder[group & 0xFF];
        const uint32_t gap = IsBitTable(table) ? kBitGap : kRegisterGap;
        uint32_t first = keys[i] & 0xFFFF;
        uint32_t last = first;
        for (++i; i < keys.size() && keys[i] >> 16 == group; ++i)
        {
            const uint32_t address = keys[i] & 0xFFFF;
            if (address - last - 1 > gap)
            {
                AddSpan(blocks, unit, table, first, last);
                first = address;
            }
            last = address;
        }
        AddSpan(blocks, unit, table, first, last);
    }
    return blocks;
}

void CModbusPollPlanner::AddSpan(std::vector<ModbusPollBlock>& blocks, uint8_t unit, uint8_t table,
                                 uint32_t first, uint32_t last)
{
    const uint32_t maxSize = IsBitTable(table) ? kMaxBitBlock : kMaxRegisterBlock;
    for (uint32_t start = first; start <= last; start += maxSize)
    {
        ModbusPollBlock block;
        block.unit = unit;
        block.table = table;
        block.start = static_cast<uint16_t>(start);
        block.quantity = static_cast<uint16_t>(std::min(maxSize, last - start + 1));
        blocks.push_back(block);
    }
}

// Poll blocks laid out from channel addresses, and the transaction counter.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "devices/buses/modbus/ModbusPollPlanner.h"
#include "devices/buses/modbus/ModbusTransactionCounter.h"

namespace
{
struct Block
{
    uint8_t unit;
    uint8_t table;
    uint16_t start;
    uint16_t quantity;
    bool operator==(const Block&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Block& b)
{
    return os << "{unit " << int(b.unit) << " table " << int(b.table) << " start " << b.start << " quantity "
              << b.quantity << "}";
}

std::vector<Block> Plan(const CModbusPollPlanner& planner)
{
    std::vector<Block> out;
    for (const ModbusPollBlock& b : planner.Build())
    {
        EXPECT_EQ(b.pendingId, 0);
        out.push_back({b.unit, b.table, b.start, b.quantity});
    }
    return out;
}

std::vector<Block> Plan(uint8_t table, std::initializer_list<uint16_t> addresses)
{
    CModbusPollPlanner planner;
    for (uint16_t a : addresses)
        planner.Add(1, table, a);
    return Plan(planner);
}

TEST(ModbusPollPlanning, GapsAreBridgedUpToTheirLimit)
{
    EXPECT_EQ(Plan(ModbusCoils, {0, 1, 2, 10}), (std::vector<Block>{{1, 1, 0, 11}}));
    EXPECT_EQ(Plan(ModbusCoils, {0, 10}), (std::vector<Block>{{1, 1, 0, 1}, {1, 1, 10, 1}}));
    EXPECT_EQ(Plan(ModbusCoils, {0, 9}), (std::vector<Block>{{1, 1, 0, 10}}));
    EXPECT_EQ(Plan(ModbusHoldingRegisters, {0, 5}), (std::vector<Block>{{1, 2, 0, 6}}));
    EXPECT_EQ(Plan(ModbusHoldingRegisters, {0, 6}), (std::vector<Block>{{1, 2, 0, 1}, {1, 2, 6, 1}}));
    EXPECT_EQ(Plan(ModbusInputRegisters, {3, 3, 3}), (std::vector<Block>{{1, 4, 3, 1}})) << "duplicates";
}

TEST(ModbusPollPlanning, LongSpansAreCutFromTheirFirstAddress)
{
    CModbusPollPlanner inputs;
    for (uint16_t a = 100; a < 700; ++a)
        inputs.Add(1, ModbusDiscreteInputs, a);
    EXPECT_EQ(Plan(inputs), (std::vector<Block>{{1, 3, 100, 512}, {1, 3, 612, 88}}));

    CModbusPollPlanner registers;
    for (uint16_t a = 0; a < 130; a += 2)
        registers.Add(1, ModbusHoldingRegisters, a);
    EXPECT_EQ(Plan(registers), (std::vector<Block>{{1, 2, 0, 64}, {1, 2, 64, 64}, {1, 2, 128, 1}}));
}

TEST(ModbusPollPlanning, UnitsAscendingThenTablesInOrder)
{
    CModbusPollPlanner planner;
    planner.Add(9, ModbusInputRegisters, 1);
    planner.Add(2, ModbusHoldingRegisters, 4);
    planner.Add(2, ModbusDiscreteInputs, 8);
    planner.Add(2, ModbusCoils, 65535);
    planner.Add(0, ModbusInputRegisters, 0);
    planner.Add(2, 5, 1); // no such table
    planner.Add(2, 0, 1);
    EXPECT_EQ(Plan(planner), (std::vector<Block>{
                                 {0, 4, 0, 1},
                                 {2, 1, 65535, 1},
                                 {2, 3, 8, 1},
                                 {2, 2, 4, 1},
                                 {9, 4, 1, 1},
                             }));
}

TEST(ModbusPollPlanning, TopOfTheAddressSpace)
{
    CModbusPollPlanner planner;
    for (uint32_t a = 65000; a <= 65535; ++a)
        planner.Add(1, ModbusCoils, static_cast<uint16_t>(a));
    EXPECT_EQ(Plan(planner), (std::vector<Block>{{1, 1, 65000, 512}, {1, 1, 65512, 24}}));
    EXPECT_TRUE(CModbusPollPlanner().Build().empty());
}

TEST(ModbusTransactionIds, StartAtOneWrapPast65535AndReset)
{
    CModbusTransactionCounter ids;
    EXPECT_EQ(ids.Next(), 1);
    EXPECT_EQ(ids.Next(), 2);
    while (ids.Last() != 0xFFFE)
        ids.Next();
    EXPECT_EQ(ids.Next(), 0xFFFF);
    EXPECT_EQ(ids.Next(), 1) << "0 is never handed out";
    ids.Reset();
    EXPECT_EQ(ids.Next(), 1);
}
} // namespace

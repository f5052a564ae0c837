#pragma once
#include <atomic>
#include <cstdint>

#include "devices/AbstractChannel.h"

// One Modbus channel: a coil, discrete input, holding register or input
// register of one unit.
//
// Its blob is either the full form of 8 bytes (unit, action, table, address low
// byte first, one byte not read, initial value low byte first) or the short
// form of 1 to 7 bytes without unit and action (table, address, one byte not
// read, initial value), which sends nothing. Of a short blob that ends early
// only the fields that are wholly there are taken. A longer blob is not read.
class CModbusChannel : public CAbstractChannel
{
public:
    static constexpr uint32_t kFullBlob = 8;

    using CAbstractChannel::CAbstractChannel;

    void Load(const uint8_t* blob, uint32_t length) override;

    uint8_t GetUnit() const { return m_unit; }
    uint8_t GetTable() const { return m_table; }
    uint16_t GetRegister() const { return m_address; }

    // A received value in this channel's form: the low 16 bits zero-extended for
    // a uint16 channel, the value as it stands (sign-extended) for every other
    // type.
    int32_t FromWire(int32_t value) const;

    // The last value taken from a reply, or until then the initial value of the
    // blob. Written by the transport thread, read by the tick thread.
    std::atomic<int32_t> m_value{0};

private:
    uint8_t m_unit = 0;
    uint8_t m_table = 0;
    uint16_t m_address = 0;
};

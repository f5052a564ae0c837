#include "ModbusTestDevice.h"

namespace modbus_test
{
std::vector<uint8_t> Blob(uint8_t unit, uint8_t action, uint8_t table, uint16_t address, uint16_t initial)
{
    return {unit,
            action,
            table,
            static_cast<uint8_t>(address),
            static_cast<uint8_t>(address >> 8),
            0,
            static_cast<uint8_t>(initial),
            static_cast<uint8_t>(initial >> 8)};
}

DeviceParams TcpParams(uint16_t port, uint32_t pollPeriod)
{
    DeviceParams params;
    params.host = "127.0.0.1";
    params.port = port;
    params.value = pollPeriod;
    return params;
}

DeviceParams SerialParams(uint16_t comNumber, uint32_t baud, uint32_t pollPeriod)
{
    DeviceParams params;
    params.port = comNumber;
    params.baud = baud;
    params.dataBits = 8;
    params.parity = 'n';
    params.readInterval = 1;
    params.value = pollPeriod;
    return params;
}
} // namespace modbus_test

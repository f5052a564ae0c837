// Feeds arbitrary bytes, in pieces, to the Modbus TCP stream parser through the frame scanner.
#include "devices/buses/modbus/ModbusTcpCodec.h"
#include "fuzz/support/ModbusStreamFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const CModbusTcpCodec codec;
    return FuzzModbusStream(codec, data, size);
}

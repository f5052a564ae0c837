// Feeds arbitrary bytes, in pieces, to the Modbus ASCII stream parser through the frame scanner.
#include "devices/buses/modbus/ModbusASCIICodec.h"
#include "fuzz/support/ModbusStreamFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const CModbusASCIICodec codec;
    return FuzzModbusStream(codec, data, size);
}

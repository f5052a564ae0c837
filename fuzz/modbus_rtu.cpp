// Feeds arbitrary bytes, in pieces, to the Modbus RTU stream parser through the frame scanner.
#include "devices/buses/modbus/ModbusRTUCodec.h"
#include "fuzz/support/ModbusStreamFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const CModbusRTUCodec codec;
    return FuzzModbusStream(codec, data, size);
}

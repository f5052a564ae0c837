// Feeds arbitrary bytes to the Modbus ASCII stream parser as a receive stream: every frame it
// measures must decode, and the values of every decoded reply are taken out with counts from the
// reply itself.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "devices/buses/modbus/ModbusASCIICodec.h"
#include "devices/buses/modbus/ModbusReplyDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    size_t at = 0;
    while (at < size)
    {
        const ModbusScanResult r = CModbusASCIICodec::Scan(data + at, size - at);
        if (r.kind == ModbusScanResult::NeedMore)
            break;
        if (r.kind == ModbusScanResult::NotAFrame)
        {
            ++at;
            continue;
        }
        if (r.size == 0 || r.size > size - at)
            abort();
        ModbusReply reply;
        if (!CModbusASCIICodec::Decode(data + at, r.size, reply) || reply.dataLength > ModbusReply::kMaxData)
            abort();
        const uint16_t quantity = reply.dataLength ? reply.data[0] : 0;
        std::vector<uint8_t> bits;
        std::vector<int16_t> registers;
        CModbusReplyDecoder::Bits(reply, static_cast<uint16_t>(quantity * 8), bits);
        CModbusReplyDecoder::Bits(reply, 2000, bits);
        CModbusReplyDecoder::Registers(reply, static_cast<uint16_t>(quantity / 2), registers);
        CModbusReplyDecoder::ExceptionCode(reply);
        at += r.size;
    }
    return 0;
}

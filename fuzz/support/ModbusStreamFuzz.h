#pragma once
// The body shared by the three Modbus stream targets: arbitrary bytes, in pieces, go through one
// framing's codec and the frame scanner, as a driver's receive path does; every frame handed out
// must decode, and the values of every reply are taken out with counts from the reply itself.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/buses/modbus/ModbusReplyDecoder.h"

template <typename Codec> int FuzzModbusStream(const Codec& codec, const uint8_t* data, size_t size)
{
    CFrameScanner scanner(codec);
    CInStream stream(CInStream::Refuse, 4096);
    // The first byte sets the size of the pieces the bytes arrive in.
    const size_t piece = size ? 1 + data[0] % 64 : 1;
    for (size_t at = size ? 1 : 0; at < size; at += piece)
    {
        const size_t n = at + piece <= size ? piece : size - at;
        if (!stream.Append(data + at, static_cast<int32_t>(n)))
            abort(); // the scanner keeps at most one frame's bytes: the stream never fills
        const uint8_t* frame = nullptr;
        int32_t length = 0;
        while (scanner.Next(stream, frame, length))
        {
            ModbusReply reply;
            if (!codec.DecodeReply(frame, static_cast<size_t>(length), reply) ||
                reply.dataLength > ModbusReply::kMaxData)
                abort();
            const uint16_t count = reply.dataLength ? reply.data[0] : 0;
            std::vector<uint8_t> bits;
            std::vector<int16_t> registers;
            CModbusReplyDecoder::Bits(reply, static_cast<uint16_t>(count * 8), bits);
            CModbusReplyDecoder::Bits(reply, 2000, bits);
            CModbusReplyDecoder::Registers(reply, static_cast<uint16_t>(count / 2), registers);
            CModbusReplyDecoder::ExceptionCode(reply);
        }
    }
    return 0;
}

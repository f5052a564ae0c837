// Fuzzes the tunnelling link's receive path: frames found in arbitrary bytes, their bodies read
// by the service readers, and the cEMI frames of tunnelling requests decoded for every value type.
#include <cstddef>
#include <cstdint>

#include "devices/buses/knx/CemiFrame.h"
#include "devices/buses/knx/EIBInStream.h"
#include "devices/buses/knx/KnxNetIpFrame.h"
#include "devices/buses/knx/KnxValueCodec.h"

namespace
{
void ReadBody(uint16_t service, const uint8_t* body, size_t size)
{
    using namespace KnxNetIp;
    uint8_t channel = 0, status = 0;
    switch (service)
    {
    case ConnectResponse:
    {
        ConnectResult result;
        ParseConnectResponse(body, size, result);
        break;
    }
    case ConnectionStateResponse:
    case DisconnectResponse:
        ParseChannelStatus(body, size, channel, status);
        break;
    case TunnellingAck:
    case TunnellingRequest:
    {
        ConnectionHeader header;
        if (!ParseConnectionHeader(body, size, header) || service != TunnellingRequest)
            break;
        uint8_t code = 0;
        CemiFrame frame;
        if (!ParseCemiFrame(body + header.cemiOffset, size - header.cemiOffset, code, frame))
            break;
        for (uint8_t type : {1, 2, 3, 4, 5, 6, 7, 8, 12, 14, 18})
            for (uint8_t subtype : {0, 3, 4})
            {
                KnxDecodedValue value;
                KnxDecodeChannelValue(type, subtype, frame.data.data(), frame.data.size(), value);
            }
        break;
    }
    default:
        break;
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The first byte splits the input into two receives, so that frames across receives are met.
    size_t split = size ? data[0] % (size + 1) : 0;
    CEIBInStream stream;
    for (auto [from, to] : {std::pair<size_t, size_t>{0, split}, std::pair<size_t, size_t>{split, size}})
    {
        stream.Append(data + from, static_cast<int32_t>(to - from));
        KnxNetIp::FrameSpan span;
        const uint8_t* body = nullptr;
        size_t length = 0;
        while (stream.ReadFrame(span, body, length))
            ReadBody(span.service, body, length);
    }
    return 0;
}

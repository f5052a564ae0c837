// Feeds arbitrary bytes, in chunks whose sizes the input chooses, through the SmartBus receive
// side: the frame scanner with its codec, the frame reader and the reply decoder (audio texts
// included). Every frame found must be whole and valid, every text bounded.
#include <cstdint>
#include <cstdlib>

#include "common/FrameScanner.h"
#include "common/InStream.h"
#include "devices/buses/smartbus/SmartBusCodec.h"
#include "devices/buses/smartbus/SmartBusReply.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CSmartBusFrameCodec codec;
    CFrameScanner scanner(codec);
    CInStream in(CInStream::Grow, 1024);
    size_t at = 0;
    while (at < size)
    {
        size_t chunk = 1 + data[at] % 96;
        ++at;
        if (chunk > size - at)
            chunk = size - at;
        in.Append(data + at, static_cast<int32_t>(chunk));
        at += chunk;
        const uint8_t* bytes = nullptr;
        int32_t length = 0;
        while (scanner.Next(in, bytes, length))
        {
            SmartBusFrame frame;
            if (!SmartBusReadFrame(bytes, length, frame))
                abort();
            if (frame.contentLength < 0 || frame.contentLength > SmartBusFrame::kMaxContent)
                abort();
            SmartBusReply reply;
            smartbus::DecodeReply(frame, reply);
            for (const SmartBusUpdate& update : reply.updates)
            {
                if (update.text.size() > smartbus::kMaxText)
                    abort();
            }
        }
    }
    // The content decoder alone, on the whole input as one frame's content.
    SmartBusFrame frame;
    frame.contentLength =
        static_cast<int32_t>(size < SmartBusFrame::kMaxContent ? size : SmartBusFrame::kMaxContent);
    for (int32_t i = 0; i < frame.contentLength; ++i)
        frame.content[i] = data[i];
    frame.targetSubnet = 0xFD;
    frame.targetDevice = 0xFE;
    static const uint16_t kCodes[] = {50,   52,   537,  6446,   6447,   6469,
                                      6470, 6471, 6473, 0xEFFF, 0xE3D9, 0xF12F};
    SmartBusReply reply;
    for (uint16_t code : kCodes)
    {
        frame.opCode = code;
        smartbus::DecodeReply(frame, reply);
    }
    return 0;
}

// Feeds arbitrary bytes, in chunks whose sizes the input chooses, to the Lutron message reader:
// every message must be a known kind, and the reader must never hold more than a line's worth of
// text beyond the chunk just given.
#include <cstdint>
#include <cstdlib>

#include "devices/controllers/lutron/LutronCodec.h"
#include "devices/controllers/lutron/LutronMessageReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CLutronMessageReader reader;
    size_t at = 0;
    while (at < size)
    {
        size_t chunk = 1 + data[at] % 64;
        ++at;
        if (chunk > size - at)
            chunk = size - at;
        reader.Append(data + at, static_cast<int32_t>(chunk));
        at += chunk;
        LutronMessage message;
        while (reader.Next(message))
        {
            switch (message.kind)
            {
            case LutronMessage::LoginPrompt:
            case LutronMessage::ConnectionEstablished:
            case LutronMessage::ClosingConnection:
            case LutronMessage::DeviceReport:
            case LutronMessage::Details:
            case LutronMessage::Monitoring:
            case LutronMessage::Error:
                break;
            default:
                abort();
            }
            if (message.parameter < -1)
                abort();
        }
        if (reader.Pending() < 0 || reader.Pending() > CLutronCodec::kMaxLine + 64)
            abort();
    }
    return 0;
}

// Feeds arbitrary bytes, in chunks the input chooses, to the C-Bus gateway server's line reader and
// parses every line as the driver does: events, network lines, and the zone commands built from
// the parsed values. Nothing may read outside the stream or the line.
#include <cstddef>
#include <cstdint>

#include "common/InStream.h"
#include "devices/buses/cbus/ClipsalGateLineReader.h"
#include "devices/buses/cbus/ClipsalGateText.h"
#include "devices/buses/cbus/ClipsalHvacZone.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CInStream stream(CInStream::Refuse, 2 * CClipsalGateLineReader::kMaxLine + 64);
    CClipsalGateLineReader reader;
    ClipsalGateLine line;
    size_t at = 0;
    while (at < size)
    {
        size_t chunk = 1 + data[at] % 128;
        ++at;
        if (chunk > size - at)
            chunk = size - at;
        if (stream.Pending() + static_cast<int64_t>(chunk) > stream.Capacity())
        {
            stream.Reset();
            reader.Reset();
        }
        stream.Append(data + at, static_cast<int32_t>(chunk));
        at += chunk;
        while (reader.Next(stream, line))
        {
            if (line.kind == ClipsalGateLine::Event)
            {
                ClipsalGateEvent event;
                if (event.Parse(line.text) && event.valueCount > ClipsalGateEvent::kMaxValues)
                    __builtin_trap();
                ClipsalHvacZone zone;
                zone.bytes[0] = static_cast<uint8_t>(event.Value(0));
                zone.bytes[2] = static_cast<uint8_t>(event.Value(1));
                ClipsalGateText::Aircon(
                    event.project, event.network, zone, static_cast<uint8_t>(event.Value(2)),
                    static_cast<uint8_t>(event.Value(3)), static_cast<uint8_t>(event.Value(4)));
            }
            else
            {
                uint8_t network = 0, state = 0;
                ClipsalGateText::ParseNetworkLine(line.text, network, state);
            }
        }
    }
    return 0;
}

// Feeds arbitrary bytes, in chunks the input chooses, to the C-Bus serial interface's item reader
// and decodes every packet it hands out: nothing may read outside the packet or the stream.
#include <cstddef>
#include <cstdint>

#include "common/InStream.h"
#include "devices/buses/cbus/ClipsalHvacZone.h"
#include "devices/buses/cbus/ClipsalItemReader.h"
#include "devices/buses/cbus/ClipsalSalDecoder.h"

namespace
{
class CSink : public CClipsalSalHandler
{
public:
    void OnLevel(const Source& s, uint8_t, uint8_t, uint8_t, uint8_t) override
    {
        if (s.pathLength > 7)
            __builtin_trap();
    }
    void OnStoreLevel(uint8_t, uint8_t, uint8_t) override {}
    void OnLevelUnavailable(const Source&, uint8_t, uint8_t) override {}
    void OnHvac(const Source&, const uint8_t* command, size_t length) override
    {
        if (ClipsalHvacZone::CommandLength(command, length) != length)
            __builtin_trap();
        m_zone.Apply(command);
        double value = 0;
        for (uint8_t i = 0; i < 30; ++i)
            m_zone.FieldValue(i, command[1], value);
    }
    void OnMeasurement(const Source&, uint8_t, uint8_t, bool, uint8_t, double) override {}

private:
    ClipsalHvacZone m_zone;
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CInStream stream(CInStream::Refuse, 2048);
    CClipsalItemReader reader;
    CSink sink;
    CClipsalSalDecoder decoder(sink);
    size_t at = 0;
    ClipsalItem item;
    while (at < size)
    {
        size_t chunk = 1 + data[at] % 64;
        ++at;
        if (chunk > size - at)
            chunk = size - at;
        if (stream.Pending() + static_cast<int64_t>(chunk) > stream.Capacity())
            stream.Reset();
        stream.Append(data + at, static_cast<int32_t>(chunk));
        at += chunk;
        while (reader.Next(stream, item))
        {
            if (item.bytes.size() > CClipsalItemReader::kMaxPacket)
                __builtin_trap();
            if (item.kind == ClipsalItem::Monitored)
                decoder.DecodeMonitored(item.bytes.data(), item.bytes.size());
            else if (item.kind == ClipsalItem::StatusReply)
                decoder.DecodeStatusReply(item.bytes.data(), item.bytes.size());
        }
    }
    return 0;
}

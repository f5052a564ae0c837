// Runs arbitrary panel commands through the AMX command interpreter against a stand-in device:
// at most one event per command, payloads only of the kinds that carry them, every text within
// its bounds, local channels never past their cap, and nothing leaked. The colour, hex-text and
// dynamic-image readers get the same text on their own.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "common/DynamicSpriteData.h"
#include "devices/DeviceEvent.h"
#include "devices/controllers/amx/AMXColor.h"
#include "devices/controllers/amx/AMXCommandHost.h"
#include "devices/controllers/amx/AMXCommandInterpreter.h"
#include "devices/controllers/amx/AMXHexText.h"
#include "devices/controllers/amx/AMXResourceOptions.h"

namespace
{
class FuzzHost final : public CAMXCommandHost
{
public:
    static constexpr int32_t kLocalCap = 8;

    ~FuzzHost()
    {
        for (CDeviceEvent& event : events)
            event.FreePayloads();
    }
    // Text addresses 0 to 99 exist on ports 1 and 2, so that most commands reach their event.
    int32_t FindChannelId(uint32_t address, uint8_t channelClass, uint8_t kind, uint16_t port) override
    {
        if (channelClass == 0 && kind == 1 && address < 100 && (port == 1 || port == 2))
            return static_cast<int32_t>(address) + 100 * port;
        for (const Local& local : m_locals)
            if (channelClass == 1 && kind == 2 && local.number == address && local.port == port)
                return local.id;
        return -1;
    }
    int32_t FindOrCreateLocalChannel(uint32_t channelNumber, uint16_t port) override
    {
        int32_t id = FindChannelId(channelNumber, 1, 2, port);
        if (id >= 0)
            return id;
        if (static_cast<int32_t>(m_locals.size()) >= kLocalCap)
            return -1;
        id = static_cast<int32_t>(300 + m_locals.size()) | 0x8000;
        m_locals.push_back({channelNumber, port, id});
        return id;
    }
    uint16_t GetDeviceId() const override { return 7; }
    void PostCommandEvent(const CDeviceEvent& event) override { events.push_back(event); }

    std::vector<CDeviceEvent> events;

private:
    struct Local
    {
        uint32_t number;
        uint16_t port;
        int32_t id;
    };
    std::vector<Local> m_locals;
};

void CheckEvent(const CDeviceEvent& event)
{
    if (event.kind == EventNone || event.kind > EventListBoxAddRowFlip)
        abort();
    if (event.owned && !DeviceEventKindNeedsPayload(event.kind))
        abort();
    // Reading every text to its end finds an unterminated one.
    if (const char* text = event.ValueNarrow())
        (void)std::strlen(text);
    if (const char* text = event.ArgumentNarrow())
        (void)std::strlen(text);
    if (const char* text = event.SecondNarrow())
        (void)std::strlen(text);
    if (const char16_t* text = event.ArgumentWide())
        while (*text)
            ++text;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the port; the rest is the command, made NUL-terminated and writable.
    uint16_t port = data[0] % 4;
    std::vector<char> text(data + 1, data + size);
    text.push_back(0);
    {
        FuzzHost host;
        CAMXCommandInterpreter interpreter(host);
        std::vector<char> copy = text;
        interpreter.Execute(port, copy.data());
        if (host.events.size() > 1)
            abort();
        for (const CDeviceEvent& event : host.events)
            CheckEvent(event);
        // Commands after each other share the local channels.
        copy = text;
        interpreter.Execute(port, copy.data());
        if (host.events.size() > 2)
            abort();
    }
    const char* cursor = text.data();
    (void)ParseColor(&cursor);
    if (*cursor)
        abort();
    std::unique_ptr<CDynamicSpriteData> options = ParseResourceOptions(text.data());
    char utf8[64 + 8];
    std::memset(utf8, 0x55, sizeof utf8);
    size_t n = HexToUtf8(text.data(), utf8, 64);
    if (n >= 64 || utf8[n] != 0 || std::strlen(utf8) != n)
        abort();
    for (size_t i = 64; i < sizeof utf8; ++i)
        if (utf8[i] != 0x55)
            abort();
    return 0;
}

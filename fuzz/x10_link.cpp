// Feeds arbitrary bytes, in chunks whose sizes the input chooses, to the X10 link machine
// (handshakes, polls, uploads, requests), starting exchanges and timing out now and then as the
// driver does. Nothing may be buffered beyond the stream, and the state must stay a known one.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "devices/buses/x10/X10LinkMachine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CX10LinkMachine link;
    link.OnLinkUp();
    uint32_t now = 0;
    size_t at = 0;
    std::vector<CX10LinkMachine::Action> actions;
    while (at < size)
    {
        const uint8_t control = data[at++];
        size_t chunk = 1 + control % 16;
        if (chunk > size - at)
            chunk = size - at;
        if (control & 0x80)
            link.StartExchange(control, now);
        if (control & 0x40)
            link.TimeOut(now, 1500);
        link.Feed(data + at, static_cast<int32_t>(chunk), now, actions);
        at += chunk;
        now += 400;
        const uint8_t state = link.GetState();
        if (state != 1 && state != 3 && state != 4 && state != 5)
            abort();
        if (link.Buffered() < 0 || link.Buffered() > CX10LinkMachine::kStreamSize)
            abort();
        actions.clear();
    }
    // The upload parser alone on the whole input.
    std::vector<X10Report> reports;
    uint8_t last = 0;
    x10::ParseUpload(data, static_cast<int32_t>(size), last, reports);
    return 0;
}

#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The driver families the link-fault soak loads, one device each, and the interface file that
// holds them.
struct SoakFamily
{
    const char* name;
    uint32_t type;
    // tcp, udp, or http (TCP answered with HTTP responses).
    const char* link;
    const char* parameters;
    // Valid feedback for the peer: a folder of fuzz seeds under fuzz/corpus (the first `skip`
    // bytes of each are the fuzz target's own), or "text:A|B" literal frames.
    const char* frames;
    int skip;
    // Has channel 1 that sends (Press) and channel 2 that matches "ON" feedback (the custom
    // byte-string and HTTP devices): the soak presses it every few ticks.
    bool pressable;
    // Channels that make the driver poll (so that it sends without presses); none when 0.
    enum Polled : uint8_t
    {
        PolledNone,
        PolledModbus,
        PolledHelvarNet,
        PolledEpsnet,
    } polled = PolledNone;
};

class CSoakFamilies
{
public:
    static const std::vector<SoakFamily>& All();
    // The peer's argument for the family: NAME:LINK:FRAMES:SKIP.
    static std::string PeerSpec(const SoakFamily& family);
    // A whole interface file: one device per family (ids 1, 2, ... in table order) on 127.0.0.1 at
    // its port, and no pages.
    static std::vector<uint8_t> InterfaceFile(const std::vector<uint16_t>& ports);
    // What a press of a pressable device sends over a byte-string link: large, so that a peer
    // that stops reading fills the link within a few presses and the send waits run out.
    static constexpr uint32_t kPressBytes = 8000;
};

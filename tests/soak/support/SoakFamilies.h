#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The driver families the link-fault soak loads, one device each, and the interface file that
// holds them: every network family on 127.0.0.1, the broadcast ones (in a network namespace of
// the soak's own) and every serial one on a pseudo-terminal as COMn.
struct SoakFamily
{
    const char* name;
    uint32_t type;
    // tcp, udp, http (TCP answered with HTTP responses), stall (TCP whose every other connection
    // the peer never reads), bcast (UDP broadcast on a port the peer shares) or serial (a COM port).
    const char* link;
    const char* parameters;
    // Valid feedback for the peer: a folder of fuzz seeds under fuzz/corpus (the first `skip`
    // bytes of each are the fuzz target's own), or "text:A|B" literal frames.
    const char* frames;
    int skip;
    // Has channel 1 that sends (Press) and channel 2 that matches "ON" feedback (the custom
    // byte-string and HTTP devices): the soak presses it every PressPeriodMs.
    bool pressable;
    // Channels that make the driver poll (so that it sends without presses); none when 0.
    enum Polled : uint8_t
    {
        PolledNone,
        PolledModbus,
        PolledHelvarNet,
        PolledEpsnet,
        PolledSmartBus,
    } polled = PolledNone;

    bool Serial() const;
    // Broadcasts, or listens on a port of its own choosing: only in a network namespace of the
    // soak's own.
    bool NeedsOwnNetwork() const;
};

class CSoakFamilies
{
public:
    static const std::vector<SoakFamily>& All();
    // The peer's argument for the family: NAME:LINK:FRAMES:SKIP.
    static std::string PeerSpec(const SoakFamily& family);
    // A whole interface file: one device per family (ids 1, 2, ... in the given order) at its port
    // (on 127.0.0.1, no host for a broadcast one, the COM number for a serial one), and no pages.
    static std::vector<uint8_t> InterfaceFile(const std::vector<SoakFamily>& families,
                                              const std::vector<uint16_t>& ports);
    // How often the soak presses a pressable device (0: never).
    static double PressPeriodMs(const SoakFamily& family);
    // What a press of a pressable device sends over a byte-string link: large, so that a peer
    // that stops reading fills the link within a few presses and the send waits run out.
    static constexpr uint32_t kPressBytes = 8000;
};

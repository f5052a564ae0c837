#pragma once
#include <atomic>
#include <cstdint>

#include "devices/AbstractChannel.h"

// An Axico actuator: its kind, its three address bytes, and its last known state.
class CAxicoChannel : public CAbstractChannel
{
public:
    enum Kind : uint8_t
    {
        KindSwitch = 1,
        KindDimmer = 2,
        KindPulse = 3,
        KindQuietSwitch = 5, // a switch that posts no feedback
    };
    // States: 0 off, 1 to 16 a dimmer level, 17 on, 18 not yet known.
    static constexpr int32_t kOff = 0;
    static constexpr int32_t kOn = 17;
    static constexpr int32_t kUnknown = 18;

    using CAbstractChannel::CAbstractChannel;

    // Blob: kind, then the three address bytes. A shorter blob loads nothing.
    void Load(const uint8_t* blob, uint32_t length) override;

    uint8_t m_kind = 0;
    uint8_t m_address[3] = {0, 0, 0};
    std::atomic<int32_t> m_state{kUnknown};
};

#pragma once
#include <cstdint>

#include "devices/AbstractChannel.h"

// Command types of a C-Bus channel.
enum ClipsalCommandType : uint8_t
{
    ClipsalStatusRequest = 3,
    ClipsalLevel = 4,
    ClipsalToggle = 5,
    ClipsalAirconAdd = 6,
    ClipsalAirconSet = 7,
};

// A channel of the C-Bus serial interface. Blob: path length P, P path bytes (the first 7 kept),
// unit, command type, application, group, command, data length, then data bytes 0 to the data
// length (one more than the length says; as many as the blob holds).
class CClipsalChannel : public CAbstractChannel
{
public:
    static constexpr uint8_t kMaxPath = 7;
    using CAbstractChannel::CAbstractChannel;
    void Load(const uint8_t* blob, uint32_t length) override;

    uint8_t pathLength = 0;
    uint8_t path[kMaxPath] = {};
    uint8_t unit = 0;
    uint8_t commandType = 0;
    uint8_t application = 0;
    uint8_t group = 0;
    uint8_t command = 0;
    uint8_t dataLength = 0;
    uint8_t data[256] = {};
    // How many data bytes the blob held.
    uint16_t dataHeld = 0;
};

#pragma once
#include <cstdint>

#include "devices/AbstractChannel.h"

// A channel of the C-Bus gateway server. Blob: network, command type (4 level, 5 on/off and
// toggle, 6 and 7 aircon add and set), application, group, command (0x79 on, 0x01 off, or the
// aircon field index), data length, then data bytes 0 to the data length (as many as it holds).
class CClipsalGateChannel : public CAbstractChannel
{
public:
    using CAbstractChannel::CAbstractChannel;
    void Load(const uint8_t* blob, uint32_t length) override;

    uint8_t network = 0;
    uint8_t commandType = 0;
    uint8_t application = 0;
    uint8_t group = 0;
    uint8_t command = 0;
    uint8_t dataLength = 0;
    uint8_t data[256] = {};
};

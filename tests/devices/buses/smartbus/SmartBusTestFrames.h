#pragma once
// SmartBus frames as the codec and driver tests write them, built here once so both check
// against the same bytes.
#include <cstdint>
#include <vector>

#include "common/Checksums.h"

namespace smartbus_test
{
using Bytes = std::vector<uint8_t>;

// The panel's press of relay channel 3 at level 100 (subnet 1, device 2), byte for byte.
inline const Bytes kRelayPress = {0xAA, 0xAA, 0x0F, 0xFD, 0xFE, 0xFF, 0xFE, 0x00, 0x31,
                                  0x01, 0x02, 0x03, 0x64, 0x00, 0x00, 0xAD, 0xAA};

// A frame as a module sends it (device type 0x0011).
inline Bytes Frame(uint8_t sourceSubnet, uint8_t sourceDevice, uint16_t op, uint8_t targetSubnet,
                   uint8_t targetDevice, const Bytes& content)
{
    Bytes frame = {0xAA,
                   0xAA,
                   static_cast<uint8_t>(11 + content.size()),
                   sourceSubnet,
                   sourceDevice,
                   0x00,
                   0x11,
                   static_cast<uint8_t>(op >> 8),
                   static_cast<uint8_t>(op),
                   targetSubnet,
                   targetDevice};
    frame.insert(frame.end(), content.begin(), content.end());
    const uint16_t crc = Crc16Xmodem(frame.data() + 2, frame.size() - 2);
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    frame.push_back(static_cast<uint8_t>(crc));
    return frame;
}
} // namespace smartbus_test

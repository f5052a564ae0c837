#pragma once
// KNXnet/IP frames as a gateway sends them, for the tunnelling driver's tests.
#include <cstdint>
#include <vector>

namespace knx_test
{
// The six-byte header (version 1.0, the service, the whole length) and the body.
inline std::vector<uint8_t> Frame(uint16_t service, const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> frame{0x06, 0x10, static_cast<uint8_t>(service >> 8), static_cast<uint8_t>(service),
                               0,    0};
    for (uint8_t b : body)
        frame.push_back(b);
    frame[5] = static_cast<uint8_t>(frame.size());
    return frame;
}
} // namespace knx_test

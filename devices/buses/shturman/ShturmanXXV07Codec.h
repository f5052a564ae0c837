#pragma once
#include <cstdint>
#include <vector>

#include "common/FrameScanner.h"

// The Shturman XXV07 module bus: requests are short frames without checksum; each module
// answers with a 14-byte status frame 0x0C, 0xF3, module, its ten values, and a 7-bit checksum
// over the module and values.
class CShturmanXXV07Codec : public CAbstractFrameCodec
{
public:
    static constexpr int32_t kStatusLength = 14;
    static constexpr int32_t kValues = 10;

    FrameVerdict Check(const uint8_t* bytes, int32_t available) const override;
    int32_t MaxFrameLength() const override { return kStatusLength; }

    static std::vector<uint8_t> StatusRequest(uint8_t module);
    static std::vector<uint8_t> Command(uint8_t module, uint8_t index, uint8_t value, uint8_t extra);
};

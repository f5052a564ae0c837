#pragma once
#include <atomic>
#include <cstdint>

#include "devices/AbstractChannel.h"
#include "devices/buses/helvar/HelvarNetCodec.h"

// A HelvarNet command or query of one group or device. The channel value is the level,
// proportion or query result, or for the scene commands 11 and 12 a word with the block in its
// low byte and the scene in the second.
class CHelvarNetChannel : public CAbstractChannel
{
public:
    static constexpr uint32_t kShortestBlob = 8;

    using CAbstractChannel::CAbstractChannel;

    // Blob (little-endian): action (1), poll period (4), command (1), bit number (1), the group
    // (4) or the four address bytes, then for commands 11 and 12 K, block and scene (1 each),
    // for the others the value (a signed byte), and last the fade time (4). A blob of fewer than
    // 8 bytes is not read; a longer one is read as far as it goes (missing fields stay 0).
    void Load(const uint8_t* blob, uint32_t length) override;

    bool IsSceneCommand() const { return m_target.command == 11 || m_target.command == 12; }
    // The message fields, with the scene and value taken from the channel value.
    HelvarNetTarget Target() const;
    // A value given by a press, release or set: the scene of the scene commands, else the value.
    void StoreValue(int32_t value);
    uint8_t Block() const { return static_cast<uint8_t>(m_value.load()); }

    HelvarNetTarget m_target;
    uint8_t m_bit = 0;
    // Written by the tick thread (values given) and the transport thread (replies).
    std::atomic<int32_t> m_value{0};
};

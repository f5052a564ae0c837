#pragma once
#include <cstdint>

#include "devices/AbstractChannel.h"
#include "devices/buses/knx/KnxStoredValue.h"

// A channel on a KNX group address. Blob: ChannelAction, subtype (3 percent, 4 angle,
// 17 toggle), main, middle and sub group, then the initial value by value type (little-endian).
class CEIBChannel : public CAbstractChannel
{
public:
    static constexpr uint32_t kMinBlobLength = 5;

    using CAbstractChannel::CAbstractChannel;

    // A blob too short for its value, or a type without one, leaves the channel without a value.
    void Load(const uint8_t* blob, uint32_t length) override;

    bool IsGroup(uint8_t groupFlag, uint8_t main, uint8_t middle, uint8_t sub) const
    {
        return m_groupFlag == groupFlag && m_main == main && m_middle == middle && m_sub == sub;
    }

    uint8_t m_subtype = 0;
    uint8_t m_groupFlag = 0;
    uint8_t m_main = 0;
    uint8_t m_middle = 0;
    uint8_t m_sub = 0;
    CKnxStoredValue m_value;
};

#pragma once
#include <atomic>
#include <cstdint>

#include "devices/controllers/custom/AbstractCustomChannel.h"

// The kinds of a custom channel (the first byte of its blob).
enum CustomChannelKind : uint8_t
{
    CustomKindNone = 0,     // a blob too short to say: no operation uses the channel
    CustomKindPress = 1,    // bytes sent by Press
    CustomKindRelease = 2,  // bytes sent by Release
    CustomKindFeedback = 3, // a pattern that posts a fixed event when the equipment sends it
    CustomKindValue = 4,    // a value pattern (custom HTTP device)
    CustomKindHold = 32,    // bytes sent every hold period while the item is held
};

// A channel of a custom byte-string device (also used by the custom HTTP device and XBMC).
//
// Blob: kind (1), event channel (4), event value (4), repeat count (1), byte length L (4), the L
// bytes, and optionally hold period (4) and sequence delay (4). All little-endian.
//
// Everything but the held time and the last value is set while loading and only read afterwards,
// so the transport thread reads the pattern without a lock; the held time belongs to the tick
// thread (Hold).
class CCustomChannel : public CAbstractCustomChannel
{
public:
    using CAbstractCustomChannel::CAbstractCustomChannel;

    void Load(const uint8_t* blob, uint32_t length) override;

    uint8_t GetKind() const { return m_kind; }
    uint8_t GetRepeatCount() const { return m_repeatCount; }
    uint32_t GetHoldPeriod() const { return m_holdPeriod; }
    uint32_t GetSequenceDelay() const { return m_sequenceDelay; }
    uint32_t GetEventChannel() const { return m_eventChannel; }
    uint32_t GetEventValue() const { return m_eventValue; }

    // Adds elapsed ms to the held time; true (and the held time back at 0) once it is above the
    // hold period. The held time survives a release: a new hold goes on from it.
    bool AddHeldTime(uint32_t elapsedMs);
    uint32_t GetHeldTime() const { return m_heldTime; }

    std::atomic<int32_t> m_lastValue{0};

protected:
    uint8_t m_kind = CustomKindNone;
    uint8_t m_repeatCount = 1;
    uint32_t m_holdPeriod = 0;
    uint32_t m_sequenceDelay = 0;
    uint32_t m_heldTime = 0;
    uint32_t m_eventChannel = 0;
    uint32_t m_eventValue = 0;
};

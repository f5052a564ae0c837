#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "devices/AbstractChannel.h"

// What an AMX channel is, beside its class (the record's value-type byte).
enum AmxChannelKind : uint8_t
{
    AmxKindNone = 0,
    AmxKindTextAddress = 1, // class 0: target of panel commands; on port 0 a clock or date text
    AmxKindChannel = 2,     // class 1: push and release, channel feedback; on port 0 a local action
    AmxKindLevel = 3,       // class 6: level values both ways
    AmxKindText = 4,        // class 0: loaded with its text only
    AmxKindCommand = 5,     // class 0: a press sends its text (or runs it on port 0)
    AmxKindPreset = 6,      // class 6: a press sends a preset value to a level
    AmxKindRamp = 7,        // class 6: while held, steps a level
};

// The channel classes (the record's value-type byte).
enum AmxChannelClass : uint8_t
{
    AmxClassText = 0,
    AmxClassChannel = 1,
    AmxClassLevel = 6,
};

// Level number, value (the preset, or a ramp's step) and period (ramp only).
struct AmxLevelTriple
{
    uint16_t level = 0;
    int32_t value = 0;
    uint32_t period = 0;
    bool operator==(const AmxLevelTriple& other) const
    {
        return level == other.level && value == other.value && period == other.period;
    }
};

// One channel of the AMX link, read from its blob (little-endian):
//   4 bytes: the old form, port and number; the kind follows from the class;
//   5 or more: kind, port, then a number (kinds 1-3), a text with its length (4-5) or a level
//   triple (6-7).
// Shorter blobs leave the kind 0, which no operation uses.
class CAMXChannel : public CAbstractChannel
{
public:
    using CAbstractChannel::CAbstractChannel;

    void Load(const uint8_t* blob, uint32_t length) override;
    // A channel the panel makes at run time (a list-box row's channel): class 1, kind 2.
    static std::unique_ptr<CAMXChannel> CreateLocal(uint32_t id, uint16_t port, uint32_t number);

    // The kind and port match, and so does the number (kinds 1-3).
    bool Matches(uint8_t kind, uint16_t port, uint32_t number) const;
    // The kind and port match, and so does the whole triple (kinds 6-7).
    bool Matches(uint8_t kind, uint16_t port, const AmxLevelTriple& triple) const;

    uint8_t GetClass() const { return m_valueType; }
    uint8_t GetKind() const { return m_kind; }
    uint16_t GetPort() const { return m_port; }
    uint32_t GetNumber() const { return m_number; }
    const std::string& GetText() const { return m_text; }
    const AmxLevelTriple& GetTriple() const { return m_triple; }
    bool Is(uint8_t channelClass, uint8_t kind) const
    {
        return m_valueType == channelClass && m_kind == kind;
    }

    // Tick thread only: a ramp's held time since its last step.
    uint32_t m_rampAccumulator = 0;

    // Tick thread only: the clock stamp of the last text a clock channel posted. It starts at a
    // value no date has, so the first tick always posts.
    struct ClockStamp
    {
        uint16_t year = 0xFFFF;
        uint16_t month = 0xFFFF;
        uint16_t weekday = 0xFFFF;
        uint16_t day = 0xFFFF;
        uint16_t hour = 0xFFFF;
        uint16_t minute = 0xFFFF;
        bool operator==(const ClockStamp& other) const
        {
            return year == other.year && month == other.month && weekday == other.weekday &&
                   day == other.day && hour == other.hour && minute == other.minute;
        }
    };
    ClockStamp m_clockStamp;

private:
    uint8_t m_kind = AmxKindNone;
    uint16_t m_port = 0;
    uint32_t m_number = 0;
    std::string m_text;
    AmxLevelTriple m_triple;
};

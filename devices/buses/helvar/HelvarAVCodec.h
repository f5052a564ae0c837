#pragma once
#include <array>
#include <cstdint>

#include "common/FrameScanner.h"

// The Helvar AV interface's serial protocol, without any link. A message is a count byte 0x03, a
// request code and a DALI forward frame (address byte, data byte). An answer is a count byte
// (1 to 3), then that many bytes: the answer code and what it carries ('f': a byte, then the
// level).
//
//   CHelvarAVCodec codec;  CFrameScanner scanner{codec};     // frames are whole answers
//   HelvarAVAnswer answer = CHelvarAVCodec::Decode(frame, length);
struct HelvarAVAnswer
{
    uint8_t code = 0;
    bool hasLevel = false; // a level answer long enough to carry its level
    uint8_t level = 0;
};

class CHelvarAVCodec : public CAbstractFrameCodec
{
public:
    using Message = std::array<uint8_t, 4>;

    static constexpr uint8_t kCount = 0x03;
    static constexpr uint8_t kRequestCommand = 0x51;
    static constexpr uint8_t kRequestQuery = 0x55;
    static constexpr uint8_t kProbeCode = 0x82;
    static constexpr uint8_t kAnswerLevel = 'f';
    static constexpr uint8_t kAnswerData = 'd';
    static constexpr uint8_t kAnswerDone = 'k';
    static constexpr uint8_t kQueryActualLevel = 0xA0;
    static constexpr uint8_t kHighestLevel = 254; // 255 is no level in DALI

    enum AddressType : uint8_t
    {
        ShortAddress = 0,
        Group = 1,
        Broadcast = 2,
    };
    enum CommandKind : uint8_t
    {
        KindScene = 9,
        KindLevel = 10,
        KindSwitch = 11,
    };

    FrameVerdict Check(const uint8_t* bytes, int32_t available) const override;
    int32_t MaxFrameLength() const override { return 1 + kCount; }

    // The probe that the interface answers with its code 0x82.
    static Message Probe();
    // The query of the actual level of a short address.
    static Message LevelQuery(uint8_t shortAddress);
    // A channel's command: its address, its command kind and the value (low byte used).
    static Message Command(uint8_t addressType, uint8_t address, uint8_t kind, int32_t value);
    static HelvarAVAnswer Decode(const uint8_t* frame, int32_t length);
};

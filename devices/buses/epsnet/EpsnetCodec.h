#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/FrameScanner.h"

// One frame of an EPSNET message, with the sequence value of the message header it came in.
struct EpsnetFrame
{
    enum Kind : uint8_t
    {
        Single = 0xE5,   // the single character: no fields
        Fixed = 0x10,    // three bytes (fixed)
        Variable = 0x68, // control, station, data
    };
    uint16_t sequence = 0;
    uint8_t kind = Single;
    uint8_t fixed[3] = {0, 0, 0};
    uint8_t control = 0;
    uint8_t station = 0;
    // Variable frames: every data byte (the first is the function: 0x08 for a read reply).
    std::vector<uint8_t> data;
};

// The framing of one frame (single character, fixed length, variable length) at a position.
class CEpsnetFrameCodec : public CAbstractFrameCodec
{
public:
    FrameVerdict Check(const uint8_t* bytes, int32_t available) const override;
    int32_t MaxFrameLength() const override { return 255 + 6; }
};

// EPSNET over UDP: every message is a 6-byte header (sequence value low byte first, 0x02, 0x00,
// frame length high byte first) and one frame. Requests address the station's memory areas
// (0 to 3) with 16-bit addresses, low byte first.
class CEpsnetCodec
{
public:
    static constexpr int32_t kHeaderLength = 6;
    static constexpr uint8_t kReplyRead = 0x08;

    // The sequence value of the header for a sequence number (1 to 4095).
    static uint16_t WireSequence(uint16_t number)
    {
        return static_cast<uint16_t>(0xF000 | (number & 0x0FFF));
    }
    // The number after `number`: 1 to 4095, then 1 again.
    static uint16_t NextSequence(uint16_t number);

    // Each writer replaces `out` with one whole message.
    static void WriteConnect(std::vector<uint8_t>& out, uint16_t wire, uint8_t station);
    static void WriteRead(std::vector<uint8_t>& out, uint16_t wire, uint8_t station, uint8_t area,
                          uint16_t address, uint8_t length);
    static void WriteBytes(std::vector<uint8_t>& out, uint16_t wire, uint8_t station, uint8_t area,
                           uint16_t address, const uint8_t* value, uint8_t count);
    static void WriteBit(std::vector<uint8_t>& out, uint16_t wire, uint8_t station, uint8_t area,
                         uint16_t address, uint8_t bit, bool on);

    // Every frame of every message in one datagram, in order. A message's frames are looked for
    // only within the length its header declares (and the datagram holds); bytes that form no
    // frame are stepped over, bytes before a header are dropped.
    static void ParseDatagram(const uint8_t* data, size_t size, std::vector<EpsnetFrame>& frames);

private:
    static void WriteVariable(std::vector<uint8_t>& out, uint16_t wire, uint8_t station, const uint8_t* data,
                              size_t count);
    static bool IsHeader(const uint8_t* bytes, size_t available);
};

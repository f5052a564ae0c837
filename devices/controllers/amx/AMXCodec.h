#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/FrameScanner.h"

class CAMXPacketCodec;
class CAMXValue;

// A device address on the AMX link.
struct AMXAddress
{
    uint16_t device = 0;
    uint16_t port = 0;
    uint16_t system = 0;
};

// The 22 bytes before every message's payload.
struct AMXHeader
{
    uint16_t length = 0; // everything after the length field, without the checksum
    uint16_t flags = 0;
    AMXAddress destination;
    AMXAddress source;
    uint8_t hops = 0;
    uint16_t messageId = 0;
    uint16_t command = 0;
};

// An identity record (message 0x0097).
struct AMXDeviceInfo
{
    uint8_t flag = 0;
    uint8_t second = 0;
    uint16_t firstId = 1;
    uint16_t secondId = 330;
    uint8_t serial[16] = {};
    uint16_t thirdId = 656;
    std::string version;
    std::string name;
    std::string maker;
    uint8_t addressType = 0;
    std::vector<uint8_t> address;
};

// The device, port and system words at the start of most payloads, and the number after them.
struct AMXReport
{
    uint16_t device = 0;
    uint16_t port = 0;
    uint16_t system = 0;
    uint16_t number = 0; // channel or level number
};

// The AMX link's frames: 0x02 messages (the 22-byte header, the payload and a checksum, all
// high byte first) and 0x04 envelopes that carry one enciphered message. Finds frames in received
// bytes, reads their headers and payloads, and builds the messages the panel sends. Nothing is
// read beyond the frame a peer's length names.
class CAMXCodec : public CAbstractFrameCodec
{
public:
    static constexpr uint8_t kMessageStart = 0x02;
    static constexpr uint8_t kEnvelopeStart = 0x04;
    static constexpr int32_t kHeaderLength = 22;
    // The envelope's bytes before the message it carries.
    static constexpr int32_t kEnvelopeHeaderLength = 13;
    static constexpr int32_t kMaxFrameLength = 0xFFFF + 4;
    static constexpr uint32_t kEnvelopeField = 0x3E81C65B;
    static constexpr uint8_t kHopCount = 0x0F;

    FrameVerdict Check(const uint8_t* bytes, int32_t available) const override;
    int32_t MaxFrameLength() const override { return kMaxFrameLength; }

    // Sum of the bytes, modulo 256.
    static uint8_t Checksum(const uint8_t* bytes, int32_t count);

    // The header of a whole message of `length` bytes; false when it is shorter than a header or
    // its length field names more bytes than there are.
    static bool DecodeHeader(const uint8_t* message, int32_t length, AMXHeader& header);
    // The payload of a message whose header was decoded: from byte 22 to the checksum.
    static int32_t PayloadLength(const AMXHeader& header) { return header.length + 3 - kHeaderLength; }
    // Deciphers the message an envelope frame carries into `message`; false when the envelope holds
    // no whole message.
    static bool OpenEnvelope(const uint8_t* frame, int32_t length, const CAMXPacketCodec& codec,
                             std::vector<uint8_t>& message);

    // A whole message: header (length patched), payload and checksum.
    static std::vector<uint8_t> BuildMessage(const AMXHeader& header, const std::vector<uint8_t>& payload);
    // The envelope that carries `message` enciphered, from the source's system and device.
    static std::vector<uint8_t> BuildEnvelope(const std::vector<uint8_t>& message, uint16_t system,
                                              uint16_t device, const CAMXPacketCodec& codec);
    // The next message id after `last`: 1 to 0xFFFF, never 0.
    static uint16_t NextMessageId(uint16_t last)
    {
        return last == 0xFFFF ? 1 : static_cast<uint16_t>(last + 1);
    }

    static void PutWord(std::vector<uint8_t>& out, uint16_t value);
    static void PutDeviceInfo(std::vector<uint8_t>& out, const AMXDeviceInfo& info);

    // Payload readers. Channel on/off: device, port, system, channel.
    static bool DecodeChannel(const uint8_t* payload, int32_t length, AMXReport& report);
    // Level: device, port, system, level, type, value. False when the value does not fit the frame or
    // the value's storage.
    static bool DecodeLevel(const uint8_t* payload, int32_t length, AMXReport& report, CAMXValue& value);
    // String or command: device, port, system, element size, count, count x size bytes. False when
    // count x size is more than the frame holds.
    static bool DecodeArray(const uint8_t* payload, int32_t length, AMXReport& report, uint8_t& elementSize,
                            std::string& bytes);
};

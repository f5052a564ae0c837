#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/FrameScanner.h"

// The SmartBus frame: 0xAA 0xAA, length, source subnet, source device, source device type (2,
// high byte first), operation code (2, high byte first), target subnet, target device, content,
// CRC-16/XMODEM (2, high byte first) over the bytes from the length through the content. The
// length counts from itself through the CRC: 11 plus the content length.
//
// Use (a driver's receive side, transport thread):
//
//     CSmartBusFrameCodec m_codec; CFrameScanner m_scanner{m_codec};
//     while (m_scanner.Next(m_in, bytes, n)) { SmartBusFrame f; if (SmartBusReadFrame(bytes, n, f)) ... }
//
// and its send side: SmartBusWriteFrame(out, command) appends one whole frame to `out`.

// What a received frame holds, cleared before each read. The content is followed by a zero byte.
struct SmartBusFrame
{
    static constexpr int32_t kMaxContent = 244;

    uint8_t targetSubnet = 0;
    uint8_t targetDevice = 0;
    uint8_t sourceSubnet = 0;
    uint8_t sourceDevice = 0;
    uint16_t opCode = 0;
    uint8_t content[kMaxContent + 1] = {};
    int32_t contentLength = 0;

    // Broadcast (255/255) or the panel's own address (253/254).
    bool IsForPanel() const;
};

// One command of the panel, as a channel gives it (the value already turned into its byte).
struct SmartBusCommand
{
    uint16_t opCode = 0;
    uint8_t subnet = 0;
    uint8_t device = 0;
    uint8_t number = 0;
    uint8_t value = 0;
    uint16_t extra = 0;
    uint8_t zone = 0;
    uint8_t source = 0;
    // Operation code 6470: the values of numbers 1, 3, 4, 5, 6, 7 and 8, in that order.
    uint8_t group[7] = {};
};

namespace smartbus
{
constexpr uint8_t kPanelSubnet = 0xFD;
constexpr uint8_t kPanelDevice = 0xFE;
constexpr uint16_t kPanelDeviceType = 0xFFFE;
constexpr int32_t kHeaderLength = 11; // 0xAA 0xAA through the target device
constexpr int32_t kMinLengthByte = 11;
constexpr int32_t kMaxFrame = 2 + 255;
constexpr int32_t kUdpPrefixLength = 16;
constexpr int32_t kAudioKeywords = 54;

// The channel kind that an operation code gives (0: none of the known ones).
uint8_t KindOf(uint16_t opCode);
// The audio command keyword of a channel number; null for 54 and above.
const char* AudioKeyword(uint8_t number);
// Panel volume 0-100 to the player's scale 79-0, and back.
int32_t VolumeToDevice(int32_t panel);
float VolumeFromDevice(float device);
} // namespace smartbus

// Frame boundaries for CFrameScanner: two start bytes, a length byte of at least 11, the whole
// frame buffered and its CRC right.
class CSmartBusFrameCodec : public CAbstractFrameCodec
{
public:
    FrameVerdict Check(const uint8_t* bytes, int32_t available) const override;
    int32_t MaxFrameLength() const override { return smartbus::kMaxFrame; }
};

// Reads one whole frame (as the codec accepted it) into `frame`; false when the bytes are not one.
bool SmartBusReadFrame(const uint8_t* bytes, int32_t length, SmartBusFrame& frame);

// Appends the UDP prefix: the local IPv4 address in network order (as the transport gives it,
// its lowest byte first in memory) and "HDLMIRACLE".
void SmartBusWritePrefix(std::vector<uint8_t>& out, uint32_t localAddressNetworkOrder);

// Appends one whole frame from the panel for the command; false (nothing appended) when the
// command has no frame (an audio number without a keyword).
bool SmartBusWriteFrame(std::vector<uint8_t>& out, const SmartBusCommand& command);

#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// KNXnet/IP frames of the tunnelling link: the 6-byte header (0x06, 0x10, service type, total
// length, all big-endian), the builders of what the panel sends and the readers of the bodies it
// receives. Every reader is bounded by the body it is given.
namespace KnxNetIp
{
constexpr uint8_t kHeaderSize = 6;
constexpr uint8_t kHeaderByte0 = 0x06;
constexpr uint8_t kHeaderByte1 = 0x10;
// No frame of the tunnelling services is longer; a header that claims more is a stray match.
constexpr uint16_t kMaxFrameLength = 1024;

enum Service : uint16_t
{
    ConnectRequest = 0x0205,
    ConnectResponse = 0x0206,
    ConnectionStateRequest = 0x0207,
    ConnectionStateResponse = 0x0208,
    DisconnectRequest = 0x0209,
    DisconnectResponse = 0x020A,
    TunnellingRequest = 0x0420,
    TunnellingAck = 0x0421,
};

// A host address block: IPv4 address with its first octet in the high byte, and the port.
struct Hpai
{
    uint32_t address = 0;
    uint16_t port = 0;
};

// Where a frame sits in a block of received bytes.
struct FrameSpan
{
    size_t start = 0;
    uint16_t service = 0;
    uint16_t totalLength = 0;
};

enum class ScanResult : uint8_t
{
    // No header: the bytes before span.start can never begin a frame.
    None,
    // A header at span.start whose frame has not fully arrived.
    Incomplete,
    // A whole frame at span.start.
    Frame,
};

// Finds the first frame in the bytes. A header whose total length is below 6 or above
// kMaxFrameLength is taken for stray bytes and passed over.
ScanResult ScanFrame(const uint8_t* bytes, size_t size, FrameSpan& span);

// Builders: each appends one whole frame, its total length filled in.
void BuildConnectRequest(const Hpai& control, const Hpai& data, std::vector<uint8_t>& out);
void BuildConnectionStateRequest(uint8_t channel, const Hpai& control, std::vector<uint8_t>& out);
void BuildDisconnectRequest(uint8_t channel, const Hpai& control, std::vector<uint8_t>& out);
void BuildTunnellingRequest(uint8_t channel, uint8_t sequence, const std::vector<uint8_t>& cemi,
                            std::vector<uint8_t>& out);
void BuildTunnellingAck(uint8_t channel, uint8_t sequence, uint8_t status, std::vector<uint8_t>& out);

// Readers of a frame's body (the bytes behind its header, up to its total length).
struct ConnectResult
{
    uint8_t channel = 0;
    uint8_t status = 0;
    // The individual address the server gives the tunnel (status 0 only).
    uint8_t area = 0;
    uint8_t line = 0;
    uint8_t device = 0;
};
// False when the body is shorter than its fields (with status 0: data endpoint and response block).
bool ParseConnectResponse(const uint8_t* body, size_t size, ConnectResult& out);
// Channel id and status (connection-state and disconnect responses).
bool ParseChannelStatus(const uint8_t* body, size_t size, uint8_t& channel, uint8_t& status);

// The connection header of a tunnelling request or acknowledgement. For a request, cemiOffset is
// where its cEMI frame starts in the body (behind the header's own stated length); the last byte
// of the header is the reserved byte of a request and the status of an acknowledgement.
struct ConnectionHeader
{
    uint8_t channel = 0;
    uint8_t sequence = 0;
    uint8_t status = 0;
    size_t cemiOffset = 0;
};
bool ParseConnectionHeader(const uint8_t* body, size_t size, ConnectionHeader& out);
} // namespace KnxNetIp

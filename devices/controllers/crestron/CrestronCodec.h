#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/FrameScanner.h"

// One join change read from a processor's join-data packet.
struct CrestronJoin
{
    uint8_t kind = 0; // CCrestronCodec::JoinDigital, JoinAnalog or JoinSerial
    uint8_t objectId = 0;
    uint16_t join = 0;
    uint16_t value = 0; // digital: 1 high, 0 low; analog: the value
    std::string text;   // serial: the text's bytes as received
};

// The Crestron link's packets: a type byte, a 16-bit length (high byte first, always below 256)
// and the payload. Finds packets in received bytes, decodes join data, and builds the packets the
// panel sends. Every length a peer gives is checked against the bytes that are really there.
//
// The handle the processor gives is read low byte first and written high byte first: its two bytes
// go out in the reverse of the order in which they came in, as the processor expects.
class CCrestronCodec : public CAbstractFrameCodec
{
public:
    enum PacketType : uint8_t
    {
        ConnectRequest = 0x01,
        ConnectResponse = 0x02,
        DisconnectPacket = 0x03,
        DisconnectPacket2 = 0x04,
        JoinData = 0x05,
        HeartbeatPacket = 0x0D,
        HeartbeatAnswer = 0x0E,
        RequestPacket = 0x0F,
    };
    // The join kinds, as the channels' value-type byte gives them.
    enum JoinKind : uint8_t
    {
        JoinDigital = 1,
        JoinAnalog = 5,
        JoinSerial = 19,
    };
    static constexpr int32_t kHeaderLength = 3;
    static constexpr int32_t kMaxPacketLength = kHeaderLength + 255;
    static constexpr uint16_t kRefusedHandle = 0xFFFF;

    FrameVerdict Check(const uint8_t* bytes, int32_t available) const override;
    int32_t MaxFrameLength() const override { return kMaxPacketLength; }

    // True for the types a processor sends.
    static bool IsReceivedType(uint8_t type);
    // The handle at the start of a payload (low byte first); false when the payload is shorter.
    static bool ReadHandle(const uint8_t* payload, int32_t length, uint16_t& handle);
    // Decodes a join-data payload into its handle and its join changes. False when the payload is
    // too short for its handle and header; entries that do not fit whole are not decoded.
    static bool DecodeJoinData(const uint8_t* payload, int32_t length, uint16_t& handle,
                               std::vector<CrestronJoin>& joins);

    // Packets the panel sends. `localAddress` is the IPv4 address in network order (as it lies in
    // memory).
    static std::vector<uint8_t> MakeConnectRequest(uint32_t localAddress, uint16_t ipId);
    static std::vector<uint8_t> MakeDisconnect(uint16_t handle);
    static std::vector<uint8_t> MakeUpdateRequest(uint16_t handle);
    static std::vector<uint8_t> MakeDigitalJoin(uint16_t handle, uint8_t objectId, uint16_t join,
                                                bool release);
    static std::vector<uint8_t> MakeAnalogJoin(uint16_t handle, uint8_t objectId, uint16_t join,
                                               uint16_t value);
    static std::vector<uint8_t> MakeHeartbeat(uint16_t handle);

private:
    static std::vector<uint8_t> Packet(uint8_t type, const std::vector<uint8_t>& payload);
    static void PutHandle(std::vector<uint8_t>& payload, uint16_t handle);
    static void DecodeEntries(uint8_t kindByte, uint8_t objectId, const uint8_t* bytes, int32_t length,
                              std::vector<CrestronJoin>& joins);
};

#include "devices/controllers/crestron/CrestronCodec.h"

#include <algorithm>
#include <cstring>

#include "common/BlobReader.h"

namespace
{
constexpr uint8_t kSmartObjectPrefix = 0x20;
constexpr uint8_t kDigitalEntries = 0x00;
constexpr uint8_t kAnalog8Entries = 0x01;
constexpr uint8_t kAnalog16Entries = 0x14;
constexpr uint8_t kSerial8Entry = 0x12;
constexpr uint8_t kSerial16Entry = 0x15;
constexpr uint8_t kReleaseBit = 0x80;
} // namespace

bool CCrestronCodec::IsReceivedType(uint8_t type)
{
    switch (type)
    {
    case ConnectResponse:
    case DisconnectPacket:
    case DisconnectPacket2:
    case JoinData:
    case HeartbeatAnswer:
    case RequestPacket:
        return true;
    default:
        return false;
    }
}

FrameVerdict CCrestronCodec::Check(const uint8_t* bytes, int32_t available) const
{
    // A packet starts with a known type followed by the zero high byte of its length; anything
    // else is junk and is dropped by the scanner rather than kept.
    if (!IsReceivedType(bytes[0]))
        return FrameVerdict::None();
    if (available < 2)
        return FrameVerdict::More();
    if (bytes[1] != 0)
        return FrameVerdict::None();
    if (available < kHeaderLength)
        return FrameVerdict::More();
    const int32_t whole = kHeaderLength + bytes[2];
    if (available < whole)
        return FrameVerdict::More();
    return FrameVerdict::Whole(whole);
}

bool CCrestronCodec::ReadHandle(const uint8_t* payload, int32_t length, uint16_t& handle)
{
    CBlobReader reader(payload, length > 0 ? static_cast<size_t>(length) : 0);
    return reader.U16LE(handle);
}

bool CCrestronCodec::DecodeJoinData(const uint8_t* payload, int32_t length, uint16_t& handle,
                                    std::vector<CrestronJoin>& joins)
{
    CBlobReader reader(payload, length > 0 ? static_cast<size_t>(length) : 0);
    uint8_t innerLength = 0;
    uint8_t kindByte = 0;
    uint8_t objectId = 0;
    if (!reader.U16LE(handle) || !reader.U8(innerLength) || !reader.U8(kindByte))
        return false;
    if (kindByte == kSmartObjectPrefix)
    {
        uint8_t repeated = 0;
        if (!reader.U8(objectId) || !reader.U8(repeated) || !reader.U8(kindByte))
            return false;
    }
    DecodeEntries(kindByte, objectId, reader.Here(), static_cast<int32_t>(reader.Remaining()), joins);
    return true;
}

void CCrestronCodec::DecodeEntries(uint8_t kindByte, uint8_t objectId, const uint8_t* bytes, int32_t length,
                                   std::vector<CrestronJoin>& joins)
{
    CBlobReader reader(bytes, length > 0 ? static_cast<size_t>(length) : 0);
    CrestronJoin entry;
    entry.objectId = objectId;
    switch (kindByte)
    {
    case kDigitalEntries:
    {
        entry.kind = JoinDigital;
        uint8_t low = 0;
        uint8_t high = 0;
        while (reader.U8(low) && reader.U8(high))
        {
            entry.join = static_cast<uint16_t>(low | ((high & 0x7F) << 8));
            entry.value = (high & kReleaseBit) ? 0 : 1;
            joins.push_back(entry);
        }
        break;
    }
    case kAnalog8Entries:
    case kAnalog16Entries:
    {
        entry.kind = JoinAnalog;
        uint8_t join8 = 0;
        while (kindByte == kAnalog8Entries ? reader.U8(join8) : reader.U16BE(entry.join))
        {
            if (!reader.U16BE(entry.value))
                break;
            if (kindByte == kAnalog8Entries)
                entry.join = join8;
            joins.push_back(entry);
        }
        break;
    }
    case kSerial8Entry:
    case kSerial16Entry:
    {
        entry.kind = JoinSerial;
        uint8_t join8 = 0;
        const bool whole =
            kindByte == kSerial8Entry ? reader.U8(join8) : reader.U16BE(entry.join) && reader.Skip(1);
        if (!whole)
            break;
        if (kindByte == kSerial8Entry)
            entry.join = join8;
        // The text runs to the end of the payload; what is left is never negative.
        if (reader.Remaining() > 0)
            entry.text.assign(reinterpret_cast<const char*>(reader.Here()), reader.Remaining());
        joins.push_back(std::move(entry));
        break;
    }
    default:
        break;
    }
}

std::vector<uint8_t> CCrestronCodec::Packet(uint8_t type, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> packet(kHeaderLength + payload.size());
    packet[0] = type;
    packet[1] = 0;
    packet[2] = static_cast<uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), packet.begin() + kHeaderLength);
    return packet;
}

void CCrestronCodec::PutHandle(std::vector<uint8_t>& payload, uint16_t handle)
{
    payload.push_back(static_cast<uint8_t>(handle >> 8));
    payload.push_back(static_cast<uint8_t>(handle));
}

std::vector<uint8_t> CCrestronCodec::MakeConnectRequest(uint32_t localAddress, uint16_t ipId)
{
    uint8_t address[4];
    std::memcpy(address, &localAddress, sizeof address);
    std::vector<uint8_t> payload(address, address + 4);
    payload.push_back(static_cast<uint8_t>(ipId >> 8));
    payload.push_back(static_cast<uint8_t>(ipId));
    payload.push_back(0x40);
    return Packet(ConnectRequest, payload);
}

std::vector<uint8_t> CCrestronCodec::MakeDisconnect(uint16_t handle)
{
    std::vector<uint8_t> payload;
    PutHandle(payload, handle);
    payload.push_back(0x00);
    return Packet(DisconnectPacket, payload);
}

std::vector<uint8_t> CCrestronCodec::MakeUpdateRequest(uint16_t handle)
{
    std::vector<uint8_t> payload;
    PutHandle(payload, handle);
    payload.insert(payload.end(), {0x02, 0x03, 0x1E});
    return Packet(JoinData, payload);
}

std::vector<uint8_t> CCrestronCodec::MakeDigitalJoin(uint16_t handle, uint8_t objectId, uint16_t join,
                                                     bool release)
{
    std::vector<uint8_t> payload;
    PutHandle(payload, handle);
    if (objectId != 0)
        payload.insert(payload.end(), {0x06, kSmartObjectPrefix, objectId});
    payload.insert(payload.end(), {0x03, kDigitalEntries, static_cast<uint8_t>(join),
                                   static_cast<uint8_t>(((join >> 8) & 0x7F) | (release ? kReleaseBit : 0))});
    return Packet(JoinData, payload);
}

std::vector<uint8_t> CCrestronCodec::MakeAnalogJoin(uint16_t handle, uint8_t objectId, uint16_t join,
                                                    uint16_t value)
{
    std::vector<uint8_t> payload;
    PutHandle(payload, handle);
    if (objectId != 0)
        payload.insert(payload.end(), {0x08, kSmartObjectPrefix, objectId});
    payload.insert(payload.end(),
                   {0x05, kAnalog16Entries, static_cast<uint8_t>(join >> 8), static_cast<uint8_t>(join),
                    static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)});
    return Packet(JoinData, payload);
}

std::vector<uint8_t> CCrestronCodec::MakeHeartbeat(uint16_t handle)
{
    std::vector<uint8_t> payload;
    PutHandle(payload, handle);
    return Packet(HeartbeatPacket, payload);
}

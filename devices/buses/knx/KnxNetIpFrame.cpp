#include "devices/buses/knx/KnxNetIpFrame.h"

#include "common/BlobReader.h"

namespace KnxNetIp
{
namespace
{
constexpr uint8_t kHpaiLength = 8;
constexpr uint8_t kIpv4Udp = 0x01;
constexpr uint8_t kConnectionHeaderLength = 4;

uint16_t BigEndian16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}

void Put16(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

// Writes the header with a zero length; Finish fills it in once the body is there.
size_t Begin(uint16_t service, std::vector<uint8_t>& out)
{
    size_t start = out.size();
    out.push_back(kHeaderByte0);
    out.push_back(kHeaderByte1);
    Put16(out, service);
    Put16(out, 0);
    return start;
}

void Finish(size_t start, std::vector<uint8_t>& out)
{
    size_t length = out.size() - start;
    out[start + 4] = static_cast<uint8_t>(length >> 8);
    out[start + 5] = static_cast<uint8_t>(length);
}

void PutHpai(const Hpai& hpai, std::vector<uint8_t>& out)
{
    out.push_back(kHpaiLength);
    out.push_back(kIpv4Udp);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(hpai.address >> shift));
    Put16(out, hpai.port);
}

void ChannelRequest(uint16_t service, uint8_t channel, const Hpai& control, std::vector<uint8_t>& out)
{
    size_t start = Begin(service, out);
    out.push_back(channel);
    out.push_back(0x00);
    PutHpai(control, out);
    Finish(start, out);
}

void ConnectionHeaderFrame(uint16_t service, uint8_t channel, uint8_t sequence, uint8_t last,
                           const std::vector<uint8_t>* cemi, std::vector<uint8_t>& out)
{
    size_t start = Begin(service, out);
    out.push_back(kConnectionHeaderLength);
    out.push_back(channel);
    out.push_back(sequence);
    out.push_back(last);
    if (cemi)
        out.insert(out.end(), cemi->begin(), cemi->end());
    Finish(start, out);
}
} // namespace

ScanResult ScanFrame(const uint8_t* bytes, size_t size, FrameSpan& span)
{
    span = FrameSpan{};
    size_t i = 0;
    for (; bytes && i + kHeaderSize <= size; ++i)
    {
        if (bytes[i] != kHeaderByte0 || bytes[i + 1] != kHeaderByte1)
            continue;
        uint16_t length = BigEndian16(bytes + i + 4);
        if (length < kHeaderSize || length > kMaxFrameLength)
            continue;
        span.start = i;
        span.service = BigEndian16(bytes + i + 2);
        span.totalLength = length;
        return length <= size - i ? ScanResult::Frame : ScanResult::Incomplete;
    }
    // The last bytes may still be the front of a header that is on its way.
    span.start = i;
    return ScanResult::None;
}

void BuildConnectRequest(const Hpai& control, const Hpai& data, std::vector<uint8_t>& out)
{
    size_t start = Begin(ConnectRequest, out);
    PutHpai(control, out);
    PutHpai(data, out);
    // Connection request block: tunnel connection on the link layer.
    for (uint8_t b : {0x04, 0x04, 0x02, 0x00})
        out.push_back(b);
    Finish(start, out);
}

void BuildConnectionStateRequest(uint8_t channel, const Hpai& control, std::vector<uint8_t>& out)
{
    ChannelRequest(ConnectionStateRequest, channel, control, out);
}

void BuildDisconnectRequest(uint8_t channel, const Hpai& control, std::vector<uint8_t>& out)
{
    ChannelRequest(DisconnectRequest, channel, control, out);
}

void BuildTunnellingRequest(uint8_t channel, uint8_t sequence, const std::vector<uint8_t>& cemi,
                            std::vector<uint8_t>& out)
{
    ConnectionHeaderFrame(TunnellingRequest, channel, sequence, 0x00, &cemi, out);
}

void BuildTunnellingAck(uint8_t channel, uint8_t sequence, uint8_t status, std::vector<uint8_t>& out)
{
    ConnectionHeaderFrame(TunnellingAck, channel, sequence, status, nullptr, out);
}

bool ParseConnectResponse(const uint8_t* body, size_t size, ConnectResult& out)
{
    out = ConnectResult{};
    CBlobReader reader(body, size);
    reader.U8(out.channel);
    reader.U8(out.status);
    if (!reader.Ok())
        return false;
    if (out.status != 0)
        return true;
    uint8_t address = 0;
    reader.Skip(kHpaiLength); // data endpoint of the server
    reader.Skip(2);           // length and type of the response block
    reader.U8(address);
    reader.U8(out.device);
    out.area = address >> 4;
    out.line = address & 0x0F;
    return reader.Ok();
}

bool ParseChannelStatus(const uint8_t* body, size_t size, uint8_t& channel, uint8_t& status)
{
    CBlobReader reader(body, size);
    reader.U8(channel);
    reader.U8(status);
    return reader.Ok();
}

bool ParseConnectionHeader(const uint8_t* body, size_t size, ConnectionHeader& out)
{
    out = ConnectionHeader{};
    CBlobReader reader(body, size);
    uint8_t length = 0;
    reader.U8(length);
    reader.U8(out.channel);
    reader.U8(out.sequence);
    reader.U8(out.status);
    // The header states its own length; a longer one is stepped over, a shorter one is damaged.
    if (!reader.Ok() || length < kConnectionHeaderLength || length > size)
        return false;
    out.cemiOffset = length;
    return true;
}
} // namespace KnxNetIp

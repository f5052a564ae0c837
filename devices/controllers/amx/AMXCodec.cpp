#include "devices/controllers/amx/AMXCodec.h"

#include "common/BlobReader.h"
#include "devices/controllers/amx/AMXPacketCodec.h"
#include "devices/controllers/amx/AMXValue.h"

namespace
{
// The bytes before a frame's length field and the checksum after the counted bytes.
constexpr int32_t kLengthEnd = 3;
// The shortest length a message may give: its header after the length field.
constexpr int32_t kMinMessageLength = CAMXCodec::kHeaderLength - kLengthEnd;
// The shortest envelope length: the envelope's own fields after the length field and a whole
// message with its checksum.
constexpr int32_t kMinEnvelopeLength =
    CAMXCodec::kEnvelopeHeaderLength - kLengthEnd + CAMXCodec::kHeaderLength + 1;

void PutText(std::vector<uint8_t>& out, const std::string& text)
{
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

bool ReadReportAddress(CBlobReader& reader, AMXReport& report)
{
    return reader.U16BE(report.device) && reader.U16BE(report.port) && reader.U16BE(report.system);
}
} // namespace

FrameVerdict CAMXCodec::Check(const uint8_t* bytes, int32_t available) const
{
    if (bytes[0] != kMessageStart && bytes[0] != kEnvelopeStart)
        return FrameVerdict::None();
    if (available < kLengthEnd)
        return FrameVerdict::More();
    const int32_t length = bytes[1] << 8 | bytes[2];
    // A length too short for the header would have the header read from the bytes after the frame.
    if (length < (bytes[0] == kMessageStart ? kMinMessageLength : kMinEnvelopeLength))
        return FrameVerdict::None();
    const int32_t total = length + 4;
    if (available < total)
        return FrameVerdict::More();
    if (Checksum(bytes, total - 1) != bytes[total - 1])
        return FrameVerdict::None();
    return FrameVerdict::Whole(total);
}

uint8_t CAMXCodec::Checksum(const uint8_t* bytes, int32_t count)
{
    uint8_t sum = 0;
    for (int32_t i = 0; i < count; ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    return sum;
}

bool CAMXCodec::DecodeHeader(const uint8_t* message, int32_t length, AMXHeader& header)
{
    if (!message || length < kHeaderLength + 1)
        return false;
    CBlobReader reader(message, static_cast<size_t>(length));
    uint8_t start = 0;
    reader.U8(start);
    reader.U16BE(header.length);
    reader.U16BE(header.flags);
    reader.U16BE(header.destination.system);
    reader.U16BE(header.destination.device);
    reader.U16BE(header.destination.port);
    reader.U16BE(header.source.system);
    reader.U16BE(header.source.device);
    reader.U16BE(header.source.port);
    reader.U8(header.hops);
    reader.U16BE(header.messageId);
    reader.U16BE(header.command);
    return reader.Ok() && header.length >= kMinMessageLength && header.length + 4 <= length;
}

bool CAMXCodec::OpenEnvelope(const uint8_t* frame, int32_t length, const CAMXPacketCodec& codec,
                             std::vector<uint8_t>& message)
{
    // The body runs from the envelope's header to its checksum.
    const int32_t body = length - kEnvelopeHeaderLength - 1;
    if (!frame || frame[0] != kEnvelopeStart || body < kHeaderLength + 1)
        return false;
    message.assign(frame + kEnvelopeHeaderLength, frame + kEnvelopeHeaderLength + body);
    codec.Crypt(message.data(), body, frame + 9);
    AMXHeader header;
    return message[0] == kMessageStart && DecodeHeader(message.data(), body, header);
}

void CAMXCodec::PutWord(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

std::vector<uint8_t> CAMXCodec::BuildMessage(const AMXHeader& header, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> out;
    out.reserve(kHeaderLength + payload.size() + 1);
    out.push_back(kMessageStart);
    PutWord(out, static_cast<uint16_t>(kHeaderLength + payload.size() - kLengthEnd));
    PutWord(out, header.flags);
    PutWord(out, header.destination.system);
    PutWord(out, header.destination.device);
    PutWord(out, header.destination.port);
    PutWord(out, header.source.system);
    PutWord(out, header.source.device);
    PutWord(out, header.source.port);
    out.push_back(header.hops);
    PutWord(out, header.messageId);
    PutWord(out, header.command);
    out.insert(out.end(), payload.begin(), payload.end());
    out.push_back(Checksum(out.data(), static_cast<int32_t>(out.size())));
    return out;
}

std::vector<uint8_t> CAMXCodec::BuildEnvelope(const std::vector<uint8_t>& message, uint16_t system,
                                              uint16_t device, const CAMXPacketCodec& codec)
{
    std::vector<uint8_t> out;
    out.reserve(kEnvelopeHeaderLength + message.size() + 1);
    out.push_back(kEnvelopeStart);
    PutWord(out, static_cast<uint16_t>(message.size() + 10));
    PutWord(out, system);
    PutWord(out, device);
    out.push_back(0x01);
    out.push_back(0x04);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(kEnvelopeField >> shift));
    out.insert(out.end(), message.begin(), message.end());
    codec.Crypt(out.data() + kEnvelopeHeaderLength, static_cast<int32_t>(message.size()), out.data() + 9);
    out.push_back(Checksum(out.data(), static_cast<int32_t>(out.size())));
    return out;
}

void CAMXCodec::PutDeviceInfo(std::vector<uint8_t>& out, const AMXDeviceInfo& info)
{
    out.push_back(info.flag);
    out.push_back(info.second);
    PutWord(out, info.firstId);
    PutWord(out, info.secondId);
    out.insert(out.end(), info.serial, info.serial + sizeof info.serial);
    PutWord(out, info.thirdId);
    PutText(out, info.version);
    PutText(out, info.name);
    PutText(out, info.maker);
    out.push_back(info.addressType);
    out.push_back(static_cast<uint8_t>(info.address.size()));
    out.insert(out.end(), info.address.begin(), info.address.end());
}

bool CAMXCodec::DecodeChannel(const uint8_t* payload, int32_t length, AMXReport& report)
{
    CBlobReader reader(payload, length > 0 ? static_cast<size_t>(length) : 0);
    return ReadReportAddress(reader, report) && reader.U16BE(report.number);
}

bool CAMXCodec::DecodeLevel(const uint8_t* payload, int32_t length, AMXReport& report, CAMXValue& value)
{
    CBlobReader reader(payload, length > 0 ? static_cast<size_t>(length) : 0);
    uint8_t type = 0;
    if (!ReadReportAddress(reader, report) || !reader.U16BE(report.number) || !reader.U8(type))
        return false;
    return value.Read(type, reader.Here(), static_cast<int32_t>(reader.Remaining()));
}

bool CAMXCodec::DecodeArray(const uint8_t* payload, int32_t length, AMXReport& report, uint8_t& elementSize,
                            std::string& bytes)
{
    CBlobReader reader(payload, length > 0 ? static_cast<size_t>(length) : 0);
    uint16_t count = 0;
    bytes.clear();
    if (!ReadReportAddress(reader, report) || !reader.U8(elementSize) || !reader.U16BE(count))
        return false;
    // The peer's count and size are trusted only as far as the frame holds them.
    const size_t size = size_t{count} * elementSize;
    if (size > reader.Remaining())
        return false;
    if (size > 0)
        bytes.assign(reinterpret_cast<const char*>(reader.Here()), size);
    return true;
}

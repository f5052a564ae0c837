#include "devices/controllers/axico/AxicoCodec.h"

#include <cstdio>
#include <cstring>

namespace
{
struct Text
{
    const char* bytes;
    uint8_t kind;
};
const Text kTexts[] = {
    {"AC102\r", AxicoMessage::Greeting}, {"E\r", AxicoMessage::ModeRequest}, {"O\r", AxicoMessage::Ready},
    {"C\r", AxicoMessage::Closed},       {"S\r", AxicoMessage::Stop},
};
constexpr uint8_t kStatusStart = 'P';
constexpr int32_t kLeastLength = 5;
constexpr int32_t kExtendedLength = 6;
} // namespace

uint8_t CAxicoCodec::StatusChecksum(const uint8_t* frame)
{
    const int32_t extended = frame[1] >= kExtendedLength ? 1 : 0;
    return static_cast<uint8_t>(6 + frame[2] + frame[3] + frame[4] + frame[5] + extended);
}

FrameVerdict CAxicoCodec::Check(const uint8_t* bytes, int32_t available) const
{
    if (bytes[0] == kStatusStart)
    {
        if (available < 2)
            return FrameVerdict::More();
        const int32_t l = bytes[1];
        if (l < kLeastLength)
            return FrameVerdict::None();
        if (available < l + 2)
            return FrameVerdict::More();
        const uint8_t sum = StatusChecksum(bytes);
        if (bytes[l + 1] != sum)
            return FrameVerdict::None();
        if (l >= kExtendedLength)
        {
            const int32_t second = l <= 12 ? 12 : 11;
            // The second checksum must lie within the frame.
            if (second >= l + 2 || (l <= 12 && bytes[6] == 0) || bytes[second] != sum)
                return FrameVerdict::None();
        }
        return FrameVerdict::Whole(l + 2);
    }
    for (const Text& text : kTexts)
    {
        const auto length = static_cast<int32_t>(std::strlen(text.bytes));
        const int32_t n = available < length ? available : length;
        if (std::memcmp(bytes, text.bytes, static_cast<size_t>(n)) != 0)
            continue;
        return n == length ? FrameVerdict::Whole(length) : FrameVerdict::More();
    }
    return FrameVerdict::None();
}

AxicoMessage CAxicoCodec::Classify(const uint8_t* frame, int32_t length)
{
    AxicoMessage message;
    if (length >= kLeastLength + 2 && frame[0] == kStatusStart)
    {
        message.kind = frame[1] >= kExtendedLength ? AxicoMessage::ExtendedStatus : AxicoMessage::Status;
        std::memcpy(message.address, frame + 2, 3);
        message.command = frame[5];
        return message;
    }
    for (const Text& text : kTexts)
    {
        if (static_cast<size_t>(length) == std::strlen(text.bytes) &&
            std::memcmp(frame, text.bytes, static_cast<size_t>(length)) == 0)
            message.kind = text.kind;
    }
    return message;
}

std::string CAxicoCodec::WriteCommand(const uint8_t address[3], uint8_t command)
{
    const auto sum = static_cast<uint8_t>(address[0] + address[1] + address[2] + command + 6);
    char text[16];
    std::snprintf(text, sizeof text, "S05%02X%02X%02X%02X%02X\r", address[0], address[1], address[2], command,
                  sum);
    return text;
}

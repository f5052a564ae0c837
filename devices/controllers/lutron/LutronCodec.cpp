#include "devices/controllers/lutron/LutronCodec.h"

#include <cstdio>
#include <vector>

namespace
{
char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Index of `word` in `text` ignoring ASCII case, or npos.
size_t FindNoCase(const std::string& text, const char* word)
{
    const std::string needle(word);
    if (needle.size() > text.size())
        return std::string::npos;
    for (size_t i = 0; i + needle.size() <= text.size(); ++i)
    {
        size_t k = 0;
        while (k < needle.size() && Lower(text[i + k]) == Lower(needle[k]))
            ++k;
        if (k == needle.size())
            return i;
    }
    return std::string::npos;
}

std::vector<std::string> SplitFields(const std::string& text)
{
    std::vector<std::string> fields;
    size_t start = 0;
    for (;;)
    {
        const size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            return fields;
        start = comma + 1;
    }
}

// "0x" and up to 8 hexadecimal digits; false for anything else.
bool ParseSerial(const std::string& text, uint32_t& serial)
{
    if (text.size() < 3 || text[0] != '0' || Lower(text[1]) != 'x' || text.size() > 10)
        return false;
    uint32_t value = 0;
    for (size_t i = 2; i < text.size(); ++i)
    {
        const char c = Lower(text[i]);
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else
            return false;
        value = (value << 4) | digit;
    }
    serial = value;
    return true;
}

// Leading decimal digits (a fraction such as "75.00" is cut), at most `limit`; false when the
// text starts with no digit or the number is larger.
bool ParseNumber(const std::string& text, int32_t limit, int32_t& number)
{
    int64_t value = 0;
    size_t i = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
    {
        value = value * 10 + (text[i] - '0');
        if (value > limit)
            return false;
        ++i;
    }
    if (i == 0)
        return false;
    number = static_cast<int32_t>(value);
    return true;
}

bool StartsWithNoCase(const std::string& text, const char* word)
{
    const std::string prefix(word);
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
    {
        if (Lower(text[i]) != Lower(prefix[i]))
            return false;
    }
    return true;
}
} // namespace

uint16_t CLutronCodec::FindKeyword(const std::string& text, size_t& end)
{
    static const struct
    {
        const char* word;
        uint16_t kind;
    } kKeywords[] = {
        {"login:", LutronMessage::LoginPrompt},
        {"connection established", LutronMessage::ConnectionEstablished},
        {"closing connection", LutronMessage::ClosingConnection},
    };
    for (const auto& keyword : kKeywords)
    {
        const size_t at = FindNoCase(text, keyword.word);
        if (at != std::string::npos)
        {
            end = at + std::string(keyword.word).size();
            return keyword.kind;
        }
    }
    return LutronMessage::None;
}

bool CLutronCodec::ParseReport(const std::string& line, LutronMessage& message)
{
    if (line.empty() || line[0] != '~' || static_cast<int32_t>(line.size()) > kMaxLine)
        return false;
    const size_t comma = line.find(',');
    const std::string keyword = line.substr(1, comma == std::string::npos ? std::string::npos : comma - 1);
    const std::string fields = comma == std::string::npos ? std::string() : line.substr(comma + 1);
    message = LutronMessage();
    if (keyword == "DEVICE")
        return ParseDevice(fields, message);
    if (keyword == "DETAILS")
        return ParseDetails(fields, message);
    if (keyword == "MONITORING")
    {
        message.kind = LutronMessage::Monitoring;
        return true;
    }
    if (StartsWithNoCase(keyword, "error"))
    {
        message.kind = LutronMessage::Error;
        return true;
    }
    return false;
}

bool CLutronCodec::ParseDevice(const std::string& fields, LutronMessage& message)
{
    const std::vector<std::string> parts = SplitFields(fields);
    int32_t a = 0;
    int32_t b = 0;
    if (parts.size() < 3 || !ParseSerial(parts[0], message.serial) || !ParseNumber(parts[1], 255, a) ||
        !ParseNumber(parts[2], 255, b))
        return false;
    if (b == kCodeLevel)
    {
        message.code = kCodeLevel;
        message.second = static_cast<uint8_t>(a);
    }
    else
    {
        message.code = static_cast<uint8_t>(a);
        message.second = static_cast<uint8_t>(b);
    }
    int32_t parameter = -1;
    if (parts.size() >= 4 && !ParseNumber(parts[3], 32767, parameter))
        parameter = -1;
    message.parameter = static_cast<int16_t>(parameter);
    message.kind = LutronMessage::DeviceReport;
    return true;
}

bool CLutronCodec::ParseDetails(const std::string& fields, LutronMessage& message)
{
    bool haveSerial = false;
    for (const std::string& field : SplitFields(fields))
    {
        const size_t colon = field.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string key = field.substr(0, colon);
        const std::string value = field.substr(colon + 1);
        if (key == "SN")
            haveSerial = ParseSerial(value, message.details.serial);
        else if (key == "FAMILY")
        {
            if (value.find("CONTROL_INTERFACE") != std::string::npos)
                message.details.family = LutronDetails::FamilyControlInterface;
            else if (value.find("KEYPAD") != std::string::npos)
                message.details.family = LutronDetails::FamilyKeypad;
        }
    }
    if (!haveSerial)
        return false;
    message.serial = message.details.serial;
    message.kind = LutronMessage::Details;
    return true;
}

bool CLutronCodec::LutronWriteCommand(std::string& out, uint32_t serial, uint8_t prefixKind,
                                      uint8_t commandKind, uint8_t code, int32_t number, int32_t value)
{
    if ((prefixKind != 1 && prefixKind != 2) || commandKind != kCommandDevice)
        return false;
    char text[96];
    int n = 0;
    n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%cDEVICE,",
                       prefixKind == 1 ? '#' : '?');
    if (serial != 0)
        n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "0x%.8x,", serial);
    if (code == kCodeLevel)
        n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%d,%d,%d", number, 14, value);
    else if (code == kCodeIndicator && value < 0)
        n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%d,%d", 141, number);
    else if (code == kCodeIndicator)
        n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%d,%d,%d", 141, number, value);
    else
        n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%d,%d", code, number);
    out.append(text, static_cast<size_t>(n));
    out.append("\r\n");
    return true;
}

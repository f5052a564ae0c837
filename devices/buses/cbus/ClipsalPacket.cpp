#include "devices/buses/cbus/ClipsalPacket.h"

void CClipsalPacket::Begin(const uint8_t* path, uint8_t pathLength, uint8_t unit, uint8_t application)
{
    if (pathLength > kMaxPath)
        pathLength = kMaxPath;
    uint8_t header = application == 0 ? 3 : (pathLength != 0 ? 6 : 5);
    Put(header);
    if (header == 5)
        return;
    for (uint8_t i = 0; i < pathLength; ++i)
        Put(path[i]);
    Put(unit);
    if (header == 3 && pathLength == 0)
        Put(0);
}

uint8_t CClipsalPacket::Checksum(const uint8_t* bytes, size_t length)
{
    uint8_t sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    return static_cast<uint8_t>(0x100 - sum);
}

bool CClipsalPacket::Finish(std::string& text) const
{
    text.clear();
    if (m_bytes.empty() || m_bytes.size() > kMaxBytes)
        return false;
    static const char kDigits[] = "0123456789ABCDEF";
    text.reserve(m_bytes.size() * 2 + 5);
    text.push_back('\\');
    auto put = [&](uint8_t b)
    {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 15]);
    };
    for (uint8_t b : m_bytes)
        put(b);
    put(Checksum(m_bytes.data(), m_bytes.size()));
    text.push_back('g');
    text.push_back('\r');
    return true;
}

uint8_t ClipsalHexDigit(uint8_t c)
{
    if (c >= '0' && c <= '9')
        return static_cast<uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<uint8_t>(c - 'A' + 10);
    return 255;
}

std::vector<uint8_t> ClipsalDecodeHex(const uint8_t* text, size_t length, size_t maxBytes)
{
    // Digit pairs make the bytes the handlers index; one value per digit would halve every
    // offset they read.
    std::vector<uint8_t> bytes;
    int high = -1;
    for (size_t i = 0; i < length && bytes.size() < maxBytes; ++i)
    {
        uint8_t d = ClipsalHexDigit(text[i]);
        if (d == 255)
            continue;
        if (high < 0)
            high = d;
        else
        {
            bytes.push_back(static_cast<uint8_t>(high << 4 | d));
            high = -1;
        }
    }
    return bytes;
}

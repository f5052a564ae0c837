#include "devices/buses/shturman/ShturmanD12SS20Codec.h"

#include <cstdio>

#include "common/Checksums.h"

FrameVerdict CShturmanD12SS20Codec::Check(const uint8_t* bytes, int32_t available) const
{
    if ((bytes[0] & 0x80) == 0)
        return FrameVerdict::None();
    if (available < 2)
        return FrameVerdict::More();
    // At least the command byte: a length of 0 or 1 would give no reply byte at all.
    const int32_t l = bytes[1];
    if (l < 2)
        return FrameVerdict::None();
    if (available < l + 2)
        return FrameVerdict::More();
    return bytes[l + 1] == ShturmanSum7(bytes, static_cast<size_t>(l) + 1) ? FrameVerdict::Whole(l + 2)
                                                                           : FrameVerdict::None();
}

std::vector<uint8_t> CShturmanD12SS20Codec::Frame(uint8_t module, uint8_t command,
                                                  const std::vector<uint8_t>& arguments)
{
    std::vector<uint8_t> frame = {static_cast<uint8_t>(0x80 + (module & 0x7F)),
                                  static_cast<uint8_t>(2 + arguments.size()), command};
    frame.insert(frame.end(), arguments.begin(), arguments.end());
    frame.push_back(ShturmanSum7(frame.data(), frame.size()));
    return frame;
}

uint8_t CShturmanD12SS20Codec::RequestCommand(uint8_t tag)
{
    switch (tag)
    {
    case TagDiscovery:
        return 0x22;
    case TagVersion:
        return 0x5E;
    case TagStatus:
        return 0x02;
    case TagValue:
        return 0x64;
    case TagPair:
        return 0x36;
    case TagTime:
        return 0x32;
    case TagBits:
        return 0x99;
    default:
        return 0;
    }
}

int32_t CShturmanD12SS20Codec::MinimumReply(uint8_t tag)
{
    switch (tag)
    {
    case TagDiscovery:
    case TagStatus:
    case TagValue:
        return 1;
    case TagTime:
        return 3;
    case TagVersion:
        return 4;
    case TagPair:
        return 5;
    case TagBits:
        return 6;
    default:
        return 0x10000;
    }
}

bool CShturmanD12SS20Codec::Command(uint8_t kind, uint8_t subIndex, uint8_t v, uint8_t w, uint8_t type,
                                    uint8_t& command, std::vector<uint8_t>& arguments)
{
    arguments.clear();
    const auto high7 = static_cast<uint8_t>(v >> 7);
    const auto low7 = static_cast<uint8_t>(v & 0x7F);
    switch (kind)
    {
    case 0:
        if (subIndex == 30 && type == kTypeNew)
        {
            command = 0x04;
            arguments.insert(arguments.end(), 30, v);
            arguments.insert(arguments.end(), 20, w);
            arguments.insert(arguments.end(), 10, static_cast<uint8_t>(w >> 1));
            return true;
        }
        if (subIndex >= 30)
            return false;
        command = 0x3B;
        if (type == kTypeOld)
            arguments.push_back(0x02);
        arguments.push_back(subIndex);
        arguments.push_back(v);
        arguments.push_back(subIndex >= 20 ? static_cast<uint8_t>(w >> 1) : w);
        return true;
    case 2:
    case 3:
    case 4:
    case 5:
    {
        static const uint8_t kCommands[] = {0x06, 0x07, 0x08, 0x62};
        command = kCommands[kind - 2];
        arguments = {high7, low7};
        return true;
    }
    case 6:
        command = 0x13;
        arguments.push_back(v);
        if (type == kTypeOld)
            arguments.push_back(0x01);
        return true;
    case 7:
        if (type != kTypeNew)
            return false;
        command = 0x27;
        arguments = {low7};
        return true;
    case 8:
    case 9:
        command = kind == 8 ? 0x15 : 0x14;
        arguments = {low7};
        return true;
    case 10:
    case 11:
    case 12:
    case 13:
    {
        if (type != kTypeNew)
            return false;
        static const uint8_t kCommands[] = {0x12, 0x5A, 0x5B, 0x5C};
        command = kCommands[kind - 10];
        arguments = {low7};
        return true;
    }
    case 14:
        command = 0x5D;
        if (type == kTypeNew)
            arguments = {high7, low7};
        else if (type == kTypeOld)
            arguments = {static_cast<uint8_t>(v >> 4), static_cast<uint8_t>(v & 0x0F)};
        else
            return false;
        return true;
    case 18:
        if (type != kTypeNew)
            return false;
        command = 0x65;
        arguments = {static_cast<uint8_t>(v & 0x0A)};
        return true;
    default:
        return false;
    }
}

uint32_t CShturmanD12SS20Codec::Version(const uint8_t* reply)
{
    return uint32_t{reply[2]} << 24 | uint32_t{reply[3]} << 16 | uint32_t{reply[1]} << 8 | reply[0];
}

uint8_t CShturmanD12SS20Codec::TypeOfVersion(uint32_t version)
{
    return version <= 0x20090805 ? kTypeOld : kTypeNew;
}

std::string CShturmanD12SS20Codec::TimeText(uint8_t seconds, uint8_t minutes, uint8_t hours)
{
    const int s = ((seconds >> 4) & 0x07) * 10 + (seconds & 0x0F);
    const int m = ((minutes >> 4) & 0x07) * 10 + (minutes & 0x0F);
    char text[32];
    if (hours & 0x40)
    {
        const int h = (hours & 0x0F) + ((hours & 0x10) ? 10 : 0);
        std::snprintf(text, sizeof text, "%02d:%02d:%02d %s", h, m, s, (hours & 0x20) ? "PM" : "AM");
    }
    else
    {
        const int h = (hours & 0x0F) + 10 * ((hours >> 4) & 0x03);
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", h, m, s);
    }
    return text;
}

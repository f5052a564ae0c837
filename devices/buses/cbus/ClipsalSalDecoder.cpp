#include "devices/buses/cbus/ClipsalSalDecoder.h"

#include "devices/buses/cbus/ClipsalHvacZone.h"

namespace
{
constexpr uint8_t kLighting = 0x38;
constexpr uint8_t kHvacLevels = 0x73;
constexpr uint8_t kAircon = 0xAC;

// Reads the path bytes that a peer's count announces: at most 7 are kept, and never past `end`.
size_t ReadPath(const uint8_t* p, size_t at, size_t end, size_t count, CClipsalSalHandler::Source& source)
{
    size_t kept = 0;
    for (size_t i = 0; i < count && at < end; ++i, ++at)
    {
        if (kept < sizeof source.path)
            source.path[kept++] = p[at];
    }
    source.pathLength = static_cast<uint8_t>(kept);
    return at;
}
} // namespace

void CClipsalSalDecoder::DecodeMonitored(const uint8_t* p, size_t n)
{
    if (n < 4)
        return;
    CClipsalSalHandler::Source source;
    source.unit = p[1];
    const uint8_t application = p[2];
    size_t at = 4;
    if (source.unit != 0 && p[3] != 0)
        at = ReadPath(p, 4, n, p[3], source);
    // The last byte is the checksum: commands end where no more than two bytes remain.
    auto left = [&]() { return at < n ? n - at : 0; };
    uint8_t rampLevel = 0;
    while (left() > 2)
    {
        const uint8_t* c = p + at;
        const size_t body = left() - 1; // without the checksum
        switch (application)
        {
        case kLighting:
            if (c[0] == 0x79 || c[0] == 0x01)
            {
                m_handler.OnLevel(source, application, c[0], c[1], rampLevel);
                at += 2;
            }
            else
            {
                if (body < 3)
                    return;
                rampLevel = c[2];
                m_handler.OnLevel(source, application, c[0], c[1], c[2]);
                at += 3;
            }
            break;
        case kHvacLevels:
            if (body < 3)
                return;
            m_handler.OnStoreLevel(application, c[1], c[2]);
            m_handler.OnLevel(source, application, 0, c[1], c[2]);
            at += 3;
            break;
        case kAircon:
        {
            const size_t length = ClipsalHvacZone::CommandLength(c, body);
            if (length == 0)
                return;
            m_handler.OnHvac(source, c, length);
            at += length;
            break;
        }
        case 0xC0:
        case 0xD0:
            at += 2;
            break;
        case 0xD1:
            if (c[0] == 0x0D)
            {
                if (body < 7)
                    return;
                const uint8_t unitCode = c[1];
                // Unit codes 0x81-0x84 are scaled values whose low byte means nothing alone.
                if (unitCode < 0x81 || unitCode > 0x84)
                    m_handler.OnMeasurement(source, application, unitCode, false, 0, c[6]);
                at += 7;
            }
            else
                at += 1;
            break;
        case 0xE4:
            if (body < 8)
                return;
            m_handler.OnMeasurement(source, application, c[0], true, c[1],
                                    static_cast<double>(c[5]) * static_cast<double>(c[6]));
            at += 8;
            break;
        default:
            return;
        }
    }
}

bool CClipsalSalDecoder::DecodeLevel(uint8_t first, uint8_t second, uint8_t& level, bool& unavailable)
{
    unavailable = false;
    const uint8_t digits[4] = {static_cast<uint8_t>(first >> 4), static_cast<uint8_t>(first & 15),
                               static_cast<uint8_t>(second >> 4), static_cast<uint8_t>(second & 15)};
    if (first == 0 && second == 0)
        return false;
    if (first == 0 && second == 0xFF)
    {
        unavailable = true;
        return false;
    }
    uint8_t byte = 0;
    for (uint8_t d : digits)
        byte = static_cast<uint8_t>(byte << 2 | ((d >> 2) & 1) << 1 | (d & 1));
    level = static_cast<uint8_t>(byte << 4 | byte >> 4);
    return true;
}

void CClipsalSalDecoder::DecodeStatusReply(const uint8_t* p, size_t n)
{
    CClipsalSalHandler::Source source;
    size_t at = 0;
    uint8_t x = 0;
    if (n >= 1 && p[0] == 0x86)
    {
        if (n < 4)
            return;
        source.unit = p[1];
        const size_t count = p[3] > 1 ? p[3] - 1u : 0u;
        at = ReadPath(p, 4, n, count, source);
        if (n - at < 3)
            return;
        x = p[at + 1];
        at += 2; // at E
    }
    else
    {
        if (n < 2)
            return;
        at = 1; // at E
    }
    const uint8_t header = p[at == 1 ? 0 : at - 2];
    const uint8_t length = static_cast<uint8_t>(header + 32);
    uint8_t e = p[at++];
    uint8_t coding;
    uint8_t application;
    if (e <= 0x2F)
    {
        if (at >= n)
            return;
        coding = e;
        application = p[at++];
    }
    else
    {
        application = e;
        coding = x;
    }
    if (at >= n)
        return;
    const uint8_t firstGroup = p[at++];
    if (coding != 0x07 && coding != 0x47)
        return;
    const size_t levels = length > 5 ? (length - 5u) / 2u : 0u;
    for (size_t k = 0; k < levels; ++k, at += 2)
    {
        // The peer's count may reach past the packet or past group 255: both end the reply.
        if (at + 2 > n || firstGroup + k > 255)
            return;
        const uint8_t group = static_cast<uint8_t>(firstGroup + k);
        uint8_t level = 0;
        bool unavailable = false;
        if (DecodeLevel(p[at], p[at + 1], level, unavailable))
        {
            m_handler.OnLevel(source, application, 0, group, level);
            m_handler.OnStoreLevel(application, group, level);
        }
        else if (unavailable)
            m_handler.OnLevelUnavailable(source, application, static_cast<uint8_t>(firstGroup & 0xE0));
    }
}

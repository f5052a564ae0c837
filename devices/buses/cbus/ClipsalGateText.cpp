#include "devices/buses/cbus/ClipsalGateText.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "devices/buses/cbus/ClipsalHvacZone.h"

namespace
{
std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    size_t at = 0;
    while (at < text.size())
    {
        size_t end = text.find(' ', at);
        if (end == std::string::npos)
            end = text.size();
        if (end > at)
            words.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

// The decimal number at `from` (digits only, at most 9 of them); false when there is none.
bool LeadingNumber(const std::string& s, size_t from, int32_t& value)
{
    value = 0;
    size_t i = from;
    for (; i < s.size() && i < from + 9 && s[i] >= '0' && s[i] <= '9'; ++i)
        value = value * 10 + (s[i] - '0');
    return i > from;
}

// "//project/network/application/group": every number must fit a byte.
bool ParseAddress(const std::string& word, ClipsalGateEvent& e)
{
    if (word.compare(0, 2, "//") != 0)
        return false;
    const size_t slash = word.find('/', 2);
    if (slash == std::string::npos)
        return false;
    e.project = word.substr(2, slash - 2);
    int32_t parts[3] = {0, 0, 0};
    size_t at = slash + 1;
    for (int i = 0; i < 3; ++i)
    {
        if (!LeadingNumber(word, at, parts[i]) || parts[i] > 255)
            return false;
        at = word.find('/', at);
        if (i < 2 && at == std::string::npos)
            return false;
        ++at;
    }
    e.network = static_cast<uint8_t>(parts[0]);
    e.application = static_cast<uint8_t>(parts[1]);
    e.group = static_cast<uint8_t>(parts[2]);
    return true;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0)
        return std::string();
    return std::string(buffer,
                       static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1);
}
} // namespace

bool ClipsalGateEvent::Parse(const std::string& text)
{
    const std::vector<std::string> words = Words(text);
    size_t i = 0;
    if (i < words.size() && words[i] == "#")
        ++i;
    if (i + 1 >= words.size())
        return false;
    applicationName = words[i++];
    eventWord = words[i++];
    command = ClipsalGateText::EventCode(eventWord);
    level = eventWord == "on" ? 255 : 0;
    addressed = i < words.size() && ParseAddress(words[i], *this);
    if (i < words.size())
        ++i;
    valueCount = 0;
    for (; i < words.size(); ++i)
    {
        const std::string& w = words[i];
        if (w.find("sourceunit") != std::string::npos)
            break;
        if (w[0] != '#')
        {
            if (valueCount == kMaxValues)
                continue;
            int32_t v = 0;
            LeadingNumber(w, 0, v);
            values[valueCount++] = v;
            continue;
        }
        int32_t* current = valueCount > 0 ? &values[valueCount - 1] : nullptr;
        if (!current)
        {
            values[0] = 0;
            valueCount = 1;
            current = &values[0];
        }
        if (w.find("level") != std::string::npos)
        {
            const size_t eq = w.find('=');
            if (eq != std::string::npos)
                LeadingNumber(w, eq + 1, *current);
        }
        else if (w.find(',') != std::string::npos)
        {
            for (size_t c = w.find(','); c != std::string::npos; c = w.find(',', c + 1))
            {
                int32_t bit = 0;
                if (LeadingNumber(w, c + 1, bit) && bit < 31)
                    *current |= int32_t{1} << bit;
            }
        }
    }
    return true;
}

namespace ClipsalGateText
{
uint8_t EventCode(const std::string& word)
{
    static const struct
    {
        const char* word;
        uint8_t code;
    } kCodes[] = {
        {"on", 0x79},
        {"off", 0x01},
        {"ramp", 2},
        {"terminateramp", 9},
        {"set_humidity_setback_limit", 125},
        {"set_humidity_lower_guard_limit", 117},
        {"set_humidity_upper_guard_limit", 109},
        {"set_hvac_upper_guard_limit", 85},
        {"set_hvac_lower_guard_limit", 93},
        {"set_hvac_setback_limit", 101},
        {"set_ward_on", 0x79},
        {"set_ward_off", 0x01},
        {"set_zone_humidity_mode", 71},
        {"set_zone_hvac_mode", 47},
        {"humidity_schedule_entry", 169},
        {"hvac_schedule_entry", 137},
        {"zone_humidity", 29},
        {"zone_humidity_plant_status", 13},
        {"zone_hvac_plant_status", 5},
        {"zone_temperature", 21},
        {"set_plant_hvac_level", 54},
        {"DATA", 54},
    };
    for (const auto& c : kCodes)
    {
        if (word == c.word)
            return c.code;
    }
    return 0;
}

uint8_t ApplicationCode(const std::string& name)
{
    if (name == "lighting")
        return 0x38;
    if (name == "hvac1")
        return 0x73;
    if (name == "hvac2")
        return 0x74;
    if (name == "aircon")
        return 0xAC;
    if (name == "MEASUREMENT")
        return 0xE4;
    return 0;
}

bool ParseNetworkLine(const std::string& text, uint8_t& network, uint8_t& state)
{
    const std::vector<std::string> words = Words(text);
    if (words.size() < 2 || words[0] != "Network")
        return false;
    const size_t colon = words[1].find(':');
    int32_t number = 0;
    if (colon == std::string::npos || !LeadingNumber(words[1], colon + 1, number) || number > 255)
        return false;
    network = static_cast<uint8_t>(number);
    state = 255;
    if (words.size() < 5)
        return true;
    const size_t eq = words[4].find('=');
    const std::string value = eq == std::string::npos ? std::string() : words[4].substr(eq + 1);
    if (value == "ok")
        state = 1;
    else if (value == "sync")
        state = 2;
    else if (value == "error")
        state = 0;
    else if (value == "new")
        state = 3;
    return true;
}

std::string OnOff(const std::string& project, uint8_t network, uint8_t application, uint8_t group, bool on)
{
    return Format("%s//%s/%d/%d/%.2d\r\n", on ? "on " : "off ", project.c_str(), network, application, group);
}

std::string Ramp(const std::string& project, uint8_t network, uint8_t application, uint8_t group,
                 uint8_t level)
{
    return Format("ramp //%s/%d/%d/%d %d 0s\r\n", project.c_str(), network, application, group, level);
}

std::string ZoneList(uint8_t zones)
{
    std::string text = "0";
    for (int bit = 0; bit < 6; ++bit)
    {
        if (zones & (1u << bit))
            text += "," + std::to_string(bit);
    }
    return text;
}

std::string Aircon(const std::string& project, uint8_t network, const ClipsalHvacZone& zone, uint8_t index,
                   uint8_t data0, uint8_t data1)
{
    const uint8_t* b = zone.bytes;
    if (index <= 5 || index == 14 || index == 19)
    {
        const char* form = data0 == 1   ? "set_zone_hvac_mode"
                           : data0 == 2 ? "set_zone_humidity_mode"
                                        : nullptr;
        if (!form)
            return std::string();
        return Format("aircon %s //%s/%d/172 % d %s %d %d %d %d %d %d %d %d\r\n", form, project.c_str(),
                      network, zone.Group(), ZoneList(zone.ZoneList()).c_str(), b[3], b[4], b[5], b[6], b[7],
                      b[24], b[21] << 8, zone.LevelByte());
    }
    if (index == 23)
    {
        const char* form = b[25] == 0 ? "set_ward_off" : b[25] == 1 ? "set_ward_on" : nullptr;
        if (!form)
            return std::string();
        return Format("aircon %s //%s/%d/172 %d\r\n", form, project.c_str(), network, data1);
    }
    return std::string();
}
} // namespace ClipsalGateText

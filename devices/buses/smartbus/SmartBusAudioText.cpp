// The audio player's text reports: zone status ("#Z...") and source display reports ("#S...DISP...").
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "common/StringFunctions.h"
#include "devices/buses/smartbus/SmartBusReply.h"

namespace
{
constexpr uint8_t kAudioKind = 11;
const DelimiterSet kFieldDelimiters[5] = {4, ',', '\r', '\n', 0};

enum Number : uint8_t
{
    ZoneSource = 128,
    ZoneVolume = 129,
    ZoneField4 = 130,
    ZoneField5 = 131,
    Progress = 132,
    PositionText = 133,
    DurationText = 134,
    PlayStatus = 135,
    PlayMode = 136,
    Line1 = 137,
    Line4 = 140,
    ToneBass = 141,
    ToneTreble = 142,
};

// The player's decimal numbers: optional blanks and sign, then digits; clamped to 32 bits.
int32_t Decimal(const char* text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = false;
    if (*text == '-' || *text == '+')
        negative = *text++ == '-';
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
    {
        value = value * 10 + (*text - '0');
        if (value > INT32_MAX)
            value = INT32_MAX;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

struct Field
{
    std::unique_ptr<char[]> text;
    size_t length = 0;

    bool Present() const { return text != nullptr; }
    // The number from the field's character `from` on (0-based); false when the field is shorter.
    bool NumberFrom(size_t from, int32_t& value) const
    {
        if (!text || length < from)
            return false;
        value = Decimal(text.get() + from);
        return true;
    }
};

Field NextField(const char** cursor)
{
    Field field;
    field.text.reset(NextToken(kFieldDelimiters, cursor));
    field.length = field.text ? std::strlen(field.text.get()) : 0;
    return field;
}

struct Reporter
{
    uint8_t subnet;
    uint8_t device;
    int32_t key;
    std::vector<SmartBusUpdate>& updates;

    void Value(uint8_t number, float value)
    {
        SmartBusUpdate update;
        update.subnet = subnet;
        update.device = device;
        update.kind = kAudioKind;
        update.number = number;
        update.value = value;
        update.key = key;
        updates.push_back(std::move(update));
    }
    void Text(uint8_t number, bool hasText, const std::u16string& text)
    {
        Value(number, 0);
        updates.back().isText = true;
        updates.back().hasText = hasText;
        updates.back().text = text;
    }
};

std::u16string ClockText(int32_t seconds)
{
    if (seconds < 0)
        seconds = 0;
    char text[40];
    const int32_t hours = seconds / 3600;
    char prefix[16] = "";
    if (hours > 0)
        std::snprintf(prefix, sizeof prefix, "%d:", hours);
    const int32_t minutes = hours > 0 ? seconds / 60 % 60 : seconds / 60;
    std::snprintf(text, sizeof text, "%s%d:%.02d", prefix, minutes, seconds % 60);
    return std::u16string(text, text + std::strlen(text));
}

void ZoneStatus(const char* after, uint8_t subnet, uint8_t device, std::vector<SmartBusUpdate>& updates)
{
    const char* cursor = after;
    const int32_t zone = NextInt(&cursor);
    if (*cursor)
        ++cursor;
    Reporter report{subnet, device, zone, updates};
    if (!NextField(&cursor).Present())
        return;
    int32_t value = 0;
    Field source = NextField(&cursor);
    if (source.NumberFrom(3, value))
        report.Value(ZoneSource, static_cast<float>(value & 0xFF));
    Field volume = NextField(&cursor);
    if (volume.Present() && std::strcmp(volume.text.get(), "MUTE") != 0 && volume.NumberFrom(3, value))
        report.Value(ZoneVolume, static_cast<float>(value & 0xFF));
    Field fourth = NextField(&cursor);
    if (fourth.NumberFrom(3, value))
        report.Value(ZoneField4, static_cast<float>(value & 0xFF));
    Field fifth = NextField(&cursor);
    if (fifth.NumberFrom(4, value))
        report.Value(ZoneField5, static_cast<float>(value & 0xFF));
}

// The first position of `word` in the bytes from `from` on; -1 when it is not there.
int32_t Find(const uint8_t* bytes, int32_t length, int32_t from, const char* word)
{
    const int32_t n = static_cast<int32_t>(std::strlen(word));
    for (int32_t i = from; i + n <= length; ++i)
    {
        if (std::memcmp(bytes + i, word, static_cast<size_t>(n)) == 0)
            return i;
    }
    return -1;
}

void Display(const uint8_t* content, int32_t length, const std::string& text, uint8_t subnet, uint8_t device,
             std::vector<SmartBusUpdate>& updates)
{
    static const char* const kKeywords[] = {"DISPINFO",  "DISPTALK",  "DISPTONE",  "DISPUPDATE", "DISPMODE",
                                            "DISPLINE1", "DISPLINE2", "DISPLINE3", "DISPLINE4"};
    const char* cursor = text.c_str() + 1;
    const int32_t source = NextInt(&cursor);
    const int32_t afterNumber = static_cast<int32_t>(cursor - text.c_str());
    Reporter report{subnet, device, source, updates};
    int keyword = -1;
    int32_t at = -1;
    for (int k = 0; k < static_cast<int>(sizeof kKeywords / sizeof kKeywords[0]) && at < 0; ++k)
    {
        at = Find(content, length, afterNumber, kKeywords[k]);
        keyword = k;
    }
    if (at < 0)
        return;
    int32_t fields = at + static_cast<int32_t>(std::strlen(kKeywords[keyword]));
    if (fields < length && content[fields] == ',')
        ++fields;
    // The fields as text end at the first NUL (texts in the content may hold more).
    const char* fieldCursor = static_cast<size_t>(fields) < text.size() ? text.c_str() + fields : "";
    int32_t value = 0;
    switch (keyword)
    {
    case 0: // DISPINFO: duration and position in tenths of a second, then the play status
    {
        Field duration = NextField(&fieldCursor);
        Field position = NextField(&fieldCursor);
        Field status = NextField(&fieldCursor);
        int32_t tenthsDuration = 0;
        int32_t tenthsPosition = 0;
        if (duration.NumberFrom(3, tenthsDuration) && position.NumberFrom(3, tenthsPosition))
        {
            const int32_t seconds = tenthsDuration / 10;
            const int32_t at = tenthsPosition / 10;
            // Without a duration there is no share of it: the progress reads 0.
            const float progress =
                seconds != 0 ? static_cast<float>(static_cast<int64_t>(at) * 100 / seconds) : 0.0f;
            report.Value(Progress, progress);
            report.Text(PositionText, true, ClockText(at));
            report.Text(DurationText, true, ClockText(seconds));
        }
        if (status.NumberFrom(6, value))
            report.Value(PlayStatus, static_cast<float>(value));
        return;
    }
    case 2: // DISPTONE
    {
        Field bass = NextField(&fieldCursor);
        Field treble = NextField(&fieldCursor);
        if (bass.NumberFrom(4, value))
            report.Value(ToneBass, static_cast<float>(value));
        if (treble.NumberFrom(4, value))
            report.Value(ToneTreble, static_cast<float>(value));
        return;
    }
    case 4: // DISPMODE
    {
        Field mode = NextField(&fieldCursor);
        if (mode.NumberFrom(6, value))
            report.Value(PlayMode, static_cast<float>(value));
        return;
    }
    case 5:
    case 6:
    case 7:
    case 8: // DISPLINE1 to DISPLINE4: this line's text, the lines below it cleared
    {
        const uint8_t line = static_cast<uint8_t>(Line1 + keyword - 5);
        std::u16string lineText;
        const bool hasText =
            fields < length && smartbus::ReadText(content + fields, length - fields, lineText);
        report.Text(line, hasText, lineText);
        for (uint8_t below = static_cast<uint8_t>(line + 1); below <= Line4; ++below)
            report.Text(below, false, std::u16string());
        return;
    }
    default: // DISPTALK, DISPUPDATE
        return;
    }
}
} // namespace

void smartbus::DecodeAudioText(const uint8_t* content, int32_t length, uint8_t subnet, uint8_t device,
                               std::vector<SmartBusUpdate>& updates)
{
    if (!content || length <= 2 || content[0] != '#')
        return;
    const size_t textLength = strnlen(reinterpret_cast<const char*>(content), static_cast<size_t>(length));
    const std::string text(reinterpret_cast<const char*>(content), textLength);
    if (text.size() < 2)
        return;
    if (text[1] == 'Z')
        ZoneStatus(text.c_str() + 2, subnet, device, updates);
    else
        Display(content, length, text, subnet, device, updates);
}

#include "devices/controllers/amx/AMXResourceOptions.h"

#include <cstdint>
#include <cstring>

#include "common/StringFunctions.h"

namespace
{
// The text just behind the two characters of the option, or null when the option is absent.
const char* FindOption(const char* text, int32_t length, const char* option)
{
    int32_t at = StrFindNoCase(length, text, option);
    return at < 0 ? nullptr : text + at + 2;
}

// The token behind the option up to the next "%" or the end; null when absent or empty.
std::unique_ptr<char[]> OptionText(const char* text, int32_t length, const char* option)
{
    const char* at = FindOption(text, length, option);
    return std::unique_ptr<char[]>(at ? NextToken(kPercentDelimiters, &at) : nullptr);
}

// Moves an option's text into a field of the record and sets its bit when it is not empty.
void TakeText(CDynamicSpriteData& data, char*& field, std::unique_ptr<char[]> value, uint32_t bit)
{
    if (!value)
        return;
    StrFree(field);
    field = value.release();
    data.mask |= bit;
}

void ReadHost(CDynamicSpriteData& data, const char* text, int32_t length)
{
    std::unique_ptr<char[]> token = OptionText(text, length, "%h");
    if (!token)
        return;
    const char* cursor = token.get();
    TakeText(data, data.host, std::unique_ptr<char[]>(NextToken(kColonDelimiters, &cursor)),
             CDynamicSpriteData::ChangeHost);
    int32_t port = NextInt(&cursor);
    // A number that is no port is no change, rather than the port its low 16 bits would name.
    if (port > 0 && port <= 0xFFFF)
    {
        data.port = static_cast<uint16_t>(port);
        data.mask |= CDynamicSpriteData::ChangePort;
    }
}

void ReadNumbers(CDynamicSpriteData& data, const char* text, int32_t length)
{
    if (const char* at = FindOption(text, length, "%r"))
    {
        // Seconds to milliseconds, held at the largest period rather than wrapping to a short one.
        uint64_t ms = static_cast<uint64_t>(NextInt(&at)) * 1000u;
        data.refreshPeriod = ms > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(ms);
        data.mask |= CDynamicSpriteData::ChangeRefreshPeriod;
    }
    if (const char* at = FindOption(text, length, "%n"))
    {
        data.further = static_cast<uint8_t>(NextInt(&at));
        data.mask |= CDynamicSpriteData::ChangeFurther;
    }
    if (const char* at = FindOption(text, length, "%v"))
    {
        data.flag = static_cast<uint8_t>(NextInt(&at));
        data.mask |= CDynamicSpriteData::ChangeFlag;
    }
}
} // namespace

std::unique_ptr<CDynamicSpriteData> ParseResourceOptions(const char* text)
{
    if (!text || !*text)
        return nullptr;
    size_t size = std::strlen(text);
    int32_t length = size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size);
    auto data = std::make_unique<CDynamicSpriteData>();
    if (const char* at = FindOption(text, length, "%p"))
    {
        data->protocol = static_cast<uint8_t>(static_cast<uint32_t>(NextInt(&at)) + 1u);
        data->mask |= CDynamicSpriteData::ChangeProtocol;
    }
    TakeText(*data, data->user, OptionText(text, length, "%u"), CDynamicSpriteData::ChangeUser);
    TakeText(*data, data->password, OptionText(text, length, "%s"), CDynamicSpriteData::ChangePassword);
    ReadHost(*data, text, length);
    TakeText(*data, data->file, OptionText(text, length, "%f"), CDynamicSpriteData::ChangeFile);
    TakeText(*data, data->path, OptionText(text, length, "%a"), CDynamicSpriteData::ChangePath);
    ReadNumbers(*data, text, length);
    return data;
}

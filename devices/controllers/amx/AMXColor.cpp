#include "devices/controllers/amx/AMXColor.h"

#include <cstring>
#include <memory>

#include "common/StringFunctions.h"

const AmxPaletteRow AmxColorPalette[kAmxPaletteRows] = {
    {"VeryLightRed", 0xFF0000FF},
    {"LightRed", 0xDF0000FF},
    {"Red", 0xC00000FF},
    {"MediumRed", 0x9F0000FF},
    {"DarkRed", 0x7F0000FF},
    {"VeryDarkRed", 0x5F0000FF},
    {"VeryLightOrange", 0xFF8000FF},
    {"LightOrange", 0xDF7000FF},
    {"Orange", 0xC06000FF},
    {"MediumOrange", 0x9F5000FF},
    {"DarkOrange", 0x7F4000FF},
    {"VeryDarkOrange", 0x5F3000FF},
    {"VeryLightYellow", 0xFFFF00FF},
    {"LightYellow", 0xDFDF00FF},
    {"Yellow", 0xC0BF00FF},
    {"MediumYellow", 0x9F9F00FF},
    {"DarkYellow", 0x7F7F00FF},
    {"VeryDarkYellow", 0x5F5F00FF},
    {"VeryLightLime", 0x80FF00FF},
    {"LightLime", 0x70DF00FF},
    {"Lime", 0x60BF00FF},
    {"MediumLime", 0x509F00FF},
    {"DarkLime", 0x407F00FF},
    {"VeryDarkLime", 0x305F00FF},
    {"VeryLightGreen", 0x00FF00FF},
    {"LightGreen", 0x00DF00FF},
    {"Green", 0x00BF00FF},
    {"MediumGreen", 0x009F00FF},
    {"DarkGreen", 0x007F00FF},
    {"VeryDarkGreen", 0x005F00FF},
    {"VeryLightMint", 0x00FF80FF},
    {"LightMint", 0x00DF70FF},
    {"Mint", 0x00BF60FF},
    {"MediumMint", 0x009F50FF},
    {"DarkMint", 0x007F40FF},
    {"VeryDarkMint", 0x005F30FF},
    {"VeryLightCyan", 0x00FFFFFF},
    {"LightCyan", 0x00DFDFFF},
    {"Cyan", 0x00BFBFFF},
    {"MediumCyan", 0x009F9FFF},
    {"DarkCyan", 0x007F7FFF},
    {"VeryDarkCyan", 0x005F5FFF},
    {"VeryLightAqua", 0x0080FFFF},
    {"LightAqua", 0x0070DFFF},
    {"Aqua", 0x0060BFFF},
    {"MediumAqua", 0x00509FFF},
    {"DarkAqua", 0x00407FFF},
    {"VeryDarkAqua", 0x00305FFF},
    {"VeryLightBlue", 0x0000FFFF},
    {"LightBlue", 0x0000DFFF},
    {"Blue", 0x0000BFFF},
    {"MediumBlue", 0x00009FFF},
    {"DarkBlue", 0x00007FFF},
    {"VeryDarkBlue", 0x00005FFF},
    {"VeryLightPurple", 0x8000FFFF},
    {"LightPurple", 0x7000DFFF},
    {"Purple", 0x6000BFFF},
    {"MediumPurple", 0x50009FFF},
    {"DarkPurple", 0x40007FFF},
    {"VeryDarkPurple", 0x30005FFF},
    {"VeryLightMagenta", 0xFF00FFFF},
    {"LightMagenta", 0xDF00DFFF},
    {"Magenta", 0xBF00BFFF},
    {"MediumMagenta", 0x9F009FFF},
    {"DarkMagenta", 0x7F007FFF},
    {"VeryDarkMagenta", 0x5F005FFF},
    {"VeryLightPink", 0xFF0080FF},
    {"LightPink", 0xDF0070FF},
    {"Pink", 0xBF0060FF},
    {"MediumPink", 0x9F0050FF},
    {"DarkPink", 0x7F0040FF},
    {"VeryDarkPink", 0x5F0030FF},
    {"White", 0xFFFFFFFF},
    {"Grey1", 0xEEEEEEFF},
    {"Grey3", 0xCCCCCCFF},
    {"Grey5", 0xAAAAAAFF},
    {"Grey7", 0x888888FF},
    {"Grey9", 0x666666FF},
    {"Grey4", 0xBBBBBBFF},
    {"Grey6", 0x999999FF},
    {"Grey8", 0x777777FF},
    {"Grey10", 0x555555FF},
    {"Grey12", 0x333333FF},
    {"Grey13", 0x222222FF},
    {"Grey2", 0xDDDDDDFF},
    {"Grey11", 0x444444FF},
    {"Grey14", 0x111111FF},
    {"Black", 0x000000FF},
    {"TRANSPARENT", 0x63356300},
};

namespace
{
uint32_t HashColor(const char* text)
{
    size_t length = std::strlen(text);
    // More than eight digits would only shift the older ones out; 255 is HexToIntN's limit.
    size_t digits = length - 1;
    uint32_t value = HexToIntN(static_cast<uint8_t>(digits > 255 ? 255 : digits), text + 1);
    return length <= 7 ? value << 8 | 0xFF : value;
}

uint32_t NumberColor(const char* text)
{
    int32_t n = NextInt(&text);
    return n < kAmxPaletteRows ? AmxColorPalette[n].color : static_cast<uint32_t>(n);
}

// Every name that begins the text is a candidate; the longest is the one meant, so that "Grey12"
// is not taken for "Grey1" followed by a stray "2".
uint32_t NamedColor(const char* text)
{
    std::unique_ptr<char[]> compact(StrDup(text));
    if (!compact)
        return 0;
    RemoveSpaces(compact.get());
    int32_t best = -1;
    size_t bestLength = 0;
    for (int32_t row = 0; row < kAmxPaletteRows; ++row)
    {
        const char* name = AmxColorPalette[row].name;
        size_t length = std::strlen(name);
        if (length > bestLength && StrEqualNoCase(name, compact.get()))
        {
            best = row;
            bestLength = length;
        }
    }
    return best < 0 ? 0 : AmxColorPalette[best].color;
}
} // namespace

uint32_t ParseColor(const char** cursor)
{
    if (!cursor || !*cursor)
        return 0;
    const char* text = *cursor;
    *cursor = text + std::strlen(text);
    if (text[0] == '#')
        return HashColor(text);
    if (text[0] >= '0' && text[0] <= '9')
        return NumberColor(text);
    return NamedColor(text);
}

uint32_t ParseColor(char** cursor)
{
    return ParseColor(const_cast<const char**>(cursor));
}

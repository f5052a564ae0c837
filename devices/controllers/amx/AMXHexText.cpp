#include "devices/controllers/amx/AMXHexText.h"

#include "common/StringFunctions.h"

namespace
{
uint32_t UpperHexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<uint32_t>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<uint32_t>(c - 'A' + 10);
    return 0;
}

// The unit of the group of four at hex, or false when fewer than four characters are left.
bool ReadUnit(const char* hex, uint32_t& unit)
{
    unit = 0;
    for (int i = 0; i < 4; ++i)
    {
        if (!hex[i])
            return false;
        unit = unit << 4 | UpperHexDigit(hex[i]);
    }
    return true;
}

bool IsHighSurrogate(uint32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(uint32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// UTF-8 of one code point into bytes; returns its length (1 to 4).
size_t EncodeUtf8(uint32_t code, unsigned char* bytes)
{
    if (code <= 0x7F)
    {
        bytes[0] = static_cast<unsigned char>(code);
        return 1;
    }
    if (code <= 0x7FF)
    {
        bytes[0] = static_cast<unsigned char>(0xC0 | code >> 6);
        bytes[1] = static_cast<unsigned char>(0x80 | (code & 0x3F));
        return 2;
    }
    if (code <= 0xFFFF)
    {
        bytes[0] = static_cast<unsigned char>(0xE0 | code >> 12);
        bytes[1] = static_cast<unsigned char>(0x80 | (code >> 6 & 0x3F));
        bytes[2] = static_cast<unsigned char>(0x80 | (code & 0x3F));
        return 3;
    }
    bytes[0] = static_cast<unsigned char>(0xF0 | code >> 18);
    bytes[1] = static_cast<unsigned char>(0x80 | (code >> 12 & 0x3F));
    bytes[2] = static_cast<unsigned char>(0x80 | (code >> 6 & 0x3F));
    bytes[3] = static_cast<unsigned char>(0x80 | (code & 0x3F));
    return 4;
}
} // namespace

size_t HexToUtf8(const char* hex, char* out, size_t capacity)
{
    if (capacity == 0)
        return 0;
    size_t length = 0;
    out[0] = 0;
    if (!hex)
        return 0;
    uint32_t unit = 0;
    while (ReadUnit(hex, unit) && unit != 0)
    {
        hex += 4;
        uint32_t code = unit;
        uint32_t low = 0;
        if (IsHighSurrogate(unit) && ReadUnit(hex, low) && IsLowSurrogate(low))
        {
            code = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            hex += 4;
        }
        unsigned char bytes[4];
        size_t n = EncodeUtf8(code, bytes);
        // The terminating zero must still fit behind the character.
        if (length + n + 1 > capacity)
            break;
        for (size_t i = 0; i < n; ++i)
            out[length++] = static_cast<char>(bytes[i]);
    }
    out[length] = 0;
    return length;
}

char16_t* HexToWide(const char* hex)
{
    if (!hex)
        return nullptr;
    char utf8[kAmxHexTextCapacity];
    HexToUtf8(hex, utf8, sizeof utf8);
    return Utf8ToWide(utf8);
}

// Conversions between wide text (UTF-16), UTF-8 and the ANSI code page (Windows-1252).
#include "common/StringFunctions.h"

#include <cstring>

#include "platform/CodePage.h"

namespace
{
const char32_t kReplacement = 0xFFFD;

// One UTF-8 sequence at `text`. Returns its byte length and the character in `out`, or 0 when
// the sequence ends the text (a lead byte that starts nothing, or a missing continuation byte;
// the terminating zero is never a continuation byte, so nothing past it is read).
size_t DecodeUtf8(const unsigned char* text, char32_t& out)
{
    unsigned char lead = text[0];
    if (lead < 0x80)
    {
        out = lead;
        return 1;
    }
    size_t length;
    char32_t value;
    char32_t smallest;
    if ((lead & 0xE0) == 0xC0)
    {
        length = 2;
        value = lead & 0x1F;
        smallest = 0x80;
    }
    else if ((lead & 0xF0) == 0xE0)
    {
        length = 3;
        value = lead & 0x0F;
        smallest = 0x800;
    }
    else if ((lead & 0xF8) == 0xF0)
    {
        length = 4;
        value = lead & 0x07;
        smallest = 0x10000;
    }
    else
        return 0;
    for (size_t i = 1; i < length; ++i)
    {
        if ((text[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (text[i] & 0x3F);
    }
    // Whole, but no character: over-long forms would smuggle a zero or a separator past checks,
    // and an encoded surrogate would make a broken UTF-16 text.
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        value = kReplacement;
    out = value;
    return length;
}

bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Byte length of the UTF-8 form of the character at `text`, and the character itself; `units` is
// how many UTF-16 units it took.
size_t EncodeLength(const char16_t* text, char32_t& character, size_t& units)
{
    char16_t unit = text[0];
    units = 1;
    character = unit;
    if (IsHighSurrogate(unit) && IsLowSurrogate(text[1]))
    {
        character = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[1] - 0xDC00);
        units = 2;
    }
    else if (IsHighSurrogate(unit) || IsLowSurrogate(unit))
        character = kReplacement;
    if (character < 0x80)
        return 1;
    if (character < 0x800)
        return 2;
    if (character < 0x10000)
        return 3;
    return 4;
}

void EncodeUtf8(char32_t c, size_t length, unsigned char* out)
{
    switch (length)
    {
    case 1:
        out[0] = static_cast<unsigned char>(c);
        break;
    case 2:
        out[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
        out[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        break;
    case 3:
        out[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
        out[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        break;
    default:
        out[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
        out[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
        out[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
        break;
    }
}
} // namespace

int32_t Utf8Length(const char* text)
{
    if (!text)
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    int32_t count = 0;
    char32_t c;
    while (*p)
    {
        size_t length = DecodeUtf8(p, c);
        if (length == 0)
            break;
        p += length;
        ++count;
    }
    return count;
}

char16_t* Utf8ToWide(const char* text)
{
    if (!text)
        return nullptr;
    // First pass: the UTF-16 units of the well-formed part.
    const auto* begin = reinterpret_cast<const unsigned char*>(text);
    size_t units = 0;
    char32_t c;
    for (const unsigned char* p = begin; *p;)
    {
        size_t length = DecodeUtf8(p, c);
        if (length == 0)
            break;
        p += length;
        units += c > 0xFFFF ? 2 : 1;
    }
    if (units == 0)
        return nullptr;
    char16_t* out = new char16_t[units + 1];
    size_t n = 0;
    for (const unsigned char* p = begin; n < units;)
    {
        p += DecodeUtf8(p, c);
        if (c > 0xFFFF)
        {
            out[n++] = static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out[n++] = static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        else
            out[n++] = static_cast<char16_t>(c);
    }
    out[n] = 0;
    return out;
}

char* WideToUtf8(const char16_t* text)
{
    if (!text)
        return nullptr;
    size_t bytes = 0;
    char32_t c;
    size_t units;
    for (const char16_t* p = text; *p; p += units)
        bytes += EncodeLength(p, c, units);
    char* out = new char[bytes + 1];
    auto* q = reinterpret_cast<unsigned char*>(out);
    for (const char16_t* p = text; *p; p += units)
    {
        size_t length = EncodeLength(p, c, units);
        EncodeUtf8(c, length, q);
        q += length;
    }
    *q = 0;
    return out;
}

char* WideToAnsi(const char16_t* text)
{
    size_t n = WStrLen(text);
    if (n == 0)
        return nullptr;
    std::string ansi = platform::Utf16ToAnsi(text, n);
    char* out = new char[ansi.size() + 1];
    std::memcpy(out, ansi.data(), ansi.size());
    out[ansi.size()] = 0;
    return out;
}

char16_t* AnsiToWideN(const char* text, int32_t n)
{
    if (!text)
        return nullptr;
    size_t length = n > 0 ? static_cast<size_t>(n) : 0;
    char16_t* out = new char16_t[length + 1];
    for (size_t i = 0; i < length; ++i)
        out[i] = platform::AnsiByteToWide(static_cast<unsigned char>(text[i]));
    out[length] = 0;
    return out;
}

char16_t* AnsiToWide(const char* text)
{
    if (!text)
        return nullptr;
    return AnsiToWideN(text, static_cast<int32_t>(std::strlen(text)));
}

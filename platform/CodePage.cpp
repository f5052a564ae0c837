#include "platform/CodePage.h"

namespace platform
{
namespace
{
// Bytes 0x80 to 0x9F of Windows-1252; the others equal their Latin-1 code points.
const char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
} // namespace

char16_t AnsiByteToWide(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return kHigh[byte - 0x80];
    return byte;
}

unsigned char WideToAnsiByte(char16_t unit)
{
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return static_cast<unsigned char>(unit);
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == unit)
            return static_cast<unsigned char>(0x80 + i);
    return '?';
}

std::u16string AnsiToUtf16(const char* text, size_t length)
{
    std::u16string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i)
        out.push_back(AnsiByteToWide(static_cast<unsigned char>(text[i])));
    return out;
}

std::string Utf16ToAnsi(const char16_t* text, size_t length)
{
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i)
    {
        char16_t unit = text[i];
        // A surrogate pair is one character: it gives one '?'.
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            ++i;
        out.push_back(static_cast<char>(WideToAnsiByte(unit)));
    }
    return out;
}
} // namespace platform

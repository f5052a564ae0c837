#include "devices/controllers/http/HttpValueFormat.h"

#include <cstdio>
#include <cstring>

namespace
{
struct Conversion
{
    size_t start = 0; // the '%'
    size_t end = 0;   // one past the conversion letter
    std::string spec; // rebuilt without length letters: "%" flags width .precision letter
    char letter = 0;
};

// Reads the conversion whose '%' is at `i`; false when it is not an integer conversion we fill.
bool ReadConversion(const char* p, size_t length, size_t i, Conversion& c)
{
    c.start = i;
    c.spec = "%";
    size_t j = i + 1;
    while (j < length && std::strchr("-+ 0#", p[j]) != nullptr && p[j] != '\0')
        c.spec.push_back(p[j++]);
    int digits = 0;
    while (j < length && p[j] >= '0' && p[j] <= '9' && digits < 3)
        c.spec.push_back(p[j++]), ++digits;
    if (digits > 2)
        return false;
    if (j < length && p[j] == '.')
    {
        c.spec.push_back(p[j++]);
        digits = 0;
        while (j < length && p[j] >= '0' && p[j] <= '9' && digits < 3)
            c.spec.push_back(p[j++]), ++digits;
        if (digits > 2)
            return false;
    }
    while (j < length && std::strchr("hljzt", p[j]) != nullptr && p[j] != '\0')
        ++j;
    if (j >= length || p[j] == '\0' || std::strchr("diuxXo", p[j]) == nullptr)
        return false;
    c.letter = p[j];
    c.spec.push_back(p[j]);
    c.end = j + 1;
    return true;
}
} // namespace

bool CHttpValueFormat::Format(const char* pattern, size_t length, int32_t value, std::string& out)
{
    out.clear();
    if (!pattern)
        return false;
    Conversion found;
    int conversions = 0;
    for (size_t i = 0; i < length; ++i)
    {
        if (pattern[i] != '%')
            continue;
        if (i + 1 < length && pattern[i + 1] == '%')
        {
            ++i;
            continue;
        }
        Conversion c;
        if (!ReadConversion(pattern, length, i, c) || ++conversions > 1)
        {
            out.assign(pattern, length);
            return false;
        }
        found = c;
        i = c.end - 1;
    }
    if (conversions != 1)
    {
        out.assign(pattern, length);
        return false;
    }
    // Text before and after the conversion, with "%%" read as one percent sign.
    auto appendText = [&](size_t from, size_t to)
    {
        for (size_t i = from; i < to; ++i)
        {
            out.push_back(pattern[i]);
            if (pattern[i] == '%' && i + 1 < to && pattern[i + 1] == '%')
                ++i;
        }
    };
    appendText(0, found.start);
    char number[160];
    const bool isSigned = found.letter == 'd' || found.letter == 'i';
    if (isSigned)
        std::snprintf(number, sizeof number, found.spec.c_str(), static_cast<int>(value));
    else
        std::snprintf(number, sizeof number, found.spec.c_str(), static_cast<unsigned>(value));
    out.append(number);
    appendText(found.end, length);
    return true;
}

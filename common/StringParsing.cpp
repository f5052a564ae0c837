// Tokenising by a delimiter set and number parsing. The texts come from the interface file and
// from peers, so every loop stops at the terminating zero and no digit run is trusted for length.
#include "common/StringFunctions.h"

#include <cstring>

const DelimiterSet kCommaDelimiters[3] = {2, ',', 0};
const DelimiterSet kPercentDelimiters[3] = {2, '%', 0};
const DelimiterSet kColonDelimiters[3] = {2, ':', 0};
const DelimiterSet kSemicolonDelimiters[3] = {2, ';', 0};

namespace
{
char* CopyRange(const char* text, size_t length)
{
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length);
    copy[length] = 0;
    return copy;
}

bool InSet(const DelimiterSet* set, unsigned char c)
{
    unsigned char count = static_cast<unsigned char>(set[0]);
    for (unsigned char i = 0; i < count; ++i)
        if (static_cast<unsigned char>(set[1 + i]) == c)
            return true;
    return false;
}

bool IsDecimal(char c)
{
    return c >= '0' && c <= '9';
}

// Value of a hexadecimal digit, -1 for any other character.
int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

int32_t FindDelimiter(const DelimiterSet* set, const char* text)
{
    if (!set || !text || !*text)
        return 0;
    for (int32_t i = 0;; ++i)
    {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80 && InSet(set, c))
            return i;
        if (c == 0)
            return 0;
    }
}

char* NextToken(const DelimiterSet* set, const char** cursor)
{
    if (!cursor || !*cursor)
        return nullptr;
    const char* text = *cursor;
    int32_t at = FindDelimiter(set, text);
    if (at == 0)
        return nullptr;
    char* token = CopyRange(text, static_cast<size_t>(at));
    *cursor = text[at] ? text + at + 1 : text + at;
    return token;
}

char* NextToken(const DelimiterSet* set, char** cursor)
{
    return NextToken(set, const_cast<const char**>(cursor));
}

char* TakeRest(const char** cursor)
{
    if (!cursor || !*cursor || !**cursor)
        return nullptr;
    size_t length = std::strlen(*cursor);
    char* rest = CopyRange(*cursor, length);
    *cursor += length;
    return rest;
}

char* TakeRest(char** cursor)
{
    return TakeRest(const_cast<const char**>(cursor));
}

int32_t NextInt(const char** cursor)
{
    if (!cursor || !*cursor)
        return 0;
    const char* p = *cursor;
    while (*p && !IsDecimal(*p))
        ++p;
    // The whole run is consumed; its value saturates instead of overflowing.
    int64_t value = 0;
    for (; IsDecimal(*p); ++p)
    {
        value = value * 10 + (*p - '0');
        if (value > INT32_MAX)
            value = INT32_MAX;
    }
    *cursor = p;
    return static_cast<int32_t>(value);
}

int32_t NextInt(char** cursor)
{
    return NextInt(const_cast<const char**>(cursor));
}

uint32_t NextHexInt(const char** cursor)
{
    if (!cursor || !*cursor)
        return 0;
    const char* p = *cursor;
    while (*p && HexDigit(*p) < 0)
        ++p;
    uint32_t value = HexToInt(p);
    while (HexDigit(*p) >= 0)
        ++p;
    *cursor = p;
    return value;
}

uint32_t NextHexInt(char** cursor)
{
    return NextHexInt(const_cast<const char**>(cursor));
}

uint32_t HexToInt(const char* text)
{
    uint32_t value = 0;
    if (!text)
        return 0;
    for (int d; (d = HexDigit(*text)) >= 0; ++text)
        value = (value << 4) | static_cast<uint32_t>(d);
    return value;
}

uint32_t HexToIntN(uint8_t n, const char* text)
{
    uint32_t value = 0;
    if (!text)
        return 0;
    for (uint8_t i = 0; i < n && text[i]; ++i)
    {
        int d = HexDigit(text[i]);
        value = (value << 4) | static_cast<uint32_t>(d < 0 ? 0 : d);
    }
    return value;
}

uint32_t HashHexToInt(const char* text)
{
    if (!text || text[0] != '#')
        return 0;
    uint32_t value = 0;
    for (const char* p = text + 1; *p; ++p)
    {
        uint32_t d = 0;
        if (*p >= '0' && *p <= '9')
            d = static_cast<uint32_t>(*p - '0');
        else if (*p >= 'A' && *p <= 'F')
            d = static_cast<uint32_t>(*p - 'A' + 10);
        value = (value << 4) | d;
    }
    return value;
}

float TextToFloat(uint8_t n, const char* text)
{
    if (!text)
        return 0.0f;
    // Beyond this many fraction digits the divisor would reach infinity and the result NaN; the
    // digits there are far below single precision anyway.
    const int kMaxFractionDigits = 30;
    float sum = 0.0f;
    float divisor = 1.0f;
    bool point = false;
    int fractionDigits = 0;
    for (uint8_t i = 0; i < n && text[i]; ++i)
    {
        char c = text[i];
        if (c == '.' && !point)
        {
            point = true;
            continue;
        }
        if (!IsDecimal(c))
            break;
        if (point && ++fractionDigits > kMaxFractionDigits)
            continue;
        sum = sum * 10.0f + static_cast<float>(c - '0');
        if (point)
            divisor *= 10.0f;
    }
    return sum / divisor;
}

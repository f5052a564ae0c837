// Case-insensitive comparison and search, and byte-pattern search.
#include "common/StringFunctions.h"

#include <cstring>

namespace
{
// Folds the ASCII capitals only: a byte of 0x80 and above stays itself, so that no accented
// character or UTF-8 byte can equal an ASCII letter.
unsigned char Fold(char c)
{
    auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}
} // namespace

bool StrEqualNoCase(const char* prefix, const char* text)
{
    if (!prefix || !text || !*prefix || !*text)
        return false;
    for (; *prefix; ++prefix, ++text)
        if (Fold(*prefix) != Fold(*text)) // also stops at the end of the text
            return false;
    return true;
}

int32_t StrFindNoCase(int32_t n, const char* text, const char* pattern)
{
    if (!text || !pattern || !*text || !*pattern)
        return -1;
    for (int32_t k = 0; k < n && text[k]; ++k)
    {
        int32_t i = 0;
        // The text's zero never equals a pattern byte, so the comparison stops at its end.
        while (pattern[i] && k + i < n && Fold(text[k + i]) == Fold(pattern[i]))
            ++i;
        if (!pattern[i])
            return k;
    }
    return -1;
}

int32_t FindBytes(const void* buffer, int32_t length, const void* pattern, int32_t patternLength)
{
    if (!buffer || !pattern || length <= 0 || patternLength <= 0 || patternLength > length)
        return -1;
    const auto* b = static_cast<const unsigned char*>(buffer);
    const auto* p = static_cast<const unsigned char*>(pattern);
    for (int32_t k = 0; k <= length - patternLength; ++k)
        if (b[k] == p[0] && std::memcmp(b + k, p, static_cast<size_t>(patternLength)) == 0)
            return k;
    return -1;
}

int32_t FindString(const void* buffer, int32_t length, const char* pattern)
{
    if (!pattern)
        return -1;
    size_t n = std::strlen(pattern);
    if (n > static_cast<size_t>(INT32_MAX))
        return -1;
    return FindBytes(buffer, length, pattern, static_cast<int32_t>(n));
}

bool StartsWith(const void* buffer, int32_t length, const void* pattern, int32_t patternLength)
{
    if (!buffer || !pattern || length <= 0 || patternLength <= 0)
        return true;
    if (length < patternLength)
        return false;
    return std::memcmp(buffer, pattern, static_cast<size_t>(patternLength)) == 0;
}

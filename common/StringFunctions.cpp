// Duplication, wide-text helpers and the small in-place edits.
#include "common/StringFunctions.h"

#include <cstring>

void StrFree(char* text)
{
    delete[] text;
}

void WStrFree(char16_t* text)
{
    delete[] text;
}

size_t WStrLen(const char16_t* text)
{
    if (!text)
        return 0;
    size_t n = 0;
    while (text[n])
        ++n;
    return n;
}

int WStrCmp(const char16_t* a, const char16_t* b)
{
    if (!a || !b)
        return (a ? 1 : 0) - (b ? 1 : 0);
    while (*a && *a == *b)
    {
        ++a;
        ++b;
    }
    return static_cast<int>(*a) - static_cast<int>(*b);
}

size_t WStrCpyN(char16_t* dest, size_t capacity, const char16_t* src)
{
    if (!dest || capacity == 0)
        return 0;
    size_t n = 0;
    if (src)
        while (n + 1 < capacity && src[n])
        {
            dest[n] = src[n];
            ++n;
        }
    dest[n] = 0;
    return n;
}

char* StrDup(const char* text)
{
    if (!text || !*text)
        return nullptr;
    size_t n = std::strlen(text);
    char* copy = new char[n + 1];
    std::memcpy(copy, text, n + 1);
    return copy;
}

char16_t* WStrDup(const char16_t* text)
{
    size_t n = WStrLen(text);
    if (n == 0)
        return nullptr;
    char16_t* copy = new char16_t[n + 1];
    std::memcpy(copy, text, (n + 1) * sizeof(char16_t));
    return copy;
}

bool WStrIsEmpty(const char16_t* text)
{
    return !text || !*text;
}

void RemoveSpaces(char* text)
{
    if (!text)
        return;
    char* out = text;
    for (const char* in = text; *in; ++in)
        if (*in != ' ')
            *out++ = *in;
    *out = 0;
}

void PipeToNewline(char* text)
{
    for (; text && *text; ++text)
        if (*text == '|')
            *text = '\n';
}

void WPipeToNewline(char16_t* text)
{
    for (; text && *text; ++text)
        if (*text == u'|')
            *text = u'\n';
}

bool FileTitle(const char* path, char* buffer, size_t capacity)
{
    if (!buffer || capacity == 0)
        return false;
    buffer[0] = 0;
    if (!path)
        return false;
    size_t length = std::strlen(path);
    // Backwards from the end: a dot met before any backslash starts the extension.
    size_t end = length;
    for (size_t i = length; i > 0; --i)
    {
        char c = path[i - 1];
        if (c == '\\')
            break;
        if (c == '.')
        {
            end = i - 1;
            break;
        }
    }
    size_t start = end;
    while (start > 0 && path[start - 1] != '\\')
        --start;
    size_t n = end - start;
    if (n > capacity - 1)
        n = capacity - 1;
    std::memcpy(buffer, path + start, n);
    buffer[n] = 0;
    return n > 0;
}

#pragma once
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/StringFunctions.h"

// Takes a text returned by a string function, frees it, and keeps its contents; an empty optional
// stands for a null result, so that "no text" and "empty text" stay apart in the checks.
inline std::optional<std::string> TakeText(char* text)
{
    if (!text)
        return std::nullopt;
    std::string copy(text);
    StrFree(text);
    return copy;
}

inline std::optional<std::u16string> TakeWide(char16_t* text)
{
    if (!text)
        return std::nullopt;
    std::u16string copy(text);
    WStrFree(text);
    return copy;
}

// A heap copy of exactly the bytes of `text` and its terminating zero, so that the address
// sanitizer reports any read past the end.
inline std::vector<char> Exact(const std::string& text)
{
    std::vector<char> bytes(text.size() + 1, 0);
    std::copy(text.begin(), text.end(), bytes.begin());
    return bytes;
}

inline std::vector<char16_t> ExactWide(const std::u16string& text)
{
    std::vector<char16_t> units(text.size() + 1, 0);
    std::copy(text.begin(), text.end(), units.begin());
    return units;
}

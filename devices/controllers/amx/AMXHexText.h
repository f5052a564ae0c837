#pragma once
#include <cstddef>
#include <cstdint>

// Texts that the AMX master sends as four-digit hexadecimal UTF-16 units ("0041042F" is "A"
// followed by U+042F).

// The UTF-8 of a hex text is built in a buffer of this size.
constexpr size_t kAmxHexTextCapacity = 2048;

// Writes the UTF-8 of the hex text into out and terminates it; returns the bytes written before
// the zero. Each whole group of four characters is one unit (a shorter last group is ignored); a
// digit is 0-9 or A-F, any other character, lower-case letters included, counts as 0. A unit of 0
// ends the text. A high surrogate followed by a low one becomes one 4-byte sequence, so that
// characters beyond U+FFFF survive the way back to UTF-16. The output never goes past capacity:
// a character that does not fit whole ends the text there. Nothing is written for capacity 0.
size_t HexToUtf8(const char* hex, char* out, size_t capacity);

// The same text as a new wide string (new[]); null when it is empty or the hex text is null.
char16_t* HexToWide(const char* hex);

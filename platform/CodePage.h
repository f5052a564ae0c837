#pragma once
#include <cstddef>
#include <string>

// The "ANSI code page" of the panel is Windows-1252. Wide text is UTF-16.
namespace platform
{
// One byte of Windows-1252 to its UTF-16 unit (the five unassigned bytes map to themselves,
// as Windows does).
char16_t AnsiByteToWide(unsigned char byte);
// One UTF-16 unit to Windows-1252; characters without a form there become '?'.
unsigned char WideToAnsiByte(char16_t unit);

std::u16string AnsiToUtf16(const char* text, size_t length);
std::string Utf16ToAnsi(const char16_t* text, size_t length);
} // namespace platform

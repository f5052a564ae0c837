#pragma once
// Bytes as text for the driver tests' comparisons: a failing check then shows the frame.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace device_test
{
// Upper-case hex pairs with a space between them ("AA 0F"), from byte `from` on.
inline std::string Hex(const std::vector<uint8_t>& bytes, size_t from = 0)
{
    static const char* const digits = "0123456789ABCDEF";
    std::string text;
    for (size_t i = from; i < bytes.size(); ++i)
    {
        if (!text.empty())
            text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

// The bytes of a text protocol as a string.
inline std::string Text(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}
} // namespace device_test

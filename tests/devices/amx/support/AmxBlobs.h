#pragma once
// AMX channel record blobs as the tests write them: little-endian numbers after the kind byte.
#include <cstdint>
#include <string>

#include "support/AmxMaster.h"

namespace amx_test
{
inline ByteList LE16(uint16_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
}
inline ByteList LE32(uint32_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}
// A channel record's blob: kind, port, number.
inline ByteList NumberBlob(uint8_t kind, uint16_t port, uint32_t number)
{
    return Join({{kind}, LE16(port), LE32(number)});
}
// A channel record's blob with a text: kind, port, the text's length, the text.
inline ByteList TextBlob(uint8_t kind, uint16_t port, const std::string& text)
{
    return Join({{kind}, LE16(port), LE32(static_cast<uint32_t>(text.size())), Text(text)});
}
} // namespace amx_test

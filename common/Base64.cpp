// Base64 of RFC 4648 with "=" padding, for the Basic authorisation of the HTTP and AMX links.
#include "common/StringFunctions.h"

namespace
{
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

char* Base64Encode(int32_t length, const void* bytes)
{
    if (length < 0 || (length > 0 && !bytes))
        return nullptr;
    const auto* in = static_cast<const unsigned char*>(bytes);
    size_t n = static_cast<size_t>(length);
    size_t outLength = (n + 2) / 3 * 4;
    char* out = new char[outLength + 1];
    char* q = out;
    for (size_t i = 0; i < n; i += 3)
    {
        uint32_t group = static_cast<uint32_t>(in[i]) << 16;
        size_t left = n - i;
        if (left > 1)
            group |= static_cast<uint32_t>(in[i + 1]) << 8;
        if (left > 2)
            group |= in[i + 2];
        *q++ = kAlphabet[(group >> 18) & 0x3F];
        *q++ = kAlphabet[(group >> 12) & 0x3F];
        *q++ = left > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=';
        *q++ = left > 2 ? kAlphabet[group & 0x3F] : '=';
    }
    *q = 0;
    return out;
}

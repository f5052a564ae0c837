#include "devices/controllers/http/HttpPathEncoder.h"

#include <cstring>

namespace
{
void AppendEscape(std::string& out, unsigned char c)
{
    static const char kHex[] = "0123456789ABCDEF";
    out.push_back('%');
    out.push_back(kHex[c >> 4]);
    out.push_back(kHex[c & 0x0F]);
}

bool IsUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

bool KeptInPath(unsigned char c)
{
    if (c <= 0x20 || c >= 0x7F)
        return false;
    return std::strchr("\"#<>\\^`{|}:", c) == nullptr;
}
} // namespace

void CHttpPathEncoder::EncodePath(const char* text, size_t length, std::string& out)
{
    if (!text)
        return;
    for (size_t i = 0; i < length; ++i)
    {
        const auto c = static_cast<unsigned char>(text[i]);
        if (KeptInPath(c))
            out.push_back(static_cast<char>(c));
        else
            AppendEscape(out, c);
    }
}

void CHttpPathEncoder::EncodeComponent(const char* text, size_t length, std::string& out)
{
    if (!text)
        return;
    for (size_t i = 0; i < length; ++i)
    {
        const auto c = static_cast<unsigned char>(text[i]);
        if (IsUnreserved(c))
            out.push_back(static_cast<char>(c));
        else
            AppendEscape(out, c);
    }
}

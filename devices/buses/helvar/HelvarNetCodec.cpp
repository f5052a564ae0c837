#include "devices/buses/helvar/HelvarNetCodec.h"

#include <cstdio>

#include "common/StringFunctions.h"

namespace
{
constexpr size_t kMaxNumber = 31;

void AppendNumber(std::string& out, const char* format, long long value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    out += text;
}

// The decimal number after a key, up to the next ',' or '#' or the end; the key's own offset.
// A number beyond the 32-bit range stops growing at its bound.
int32_t NumberAt(const std::string& text, size_t at)
{
    size_t end = at;
    while (end < text.size() && end - at < kMaxNumber && text[end] != ',' && text[end] != '#')
        ++end;
    size_t i = at;
    bool negative = false;
    if (i < end && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    long long value = 0;
    for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i)
    {
        if (value < 0x80000000LL)
            value = value * 10 + (text[i] - '0');
    }
    if (negative)
        value = -value;
    if (value > 0x7FFFFFFFLL)
        value = 0x7FFFFFFFLL;
    if (value < -0x80000000LL)
        value = -0x80000000LL;
    return static_cast<int32_t>(value);
}

// The value of a key found anywhere in the reply, ignoring case; false when the key is absent.
bool Field(const std::string& text, const char* key, int32_t& value)
{
    const int32_t at = StrFindNoCase(static_cast<int32_t>(text.size()), text.c_str(), key);
    if (at < 0)
        return false;
    value = NumberAt(text, static_cast<size_t>(at) + std::char_traits<char>::length(key));
    return true;
}
} // namespace

bool CHelvarNetCodec::IsGroupCommand(uint32_t command)
{
    return command == 11 || command == 13 || command == 15 || command == 17;
}

std::string CHelvarNetCodec::Begin(bool internal, uint32_t sequence)
{
    std::string out;
    if (internal)
        AppendNumber(out, "<Q:%lld,", sequence);
    return out;
}

void CHelvarNetCodec::WriteMessage(std::string& out, const HelvarNetTarget& target, bool query)
{
    AppendNumber(out, ">V:1,C:%lld,", target.command);
    if (IsGroupCommand(target.command))
        AppendNumber(out, "G:%lld", target.group);
    else
    {
        AppendNumber(out, "@%lld", target.address[0]);
        for (int i = 1; i < 4; ++i)
            AppendNumber(out, ".%lld", target.address[i]);
    }
    if (!query)
    {
        out += ',';
        switch (target.command)
        {
        case 11:
            AppendNumber(out, "K:%lld", target.k);
            [[fallthrough]];
        case 12:
            AppendNumber(out, target.command == 11 ? ",B:%lld" : "B:%lld", target.block);
            AppendNumber(out, ",S:%lld", target.scene);
            break;
        case 13:
        case 14:
            AppendNumber(out, "L:%lld", target.value);
            break;
        case 15:
        case 16:
        case 17:
        case 18:
            AppendNumber(out, "P:%lld", target.value);
            break;
        default:
            break;
        }
        AppendNumber(out, ",F:%lld", target.fade);
    }
    out += '#';
}

bool CHelvarNetCodec::ParseReply(const char* text, size_t length, HelvarNetReply& reply)
{
    reply = HelvarNetReply();
    if (!text || length == 0)
        return false;
    // A text of its own: the searches and the address reader stop at its end.
    const std::string s(text, length);
    reply.error = s[0] == '!';
    int32_t version = 0;
    if (!Field(s, "V:", version) || version != 1)
        return false;
    Field(s, "C:", reply.command);
    switch (reply.command)
    {
    case 12:
    case 14:
    case 110:
    case 152:
    {
        const size_t at = s.find('@');
        if (at != std::string::npos)
        {
            // Four numbers separated by anything that is no digit.
            const char* cursor = s.c_str() + at + 1;
            for (uint8_t& part : reply.address)
                part = static_cast<uint8_t>(NextInt(&cursor));
        }
        break;
    }
    default:
        break;
    }
    if (reply.command == 11 || reply.command == 13)
        Field(s, "G:", reply.group);
    if (reply.command == 110 || reply.command == 152)
        Field(s, "=", reply.result);
    if (reply.command == 13 || reply.command == 14)
        Field(s, "L:", reply.level);
    if (reply.command == 11 || reply.command == 12)
    {
        Field(s, "B:", reply.block);
        Field(s, "S:", reply.scene);
    }
    return true;
}

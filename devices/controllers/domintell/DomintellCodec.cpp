#include "devices/controllers/domintell/DomintellCodec.h"

#include <cstdio>
#include <cstring>

#include "common/StringFunctions.h"

namespace
{
const char* const kModuleCodes[CDomintellCodec::kModuleCount] = {
    "",    "AMP", "BU1", "BU2", "BU4", "BU6", "BIR", "CLK", "DIM", "DIR", "DET", "D10", "DMR", "IS8", "IS4",
    "I10", "LCD", "LED", "LC3", "PBL", "SYS", "TRV", "TRP", "TPV", "TE1", "TE2", "TSB", "TPR", "VAR", "V24",
};

// The 16-bit folds of the token, taken on unsigned values.
uint16_t FoldTwice(uint16_t sum)
{
    return static_cast<uint16_t>((sum & 0xFF) + 2 * (sum >> 8));
}

uint16_t FoldOnce(uint16_t sum)
{
    return static_cast<uint16_t>((sum & 0xFF) + (sum >> 8));
}

// Two decimal digits of a date field; fields outside 0..99 keep their last two digits, so the
// token always has its 17 bytes.
void PutTwoDigits(uint8_t* at, int field)
{
    int v = ((field % 100) + 100) % 100;
    at[0] = static_cast<uint8_t>('0' + v / 10);
    at[1] = static_cast<uint8_t>('0' + v % 10);
}

void Append(std::string& out, const char* format, long long a)
{
    char text[32];
    std::snprintf(text, sizeof text, format, a);
    out += text;
}

void AddReport(std::vector<DomintellReport>& out, uint8_t type, uint32_t serial, uint8_t io, float value)
{
    DomintellReport report;
    report.moduleType = type;
    report.serial = serial;
    report.io = io;
    report.value = value;
    out.push_back(report);
}

uint32_t HexPair(const char* at)
{
    return HexToIntN(2, at);
}
} // namespace

const char* CDomintellCodec::ModuleCode(uint32_t type)
{
    if (type == 0 || type >= kModuleCount)
        return nullptr;
    return kModuleCodes[type];
}

uint8_t CDomintellCodec::ModuleType(const char* letters, size_t length)
{
    if (!letters || length < 3)
        return 0;
    for (uint32_t type = 1; type < kModuleCount; ++type)
    {
        if (std::memcmp(letters, kModuleCodes[type], 3) == 0)
            return static_cast<uint8_t>(type);
    }
    return 0;
}

std::array<uint8_t, CDomintellCodec::kTokenLength> CDomintellCodec::LoginToken(const char* login,
                                                                               const DomintellDate& date)
{
    int8_t k[10] = {};
    for (int i = 0; login && i < 10 && login[i]; ++i)
        k[i] = static_cast<int8_t>(login[i]);
    uint8_t folds[5];
    for (int n = 0; n < 5; ++n)
    {
        const auto sum =
            static_cast<uint16_t>(k[n % 10] + k[(n + 1) % 10] + k[(n + 5) % 10] + k[(n + 6) % 10]);
        folds[n] = static_cast<uint8_t>(FoldTwice(sum));
    }
    std::array<uint8_t, kTokenLength> token{};
    const int fields[6] = {date.year / 100, date.year % 100, date.month, date.day, date.hour, date.minute};
    for (int f = 0; f < 6; ++f)
    {
        PutTwoDigits(&token[f * 3], fields[f]);
        if (f < 5)
            token[f * 3 + 2] = 0xFF;
    }
    uint16_t total = 0;
    for (uint8_t& byte : token)
    {
        byte = static_cast<uint8_t>(~byte);
        total = static_cast<uint16_t>(total + static_cast<int8_t>(byte));
    }
    const auto check = static_cast<uint8_t>(FoldOnce(FoldOnce(total)));
    for (int n = 0; n < 5; ++n)
        token[n * 3 + 2] = static_cast<uint8_t>(check ^ folds[n]);
    return token;
}

std::string CDomintellCodec::LoginLine(const char* login, const DomintellDate& date)
{
    std::string line = "LOGIN";
    if (login && *login)
    {
        for (uint8_t byte : LoginToken(login, date))
        {
            if (byte == 0)
                break;
            line += static_cast<char>(byte);
        }
    }
    line += "\r\n";
    return line;
}

std::string CDomintellCodec::FixedPoint(int32_t value)
{
    const long long whole = value;
    const long long magnitude = whole < 0 ? -whole : whole;
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%04lld", whole < 0 ? "-" : "", magnitude / 10000,
                  magnitude % 10000);
    return text;
}

bool CDomintellCodec::CommandLine(std::string& out, uint32_t moduleType, uint32_t serial, uint8_t io,
                                  uint8_t subKind, int32_t value)
{
    const char* code = ModuleCode(moduleType);
    if (!code)
        return false;
    out = code;
    char number[8];
    std::snprintf(number, sizeof number, "%06X", static_cast<unsigned>(serial & 0xFFFFFF));
    out += number;
    switch (moduleType)
    {
    case AMP:
    case DIM:
        Append(out, "-%lld", io);
        if (subKind == 3)
            Append(out, "%%D%lld", value);
        else if (subKind == 10)
            Append(out, "%%I%%D%lld", value);
        else if (subKind == 11)
            Append(out, "%%O%%D%lld", value);
        else if (moduleType == AMP && subKind == 15)
            Append(out, "%%A%lld", value);
        else if (moduleType == AMP && subKind == 16)
            out += "%F" + FixedPoint(value);
        else if (moduleType == DIM && subKind == 12)
            out += "%DB";
        else if (moduleType == DIM && subKind == 13)
            out += "%DE";
        break;
    case BIR:
    case DMR:
    case TRV:
    case TRP:
    case TPV:
        Append(out, "-%lld", io);
        if (subKind == 1)
            out += "%I";
        else if (subKind == 2)
            out += "%O";
        break;
    case LC3:
    case PBL:
    case TE1:
    case TE2:
    case TSB:
        if (subKind == 4)
            out += "%T" + FixedPoint(value);
        else if (subKind == 14)
            Append(out, "%%M%lld", value);
        break;
    default:
        break;
    }
    out += "\r\n";
    return true;
}

void CDomintellCodec::ParseStatus(const char* line, size_t length, std::vector<DomintellReport>& out)
{
    // Module code (3), serial number (6 hexadecimal digits), then the module's status text.
    if (!line || length < 10)
        return;
    const uint8_t type = ModuleType(line, length);
    if (type == 0)
        return;
    const uint32_t serial = HexToIntN(6, line + 3);
    // The status text as a text of its own: TextToFloat and the hex readers stop at its end.
    const std::string text(line + 9, length - 9);
    const char* t = text.c_str();
    const size_t n = text.size();
    switch (type)
    {
    case AMP:
        if (t[0] == 'S' && n >= 17)
            AddReport(out, type, serial, static_cast<uint8_t>(HexToIntN(1, t + 1)),
                      static_cast<float>(HexPair(t + 3)));
        break;
    case BIR:
    case DMR:
    case TRP:
    case TRV:
    case TPV:
    {
        if (t[0] != 'O' || n < 3)
            break;
        const uint32_t bits = HexPair(t + 1);
        if (type == TRV)
        {
            for (uint8_t io = 1; io <= 8; ++io)
                AddReport(out, type, serial, io, static_cast<float>(bits));
        }
        else if (type == TPV)
        {
            for (uint8_t io = kTpvFirstIo; io <= kTpvLastIo; io = static_cast<uint8_t>(io + 2))
                AddReport(out, type, serial, io, static_cast<float>(bits));
        }
        else
        {
            const uint8_t outputs = type == BIR ? 8 : type == DMR ? 5 : 4;
            const uint8_t top = type == TRP ? 5 : 8;
            for (uint8_t io = 1; io <= outputs; ++io)
                AddReport(out, type, serial, io, static_cast<float>((bits >> (top - io)) & 1));
        }
        break;
    }
    case DIM:
        if (t[0] == 'D' && n >= 17)
        {
            for (uint8_t io = 1; io <= 8; ++io)
                AddReport(out, type, serial, io, static_cast<float>(HexPair(t + 2 * io - 1)));
        }
        break;
    case TE1:
    case TE2:
    case PBL:
    case TSB:
        if (t[0] == 'T' && n >= (type == TSB ? 5u : 3u))
            AddReport(out, type, serial, 0, TextToFloat(static_cast<uint8_t>(n - 1), t + 1));
        break;
    default:
        break;
    }
}

#include "devices/buses/x10/X10Codec.h"

#include "common/Checksums.h"

namespace
{
void PutClock(std::vector<uint8_t>& out, const std::tm& local)
{
    out.push_back(static_cast<uint8_t>(local.tm_sec));
    // The hour goes in halves: an odd hour adds 60 to the minutes.
    out.push_back(static_cast<uint8_t>(local.tm_min + (local.tm_hour % 2 != 0 ? 60 : 0)));
    out.push_back(static_cast<uint8_t>(local.tm_hour / 2));
    out.push_back(static_cast<uint8_t>(local.tm_yday));
    out.push_back(0x08);
    out.push_back(0x60);
}

X10Report MakeReport(uint8_t address, uint8_t function, uint8_t data = 0, uint8_t extended = 0)
{
    X10Report report;
    report.house = static_cast<uint8_t>(address >> 4);
    report.unit = static_cast<uint8_t>(address & 0x0F);
    report.function = function;
    report.data = data;
    report.extended = extended;
    return report;
}
} // namespace

void x10::WriteAddress(std::vector<uint8_t>& out, const Command& command)
{
    out.push_back(0x04);
    out.push_back(static_cast<uint8_t>(command.house << 4 | (command.unit & 0x0F)));
}

void x10::WriteFunction(std::vector<uint8_t>& out, const Command& command)
{
    out.push_back(static_cast<uint8_t>(command.data << 3 | 0x06));
    out.push_back(static_cast<uint8_t>(command.house << 4 | (command.function & 0x0F)));
}

void x10::WriteExtended(std::vector<uint8_t>& out, const Command& command)
{
    out.push_back(0x07);
    out.push_back(static_cast<uint8_t>(command.house << 4 | 0x07));
    out.push_back(command.unit);
    out.push_back(command.data);
    out.push_back(command.extended);
}

void x10::WriteExchange(std::vector<uint8_t>& out, const Command& command, bool addressed)
{
    if (!addressed)
        WriteAddress(out, command);
    else if (command.function == kFunctionExtended)
        WriteExtended(out, command);
    else
        WriteFunction(out, command);
}

uint8_t x10::Checksum(const std::vector<uint8_t>& frame)
{
    return ByteSum8(frame.data(), frame.size());
}

void x10::WriteTimeAnswer(std::vector<uint8_t>& out, const std::tm& local)
{
    out.push_back(0x9B);
    PutClock(out, local);
}

void x10::WriteOtherAnswer(std::vector<uint8_t>& out, const std::tm& local)
{
    out.push_back(0x7B);
    PutClock(out, local);
    out.push_back(0x00);
}

void x10::ParseUpload(const uint8_t* bytes, int32_t length, uint8_t& lastAddress,
                      std::vector<X10Report>& reports)
{
    if (!bytes || length < 2)
        return;
    // The size byte counts the bytes after it; only those that are there are read.
    int32_t n = bytes[0];
    if (n > length - 1)
        n = length - 1;
    if (n < 1)
        return;
    const uint8_t mask = bytes[1];
    if (mask == 0 || mask == 1)
    {
        if (n == 2)
        {
            if (mask == 0)
                lastAddress = bytes[2];
            else
                reports.push_back(MakeReport(lastAddress, bytes[2] & 0x0F));
        }
        else if (mask == 1 && n == 5 && (bytes[2] & 0x0F) == kFunctionExtended)
        {
            lastAddress = static_cast<uint8_t>((bytes[2] & 0xF0) | (bytes[3] & 0x0F));
            reports.push_back(MakeReport(lastAddress, kFunctionExtended,
                                         static_cast<uint8_t>((bytes[4] >> 1) & 0x3F), bytes[5]));
        }
        return;
    }
    if (n < 3)
        return;
    int32_t at = 2;
    if ((mask & 0x0F) == 5)
    {
        reports.push_back(MakeReport(lastAddress, bytes[2] & 0x0F));
        at = 3;
    }
    for (; at <= n; at += 2)
    {
        lastAddress = bytes[at];
        if (at + 1 <= n)
            reports.push_back(MakeReport(lastAddress, bytes[at + 1] & 0x0F));
    }
}

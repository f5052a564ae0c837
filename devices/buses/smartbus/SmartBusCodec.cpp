#include "devices/buses/smartbus/SmartBusCodec.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/Checksums.h"

namespace
{
const char* const kKeywordTable[smartbus::kAudioKeywords] = {"POWER",
                                                             "STATUS?",
                                                             "SRC+",
                                                             "VOL",
                                                             "MUTEON",
                                                             "TONE?",
                                                             "BASS+",
                                                             "BASS-",
                                                             "TREBLE+",
                                                             "TREBLE-",
                                                             "PLAYSTOP",
                                                             "PLAY",
                                                             "STOP",
                                                             "PLAYMODE?",
                                                             "MODE+",
                                                             "MODE-",
                                                             "NEXTLIST",
                                                             "PREVLIST",
                                                             "NEXT",
                                                             "PREV",
                                                             "NEXTCHADJ",
                                                             "PREVCHADJ",
                                                             "NEXTCHANNELSCAN",
                                                             "PREVCHANNELSCAN",
                                                             "NEXTCHANNEL",
                                                             "PREVCHANNEL",
                                                             "SAVE",
                                                             "UPDATESTATUS?",
                                                             "UPDATELIST",
                                                             "TALK",
                                                             "MONITOR",
                                                             "NEXTOBJECT",
                                                             "PREVOBJECT",
                                                             "LATCH",
                                                             "PRESS",
                                                             "UnPRESS",
                                                             "DISPINFO",
                                                             "DISPTALK",
                                                             "DISPTONE",
                                                             "DISPUPDATE",
                                                             "DISPMODE",
                                                             "DISPLINE1",
                                                             "DISPLINE2",
                                                             "DISPLINE3",
                                                             "DISPLINE4",
                                                             "DUR",
                                                             "POS",
                                                             "STATUS",
                                                             "MODE",
                                                             "KEY",
                                                             "BASS",
                                                             "TREB",
                                                             "STATUS",
                                                             "STATUS"};

constexpr uint16_t kAudioCode = 6446;
constexpr uint16_t kAudioCode2 = 0xEF03;
constexpr uint8_t kVolumeNumber = 3;
constexpr uint8_t kLastZoneNumber = 9;

void PutWordBE(std::vector<uint8_t>& out, uint16_t value)
{
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

void PutText(std::vector<uint8_t>& out, const char* text)
{
    out.insert(out.end(), text, text + std::strlen(text));
}

bool WriteAudioContent(std::vector<uint8_t>& out, const SmartBusCommand& command)
{
    const char* keyword = smartbus::AudioKeyword(command.number);
    if (!keyword)
        return false;
    char text[48];
    const bool zone = command.number <= kLastZoneNumber;
    int n = std::snprintf(text, sizeof text, "*%c%d%s", zone ? 'Z' : 'S',
                          zone ? command.zone : command.source, keyword);
    if (command.number == kVolumeNumber)
        n += std::snprintf(text + n, sizeof text - static_cast<size_t>(n), "%d",
                           smartbus::VolumeToDevice(command.value));
    PutText(out, text);
    out.push_back(0x0D);
    return true;
}

// The content after the target module; false when the command has no frame.
bool WriteContent(std::vector<uint8_t>& out, const SmartBusCommand& command)
{
    switch (command.opCode)
    {
    case 2:
    case 26:
    case 260:
    case 0xE01C:
    case 0xE3D8:
    case 0xE3E0:
    case 0xE3E4:
    case 0xF116:
        out.push_back(command.number);
        out.push_back(command.value);
        return true;
    case 12:
    case 286:
    case 538:
    case 6472:
    case 0xDB00:
    case 0xE014:
    case 0xE018:
    case 0xE3DA:
    case 0xE3E2:
    case 0xF112:
        out.push_back(command.number);
        return true;
    case 49:
    case 536:
        out.push_back(command.number);
        out.push_back(command.value);
        PutWordBE(out, command.extra);
        return true;
    case kAudioCode:
    case kAudioCode2:
        return WriteAudioContent(out, command);
    case 6470:
        out.insert(out.end(), command.group, command.group + sizeof command.group);
        return true;
    default:
        return true;
    }
}
} // namespace

bool SmartBusFrame::IsForPanel() const
{
    return (targetSubnet == 0xFF && targetDevice == 0xFF) ||
           (targetSubnet == smartbus::kPanelSubnet && targetDevice == smartbus::kPanelDevice);
}

uint8_t smartbus::KindOf(uint16_t opCode)
{
    switch (opCode)
    {
    case 2:
    case 12:
        return 1;
    case 26:
    case 0xE014:
        return 2;
    case 49:
    case 51:
    case 56:
        return 3;
    case 0xF112:
    case 0xF116:
        return 4;
    case 0xE018:
    case 0xE01C:
        return 5;
    case 0xE3E0:
    case 0xE3E2:
        return 6;
    case 0xE3D8:
    case 0xE3DA:
        return 8;
    case 0xE3E7:
        return 9;
    case 0xDB00:
        return 10;
    case kAudioCode:
    case kAudioCode2:
        return 11;
    case 6468:
    case 6470:
        return 12;
    case 6464:
    case 6466:
        return 13;
    case 6472:
        return 14;
    case 260:
    case 286:
        return 15;
    case 536:
    case 538:
        return 16;
    default:
        return 0;
    }
}

const char* smartbus::AudioKeyword(uint8_t number)
{
    return number < kAudioKeywords ? kKeywordTable[number] : nullptr;
}

int32_t smartbus::VolumeToDevice(int32_t panel)
{
    return static_cast<int32_t>(std::trunc(79.0 - panel * 0.79));
}

float smartbus::VolumeFromDevice(float device)
{
    return static_cast<float>(std::trunc(100.0 - device * 1.2658228));
}

FrameVerdict CSmartBusFrameCodec::Check(const uint8_t* bytes, int32_t available) const
{
    if (bytes[0] != 0xAA)
        return FrameVerdict::None();
    if (available < 2)
        return FrameVerdict::More();
    if (bytes[1] != 0xAA)
        return FrameVerdict::None();
    if (available < 3)
        return FrameVerdict::More();
    // A length below 11 cannot hold the header and the CRC: no frame starts here.
    const int32_t lengthByte = bytes[2];
    if (lengthByte < smartbus::kMinLengthByte)
        return FrameVerdict::None();
    const int32_t total = 2 + lengthByte;
    if (available < total)
        return FrameVerdict::More();
    const uint16_t crc = Crc16Xmodem(bytes + 2, static_cast<size_t>(lengthByte - 2));
    const uint16_t sent = static_cast<uint16_t>(bytes[total - 2] << 8 | bytes[total - 1]);
    return crc == sent ? FrameVerdict::Whole(total) : FrameVerdict::None();
}

bool SmartBusReadFrame(const uint8_t* bytes, int32_t length, SmartBusFrame& frame)
{
    frame = SmartBusFrame();
    if (!bytes || length < smartbus::kHeaderLength + 2 || bytes[2] < smartbus::kMinLengthByte ||
        length != 2 + bytes[2])
        return false;
    frame.sourceSubnet = bytes[3];
    frame.sourceDevice = bytes[4];
    frame.opCode = static_cast<uint16_t>(bytes[7] << 8 | bytes[8]);
    frame.targetSubnet = bytes[9];
    frame.targetDevice = bytes[10];
    frame.contentLength = length - smartbus::kHeaderLength - 2;
    std::memcpy(frame.content, bytes + smartbus::kHeaderLength, static_cast<size_t>(frame.contentLength));
    frame.content[frame.contentLength] = 0;
    return true;
}

void SmartBusWritePrefix(std::vector<uint8_t>& out, uint32_t localAddressNetworkOrder)
{
    uint8_t address[4];
    std::memcpy(address, &localAddressNetworkOrder, sizeof address);
    out.insert(out.end(), address, address + sizeof address);
    PutText(out, "HDLMIRACLE");
}

bool SmartBusWriteFrame(std::vector<uint8_t>& out, const SmartBusCommand& command)
{
    const size_t start = out.size();
    out.push_back(0xAA);
    out.push_back(0xAA);
    out.push_back(0); // the length, once the content is known
    out.push_back(smartbus::kPanelSubnet);
    out.push_back(smartbus::kPanelDevice);
    PutWordBE(out, smartbus::kPanelDeviceType);
    PutWordBE(out, command.opCode);
    out.push_back(command.subnet);
    out.push_back(command.device);
    if (!WriteContent(out, command) || out.size() - start > static_cast<size_t>(2 + 255 - 2))
    {
        out.resize(start);
        return false;
    }
    const size_t lengthByte = out.size() - start - 2 + 2;
    out[start + 2] = static_cast<uint8_t>(lengthByte);
    PutWordBE(out, Crc16Xmodem(out.data() + start + 2, out.size() - start - 2));
    return true;
}

#include "SoakFamilies.h"

#include "devices/SerialTransport.h"
#include "tools/writer/InterfaceFileWriter.h"

namespace
{
// clang-format off
const std::vector<SoakFamily> kFamilies = {
    // name            type   link    parameters        frames                              skip pressable
    {"custom_tcp",     0x61,  "tcp",  "",               "text:ON\\r\\n|OFF\\r\\n|O|N\\r\\n",     0, true},
    {"custom_udp",     0x62,  "udp",  "",               "text:ON\\r\\n|OFF\\r\\n",           0, true},
    {"custom_http",    0xE1,  "http", "",               "http_response",                    1, true},
    {"xbmc",           0xF1,  "http", "300",            "xbmc_answer",                      0, false},
    {"amx",            0x01,  "tcp",  "10001,soak,pw",  "amx_frame",                        1, false},
    {"crestron",       0x141, "tcp",  "3",              "crestron_packets",                 1, false},
    {"lutron",         0x161, "tcp",  "nwk",            "lutron_messages",                  1, false},
    {"knx_udp",        0x52,  "udp",  "0 0",            "knx_frame_scanner",                1, false},
    {"knx_tcp",        0x54,  "tcp",  "0 0",            "knx_frame_scanner",                1, false},
    {"baos1x",         0x131, "tcp",  "300",            "knx_baos1x",                       1, false},
    {"baos2x",         0x151, "tcp",  "300",            "knx_baos2x",                       1, false},
    {"modbus_tcp",     0x21,  "tcp",  "300",            "modbus_tcp",                       1, false, SoakFamily::PolledModbus},
    {"modbus_rtu_tcp", 0x44,  "tcp",  "300",            "modbus_rtu",                       1, false, SoakFamily::PolledModbus},
    {"modbus_ascii",   0x34,  "tcp",  "300",            "modbus_ascii",                     1, false, SoakFamily::PolledModbus},
    {"cbus",           0x171, "tcp",  "",               "cbus_serial",                      1, false},
    {"cbus_gate",      0x181, "tcp",  "HOME",           "cbus_gate",                        1, false},
    {"smartbus_tcp",   0xC4,  "tcp",  "",               "smartbus_frames",                  1, false},
    {"x10_tcp",        0x94,  "tcp",  "",               "x10_link",                         1, false},
    {"domintell_tcp",  0xA1,  "tcp",  "soak",           "domintell_lines",                  1, false},
    {"domintell_udp",  0xA2,  "udp",  "soak",           "domintell_lines",                  1, false},
    {"helvarnet_tcp",  0x101, "tcp",  "",               "helvarnet_replies",                2, false, SoakFamily::PolledHelvarNet},
    {"helvarnet_udp",  0x102, "udp",  "",               "helvarnet_replies",                2, false, SoakFamily::PolledHelvarNet},
    {"helvar_av",      0xB4,  "tcp",  "300",            "helvar_av_answers",                1, false},
    {"epsnet",         0xD2,  "udp",  "1 300",          "epsnet_datagrams",                 1, false, SoakFamily::PolledEpsnet},
    {"shturman_xxv07", 0x74,  "tcp",  "300",            "shturman_xxv07",                   1, false},
    {"shturman_d12",   0x84,  "tcp",  "300",            "shturman_d12ss20",                 1, false},
    {"axico",          0x14,  "tcp",  "",               "axico_messages",                   1, false},
    // Presses that the peer stops taking: the transport's send rule gives the link up.
    {"custom_stall",   0x61,  "stall", "",              "text:ON\\r\\n|OFF\\r\\n",           0, true},
    {"smartbus_udp",   0xC2,  "bcast", "",              "smartbus_frames",                  1, false, SoakFamily::PolledSmartBus},
    {"helvarnet_int",  0x112, "bcast", "",              "helvarnet_replies",                2, false, SoakFamily::PolledHelvarNet},
    {"axico_com",      0x13,  "serial", "9600,8,n",     "axico_messages",                   1, false},
    {"modbus_ascii_com", 0x33, "serial", "9600,8,n,300", "modbus_ascii",                    1, false, SoakFamily::PolledModbus},
    {"modbus_rtu_com", 0x43,  "serial", "9600,8,n,300", "modbus_rtu",                       1, false, SoakFamily::PolledModbus},
    {"custom_com",     0x63,  "serial", "9600,8,n",     "text:ON\\r\\n|OFF\\r\\n|O|N\\r\\n",     0, true},
    {"shturman_xxv07_com", 0x73, "serial", "9600,8,n,300", "shturman_xxv07",                1, false},
    {"shturman_d12_com", 0x83, "serial", "9600,8,n,300", "shturman_d12ss20",                1, false},
    {"x10_com",        0x93,  "serial", "4800,8,n",     "x10_link",                         1, false},
    {"helvar_av_com",  0xB3,  "serial", "19200,8,n,300", "helvar_av_answers",               1, false},
    {"smartbus_com",   0xC3,  "serial", "4800,8,n",     "smartbus_frames",                  1, false, SoakFamily::PolledSmartBus},
};
// clang-format on

// A Modbus channel: unit 1 polls holding register 40 (16-bit signed, both directions).
CInterfaceFileWriter::Channel ModbusRegister()
{
    constexpr uint8_t kHoldingRegisters = 2;
    constexpr uint8_t kValueInt16 = 4;
    constexpr uint8_t kSetItemValue = 1;
    return {1, kValueInt16, kSetItemValue, 0, {1, 0, kHoldingRegisters, 40, 0, 0, 0, 0}};
}

// A HelvarNet channel: polls the load level (query 152) of bus device 127.2.3.4 every 300 ms.
CInterfaceFileWriter::Channel HelvarNetQuery()
{
    constexpr uint8_t kPolled = 16;
    constexpr uint8_t kQueryLoadLevel = 152;
    return {1, 6, 1, 0, {kPolled, 44, 1, 0, 0, kQueryLoadLevel, 0, 127, 2, 3, 4, 0, 0, 0, 0, 0}};
}

// An EPSNET channel: reads the 16-bit word at address 12 of area 1.
CInterfaceFileWriter::Channel EpsnetWord()
{
    return {1, 4, 1, 0, {0, 1, 12, 0, 0, 0, 0}};
}

// A SmartBus channel: sends relay channel 3 of bus member 1.2 to 100 % every 300 ms (operation
// 0x0031), which the relay answers.
CInterfaceFileWriter::Channel SmartBusRelay()
{
    constexpr uint8_t kPeriodic = 16;
    constexpr uint8_t kValueInt32 = 6;
    return {1, kValueInt32, 1, 0, {kPeriodic, 44, 1, 0, 0, 1, 2, 0x31, 0x00, 3, 100, 0, 0}};
}

// A serial port's worker writes one block per pass, and a pass waits up to 50 ms for input: a
// press of a whole block that often keeps it writing, so that a peer that stops reading fills the
// pseudo-terminal (some 17 KB) within two seconds and the write time-out runs out.
constexpr double kSerialPressPeriodMs = 50.0;
constexpr double kPressPeriodMs = 250.0;

constexpr uint8_t kPressKind = 1;
constexpr uint8_t kFeedbackKind = 3;
} // namespace

bool SoakFamily::Serial() const
{
    return std::string(link) == "serial";
}

bool SoakFamily::NeedsOwnNetwork() const
{
    return std::string(link) == "bcast";
}

const std::vector<SoakFamily>& CSoakFamilies::All()
{
    return kFamilies;
}

std::string CSoakFamilies::PeerSpec(const SoakFamily& family)
{
    std::string frames = family.frames;
    if (frames.rfind("text:", 0) != 0)
        frames = std::string(NERULAN_SOURCE_DIR) + "/fuzz/corpus/" + frames;
    return std::string(family.name) + ":" + family.link + ":" + frames + ":" + std::to_string(family.skip);
}

double CSoakFamilies::PressPeriodMs(const SoakFamily& family)
{
    if (!family.pressable)
        return 0;
    return family.Serial() ? kSerialPressPeriodMs : kPressPeriodMs;
}

std::vector<uint8_t> CSoakFamilies::InterfaceFile(const std::vector<SoakFamily>& families,
                                                  const std::vector<uint16_t>& ports)
{
    std::vector<CInterfaceFileWriter::Device> devices;
    for (size_t i = 0; i < families.size() && i < ports.size(); ++i)
    {
        const SoakFamily& family = families[i];
        CInterfaceFileWriter::Device device;
        device.id = static_cast<uint32_t>(i + 1);
        device.type = family.type;
        // Without a host a broadcast family sends to 255.255.255.255.
        device.host = family.Serial() || family.NeedsOwnNetwork() ? nullptr : "127.0.0.1";
        device.port = ports[i];
        device.parameters = family.parameters;
        if (family.pressable)
        {
            bool http = std::string(family.link) == "http";
            // A serial port takes one block at a time, and no more than one.
            size_t bytes = family.Serial() ? CSerialTransport::kBufferSize : kPressBytes;
            std::string press = http ? "/soak?press=1" : std::string(bytes, 'P');
            device.channels.push_back(
                {1, 0, 0, 0, CInterfaceFileWriter::CustomChannelBlob(kPressKind, 0, 1, press)});
            device.channels.push_back(
                {2, 0, 0, 0, CInterfaceFileWriter::CustomChannelBlob(kFeedbackKind, 5, 1, "ON\r\n")});
        }
        if (family.polled == SoakFamily::PolledModbus)
            device.channels.push_back(ModbusRegister());
        else if (family.polled == SoakFamily::PolledHelvarNet)
            device.channels.push_back(HelvarNetQuery());
        else if (family.polled == SoakFamily::PolledEpsnet)
            device.channels.push_back(EpsnetWord());
        else if (family.polled == SoakFamily::PolledSmartBus)
            device.channels.push_back(SmartBusRelay());
        devices.push_back(device);
    }
    CInterfaceFileWriter writer;
    writer.PutHeader({});
    writer.PutDeviceTable(devices);
    writer.PutEmptyResources();
    return writer.Bytes();
}

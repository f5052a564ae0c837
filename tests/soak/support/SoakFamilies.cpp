#include "SoakFamilies.h"

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

constexpr uint8_t kPressKind = 1;
constexpr uint8_t kFeedbackKind = 3;
} // namespace

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

std::vector<uint8_t> CSoakFamilies::InterfaceFile(const std::vector<uint16_t>& ports)
{
    std::vector<CInterfaceFileWriter::Device> devices;
    for (size_t i = 0; i < kFamilies.size() && i < ports.size(); ++i)
    {
        const SoakFamily& family = kFamilies[i];
        CInterfaceFileWriter::Device device;
        device.id = static_cast<uint32_t>(i + 1);
        device.type = family.type;
        device.host = "127.0.0.1";
        device.port = ports[i];
        device.parameters = family.parameters;
        if (family.pressable)
        {
            bool http = std::string(family.link) == "http";
            std::string press = http ? "/soak?press=1" : std::string(kPressBytes, 'P');
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
        devices.push_back(device);
    }
    CInterfaceFileWriter writer;
    writer.PutHeader({});
    writer.PutDeviceTable(devices);
    writer.PutEmptyResources();
    return writer.Bytes();
}

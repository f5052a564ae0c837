#pragma once
#include <cstdint>
#include <memory>

// What the device table gives a driver's Configure: the endpoint and the family's fields, parsed
// from the record's parameter text by the factory (devices/DeviceFactory.h). It lives only during
// Configure: a driver copies what it keeps.
//
// Fields by type code (the family fields that are not listed stay 0 or null):
//
//   network rows            host (null when the record has none), port
//   serial rows             port = COM number, baud, dataBits, parity ('n', 'e', 'o', or whatever
//                           the text held), readInterval = 1
//   0x01 AMX                value = device number, text = user name, password, and the identity
//                           texts product, version, maker, serial
//   0x21 0x34 0x44 0xB4     value = poll period (ms)
//   0x33 0x43 0x83 0xB3     value = poll period (ms), the fourth serial value
//   0x73 / 0x74             value = the fourth serial value / the number (unused by the driver)
//   0x84 0xF1 0x131 0x151   value = poll period (ms)
//   0x52 0x54 KNX           value = reconnect wait (ms, 0 keeps the driver's own),
//                           second = pause after an acknowledgement (ms)
//   0xD2 EPSNET             value = station address (low 8 bits), second = poll period (ms)
//   0x141 Crestron          value = IP id (low 16 bits)
//   0xA1 0xA2 Domintell     text = login text (up to the first ',')
//   0x161 Lutron            text = login name (the whole parameter text; never null here)
//   0x181 C-Bus gateway     text = project name (the whole parameter text, may be null)
struct DeviceParams
{
    uint32_t type = 0;
    const char* host = nullptr;
    uint16_t port = 0;

    uint32_t baud = 0;
    uint8_t dataBits = 0;
    char parity = 0;
    uint16_t readInterval = 0;

    uint32_t value = 0;
    uint32_t second = 0;
    const char* text = nullptr;
    const char* password = nullptr;

    const char* product = nullptr;
    const char* version = nullptr;
    const char* maker = nullptr;
    const char* serial = nullptr;

    // The copies the texts above point into (owned by the record).
    std::unique_ptr<char[]> ownedText;
    std::unique_ptr<char[]> ownedPassword;
};

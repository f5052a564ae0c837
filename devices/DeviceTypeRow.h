#pragma once
#include <cstdint>
#include <span>

class CAbstractDevice;

// How a row of the device-type table reads the record's parameter text into DeviceParams.
enum class ParamForm : uint8_t
{
    NotRead,          // the text is not looked at
    NotUsed,          // one number is read and ignored
    Number,           // value = number
    NumberStepNumber, // value = number, step, second = number
    Serial3,          // baud, step, data bits, parity
    Serial4,          // as Serial3, then value = the fourth number
    Token,            // text = the token up to the first ',' or the end
    WholeText,        // text = the whole parameter text (null when absent)
    Amx,              // value = number, step, text = token (user name), password = token
};

// What a record must hold for its driver to be created; a record that fails is skipped silently.
enum class Requirement : uint8_t
{
    None,         // created without host or port
    HostAndPort,  // a host that is present and not empty, and a port that is not 0
    Port,         // a port that is not 0 (no host needed)
    ComPort,      // a COM port number that is not 0
    HostPortText, // host and port, and a parameter text that is present and not empty
};

// Constructs a driver, nothing more; the factory configures it.
using DeviceMaker = CAbstractDevice* (*)();

template <class Driver> CAbstractDevice* MakeDevice()
{
    return new Driver;
}

// One DeviceTypeCode of the interface file's device table.
//
// A driver fills its row in devices/DeviceTypeTable.cpp by replacing the null with its maker:
//
//     #include "devices/buses/modbus/ModbusTCPDevice.h"
//     {0x21, "CreateModbusTCPDevice", F::Number, R::HostAndPort, 0, MakeDevice<CModbusTCPDevice>},
//
// The class needs a public default constructor; its Configure receives the parsed DeviceParams
// (devices/DeviceParams.h lists the fields by code) and normally ends in one of the shared forms
// (CAbstractDevice::OpenTcpTransport, OpenUdpTransport, OpenSerialTransport).
struct DeviceTypeRow
{
    uint32_t code;
    const char* factory; // the factory's name, for reading the table
    ParamForm form;
    Requirement requirement;
    uint32_t defaultBaud; // serial rows: the baud rate when the record has no parameter text
    // Null until the driver exists; a code whose driver is missing counts as a code without a row.
    DeviceMaker make;
};

// The program's table, one row per DeviceTypeCode (devices/DeviceTypeTable.cpp).
std::span<const DeviceTypeRow> DeviceTypeTable();

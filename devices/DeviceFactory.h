#pragma once
#include <cstdint>
#include <span>

#include "devices/DeviceParams.h"
#include "devices/DeviceTypeRow.h"

class CAbstractDevice;

// Creates the driver of one device-table record: finds the row of its DeviceTypeCode, checks
// the row's requirement, parses the parameter text into DeviceParams and configures the new
// driver with it. The driver is returned whatever Configure answered.
//
// Parameter text, read with the string functions' cursor:
//   number  the next run of digits (non-digits before it skipped; 0 at the end of the text)
//   step    one character further, never past the end
//   serial  baud = number, step, data bits = number; the cursor then stands on the character that
//           ended the data bits, and the parity is the one after it, in lower case ("9600, 8, n"
//           gives a blank). A text that ends before the parity gives "n". Four values: past the
//           parity and the character after it, value = number.
//   Without a parameter text (none at all, not an empty one) the serial rows take the row's baud,
//   8 data bits, parity "n" and a fourth value of 0. The read interval is always 1 ms.
//
// The AMX row's identity texts are this program's own.
class CDeviceFactory
{
public:
    static constexpr const char* kAmxProduct = "Nerulan for Win32";
    static constexpr const char* kAmxVersion = "1.5.6";
    static constexpr const char* kAmxMaker = "Talvenor Ltd.";
    static constexpr const char* kAmxSerial = "N\\A";
    static constexpr uint8_t kDefaultDataBits = 8;
    static constexpr char kDefaultParity = 'n';
    static constexpr uint16_t kReadInterval = 1;

    // The program's table.
    CDeviceFactory() : m_rows(DeviceTypeTable()) {}
    // Another table (tests).
    explicit CDeviceFactory(std::span<const DeviceTypeRow> rows) : m_rows(rows) {}

    // The row of a code, with or without its driver; null when the code has none.
    const DeviceTypeRow* FindRow(uint32_t code) const;

    // Whether the record satisfies the row's requirement.
    static bool MeetsRequirement(const DeviceTypeRow& row, const char* host, uint16_t port, const char* text);
    // Fills the parameters of a record by the row's form (the requirement is not checked).
    static void Parse(const DeviceTypeRow& row, const char* host, uint16_t port, const char* text,
                      DeviceParams& params);

    // The configured driver of a record, or null. `known` tells whether the code has a driver; a
    // known code whose record fails the requirement gives null with `known` true.
    CAbstractDevice* Create(uint32_t code, const char* host, uint16_t port, const char* text,
                            bool& known) const;

private:
    std::span<const DeviceTypeRow> m_rows;
};

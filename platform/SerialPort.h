#pragma once
#include <cstdint>
#include <string>

// Serial ports on termios. Port n is the file "COMn" in the current directory when it exists
// (a link to a device or to a pseudo-terminal), else /dev/ttyS(n-1).
namespace platform
{
std::string SerialPortPath(uint32_t number);

// Whether termios has a speed constant for the baud rate.
bool IsSupportedBaud(uint32_t baud);

// Opens the port non-blocking in raw mode: the baud rate, 7 or 8 data bits, parity 'n', 'e' or
// 'o', one stop bit, no flow control, DTR and RTS raised. A pseudo-terminal keeps no parity and
// only 8 data bits, so there only the speed is applied. -1 on failure.
int OpenSerialPort(const std::string& path, uint32_t baud, uint8_t dataBits, char parity);
void CloseSerialPort(int fd);
// Drops what has arrived and not been read.
void DiscardSerialInput(int fd);
} // namespace platform

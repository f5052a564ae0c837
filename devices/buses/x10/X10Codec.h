#pragma once
#include <cstdint>
#include <ctime>
#include <vector>

// The frames of an X10 computer interface of the CM11 kind and the parsing of its uploads.
//
// The panel sends an address frame (0x04, house << 4 | unit), then a function frame
// (data << 3 | 0x06, house << 4 | function) or an extended frame (0x07, house << 4 | 7, unit,
// data, command); the interface answers each with the 8-bit sum of its bytes, the panel confirms
// with 0x00 and the interface ends with 0x55. The interface asks to be polled with 0x5A (the panel
// answers 0xC3 and gets an upload: size, mask, data bytes) and for the time with 0xA5 and 0xA6.

// A function the interface reported for a module.
struct X10Report
{
    uint8_t house = 0;
    uint8_t unit = 0;
    uint8_t function = 0;
    uint8_t data = 0;
    uint8_t extended = 0;
};

namespace x10
{
constexpr uint8_t kFunctionOn = 2;
constexpr uint8_t kFunctionOff = 3;
constexpr uint8_t kFunctionExtended = 7;

constexpr uint8_t kPollSignal = 0x5A;
constexpr uint8_t kPollAnswer = 0xC3;
constexpr uint8_t kTimeRequest = 0xA5;
constexpr uint8_t kOtherRequest = 0xA6;
constexpr uint8_t kConfirm = 0x00;
constexpr uint8_t kReady = 0x55;
// An upload's size byte counts the bytes after it; the receive stream holds 128 bytes in all.
constexpr uint8_t kMaxUpload = 127;

// One command exchange: the address frame, or (once addressed) the function or extended frame.
struct Command
{
    uint8_t function = 0;
    uint8_t extended = 0;
    uint8_t house = 0;
    uint8_t unit = 0;
    uint8_t data = 0;
};

void WriteAddress(std::vector<uint8_t>& out, const Command& command);
void WriteFunction(std::vector<uint8_t>& out, const Command& command);
void WriteExtended(std::vector<uint8_t>& out, const Command& command);
// The frame of the exchange due: the address when not yet addressed, else the function.
void WriteExchange(std::vector<uint8_t>& out, const Command& command, bool addressed);
uint8_t Checksum(const std::vector<uint8_t>& frame);

// The answer to 0xA5 (7 bytes) and to 0xA6 (8 bytes; the last one is 0) from a local time.
void WriteTimeAnswer(std::vector<uint8_t>& out, const std::tm& local);
void WriteOtherAnswer(std::vector<uint8_t>& out, const std::tm& local);

// Parses one whole upload (bytes[0] = size n, then n bytes); `lastAddress` is the address the
// interface reported last, kept across uploads. Bytes beyond `length` are never read.
void ParseUpload(const uint8_t* bytes, int32_t length, uint8_t& lastAddress, std::vector<X10Report>& reports);
} // namespace x10

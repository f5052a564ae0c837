#pragma once
#include <cstdint>
#include <string>

#include "common/FrameScanner.h"

// One message from an Axico interface.
struct AxicoMessage
{
    enum Kind : uint8_t
    {
        None = 0,
        Status,         // an actuator's address and command
        ExtendedStatus, // a status with four more bytes; it changes no channel
        Greeting,       // "AC102\r"
        ModeRequest,    // "E\r"
        Ready,          // "O\r"
        Closed,         // "C\r"
        Stop,           // "S\r"
    };
    uint8_t kind = None;
    uint8_t address[3] = {0, 0, 0};
    uint8_t command = 0;
};

// The Axico interface's bytes: commands "S05" + hex digits + CR out; 'P' status frames and a few
// fixed texts in. A 'P' frame is 'P', L, three address bytes, the command, ..., and its checksum
// at offset L + 1; L is at least 5. An extended frame (L of 6 or more) repeats the checksum at
// offset 12 (L up to 12, byte 6 not 0) or 11 (L above 12).
class CAxicoCodec : public CAbstractFrameCodec
{
public:
    static constexpr uint8_t kOff = 0x00;
    static constexpr uint8_t kOn = 0x11;
    static constexpr uint8_t kUp = 0x13;
    static constexpr uint8_t kDown = 0x14;

    static constexpr const char* kConnect = "T\r";
    static constexpr const char* kGreetingAnswer = "M\r";
    static constexpr const char* kModeAnswer = "O\rRC8\r";
    static constexpr const char* kClose = "C\r";

    FrameVerdict Check(const uint8_t* bytes, int32_t available) const override;
    int32_t MaxFrameLength() const override { return 255 + 2; }

    // The message a whole frame (as Check found it) carries.
    static AxicoMessage Classify(const uint8_t* frame, int32_t length);
    // The status checksum for a frame's address, command and length.
    static uint8_t StatusChecksum(const uint8_t* frame);
    // "S05", the three address bytes, the command and the checksum in upper-case hex, then CR.
    static std::string WriteCommand(const uint8_t address[3], uint8_t command);
};

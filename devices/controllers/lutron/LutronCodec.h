#pragma once
#include <cstdint>
#include <string>

// One details answer: the device's serial and its family.
struct LutronDetails
{
    enum Family : uint8_t
    {
        FamilyOther = 0,
        FamilyControlInterface = 1,
        FamilyKeypad = 2,
    };
    uint32_t serial = 0;
    uint8_t family = FamilyOther;
};

// One message read from the Lutron integration interface.
struct LutronMessage
{
    enum Kind : uint16_t
    {
        None = 0,
        LoginPrompt = 1,
        ConnectionEstablished = 2,
        ClosingConnection = 3,
        DeviceReport = 4,
        Details = 5,
        Monitoring = 6,
        Error = 10,
    };
    uint16_t kind = None;
    uint32_t serial = 0;
    uint8_t code = 0;
    uint8_t second = 0;
    int16_t parameter = -1;
    LutronDetails details;
};

// The Lutron text protocol: the report lines ("~KEYWORD,fields") and keywords the system sends,
// and the DEVICE commands the panel writes. Plain ASCII; commands end with CR LF.
class CLutronCodec
{
public:
    // The longest report line taken; longer lines are dropped whole.
    static constexpr int32_t kMaxLine = 255;

    // Parses a report line that starts with "~" (without its CR). False for an unknown keyword or
    // a DEVICE or DETAILS line whose fields do not parse.
    static bool ParseReport(const std::string& line, LutronMessage& message);
    // The keyword message (login prompt, connection established, closing connection) found in
    // text, ignoring ASCII case; LutronMessage::None when there is none. `end` is set to the
    // index just past the keyword.
    static uint16_t FindKeyword(const std::string& text, size_t& end);

    // Appends one command: prefix ("#" for 1, "?" for 2), "DEVICE,", the serial as "0x%.8x,"
    // unless it is 0, the code's fields and CR LF. A prefix kind other than 1 or 2 or a command
    // kind other than 4 (DEVICE) writes nothing, so no stray prefix runs into the next command.
    // False when nothing was written.
    static bool LutronWriteCommand(std::string& out, uint32_t serial, uint8_t prefixKind, uint8_t commandKind,
                                   uint8_t code, int32_t number, int32_t value);

    static constexpr uint8_t kCommandDevice = 4;
    static constexpr uint8_t kCodeLevel = 14;
    static constexpr uint8_t kCodeIndicator = 141;

private:
    static bool ParseDevice(const std::string& fields, LutronMessage& message);
    static bool ParseDetails(const std::string& fields, LutronMessage& message);
};

#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The Domintell master's text protocol, without any link: the module codes, the login token,
// the command lines and the status lines. Lines are ASCII and end in CR LF.
//
//   std::string line;
//   CDomintellCodec::CommandLine(line, 8, 0x12A, 3, 3, 50);          // "DIM00012A-3%D50\r\n"
//   std::vector<DomintellReport> reports;
//   CDomintellCodec::ParseStatus(text, length, reports);              // one report per value
struct DomintellReport
{
    uint8_t moduleType = 0; // index into the module code table (1..29)
    uint32_t serial = 0;    // 24 bits
    uint8_t io = 0;         // output, input or channel number
    float value = 0;
};

// The local date and time that the login token is built from.
struct DomintellDate
{
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
};

class CDomintellCodec
{
public:
    // A line of more characters than this, CR LF not counted, is no line of the master's.
    static constexpr int32_t kMaxLine = 64;
    static constexpr uint32_t kModuleCount = 30; // entry 0 is empty
    static constexpr size_t kTokenLength = 17;
    // Module types of the command and status tables.
    enum Module : uint8_t
    {
        AMP = 1,
        BIR = 6,
        DIM = 8,
        DMR = 12,
        LC3 = 18,
        PBL = 19,
        TRV = 21,
        TRP = 22,
        TPV = 23,
        TE1 = 24,
        TE2 = 25,
        TSB = 26,
    };
    // The I/O numbers a TPV status value goes to: the odd numbers from the first to the last.
    static constexpr uint8_t kTpvFirstIo = 7;
    static constexpr uint8_t kTpvLastIo = 15;

    // The three letters of a module type; null for 0 and for types beyond the table.
    static const char* ModuleCode(uint32_t type);
    // The module type of three letters (exact case); 0 when none.
    static uint8_t ModuleType(const char* letters, size_t length);

    // The 17 bytes of the login token for a login text (its first ten characters count) at a
    // local date and time.
    static std::array<uint8_t, kTokenLength> LoginToken(const char* login, const DomintellDate& date);
    // "LOGIN", the token up to its first zero byte when there is a login text, CR LF.
    static std::string LoginLine(const char* login, const DomintellDate& date);

    // A command line (with its CR LF) for a module; false, and nothing written, for a module type
    // outside the table.
    static bool CommandLine(std::string& out, uint32_t moduleType, uint32_t serial, uint8_t io,
                            uint8_t subKind, int32_t value);
    // A value in ten-thousandths as sign, whole part, point and four fraction digits: -25000
    // gives "-2.5000", 200500 gives "20.0500".
    static std::string FixedPoint(int32_t value);

    // The values a status line (without CR LF) carries, appended in line order. Lines of unknown
    // modules, and status texts shorter than their module needs, give none.
    static void ParseStatus(const char* line, size_t length, std::vector<DomintellReport>& out);
};

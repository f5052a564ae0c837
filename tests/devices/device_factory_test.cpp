// The device-type table and the factory: parameter parsing by row, the requirements, and the
// creation and configuration of a driver.
#include "devices/DeviceFactory.h"
#include "support/ToolkitTestDevice.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace
{
const DeviceTypeRow& Row(uint32_t code)
{
    static CDeviceFactory factory;
    const DeviceTypeRow* row = factory.FindRow(code);
    EXPECT_NE(row, nullptr) << std::hex << code;
    static const DeviceTypeRow none{0, "", ParamForm::NotRead, Requirement::None, 0, nullptr};
    return row ? *row : none;
}

struct SerialCase
{
    uint32_t code;
    const char* text;
    uint32_t baud;
    uint8_t dataBits;
    char parity;
    uint32_t value;
};

TEST(DeviceFactory, SerialParameters)
{
    const SerialCase cases[] = {
        {0x63, "19200,7,e", 19200, 7, 'e', 0},
        {0x63, "9600,8,N", 9600, 8, 'n', 0},
        // With blanks the parity is the character after the data bits' delimiter: a blank.
        {0x63, "9600, 8, n", 9600, 8, ' ', 0},
        // A short text: 0 for each missing number, and a parity that is missing reads as none
        // (never the byte past the end of the text).
        {0x63, "19200,7", 19200, 7, 'n', 0},
        {0x63, "19200,7,", 19200, 7, 'n', 0},
        {0x63, "19200", 19200, 0, 'n', 0},
        {0x63, "", 0, 0, 'n', 0},
        {0x63, "9600,264,n", 9600, 0, 'n', 0},
        {0x43, "9600,8,e,250", 9600, 8, 'e', 250},
        {0x43, "9600,8,e", 9600, 8, 'e', 0},
        {0x33, "4800,7,o,1000", 4800, 7, 'o', 1000},
        // No text at all: the family's defaults.
        {0x63, nullptr, 9600, 8, 'n', 0},
        {0x13, nullptr, 9600, 8, 'n', 0},
        {0x33, nullptr, 9600, 8, 'n', 0},
        {0x43, nullptr, 9600, 8, 'n', 0},
        {0x73, nullptr, 9600, 8, 'n', 0},
        {0x83, nullptr, 9600, 8, 'n', 0},
        {0x93, nullptr, 4800, 8, 'n', 0},
        {0xC3, nullptr, 4800, 8, 'n', 0},
        {0xB3, nullptr, 19200, 8, 'n', 0},
    };
    for (const SerialCase& c : cases)
    {
        DeviceParams params;
        CDeviceFactory::Parse(Row(c.code), nullptr, 3, c.text, params);
        std::string where = std::to_string(c.code) + " " + (c.text ? c.text : "(none)");
        EXPECT_EQ(params.type, c.code) << where;
        EXPECT_EQ(params.port, 3) << where;
        EXPECT_EQ(params.baud, c.baud) << where;
        EXPECT_EQ(params.dataBits, c.dataBits) << where;
        EXPECT_EQ(params.parity, c.parity) << where;
        EXPECT_EQ(params.readInterval, 1) << where;
        EXPECT_EQ(params.value, c.value) << where;
    }
}

struct NetworkCase
{
    uint32_t code;
    const char* text;
    uint32_t value;
    uint32_t second;
    const char* parsedText;
    const char* password;
};

TEST(DeviceFactory, NetworkAndFamilyParameters)
{
    const NetworkCase cases[] = {
        {0x21, "500", 500, 0, nullptr, nullptr},
        {0x21, nullptr, 0, 0, nullptr, nullptr},
        {0xF1, "poll 250 ms", 250, 0, nullptr, nullptr},
        {0x52, "30000,200", 30000, 200, nullptr, nullptr},
        {0x54, "0,50", 0, 50, nullptr, nullptr},
        {0xD2, "3,1000", 3, 1000, nullptr, nullptr},
        {0x141, "37", 37, 0, nullptr, nullptr},
        {0xA1, "login,rest", 0, 0, "login", nullptr},
        {0xA2, "login", 0, 0, "login", nullptr},
        {0xA1, ",rest", 0, 0, nullptr, nullptr},
        {0x161, "nwk, pass", 0, 0, "nwk, pass", nullptr},
        {0x181, "Project A", 0, 0, "Project A", nullptr},
        {0x181, nullptr, 0, 0, nullptr, nullptr},
        {0x61, "12", 0, 0, nullptr, nullptr}, // read and ignored
        {0x14, "12", 0, 0, nullptr, nullptr}, // not read
        {0x01, "10003,admin,secret", 10003, 0, "admin", "secret"},
        {0x01, "10003,admin", 10003, 0, "admin", nullptr},
        // An empty user name: the token is refused and the cursor stays, so no password either.
        {0x01, "10003,,secret", 10003, 0, nullptr, nullptr},
        {0x01, nullptr, 0, 0, nullptr, nullptr},
    };
    for (const NetworkCase& c : cases)
    {
        DeviceParams params;
        CDeviceFactory::Parse(Row(c.code), "127.0.0.1", 1319, c.text, params);
        std::string where = std::to_string(c.code) + " " + (c.text ? c.text : "(none)");
        EXPECT_STREQ(params.host, "127.0.0.1") << where;
        EXPECT_EQ(params.port, 1319) << where;
        EXPECT_EQ(params.value, c.value) << where;
        EXPECT_EQ(params.second, c.second) << where;
        EXPECT_STREQ(params.text, c.parsedText) << where;
        EXPECT_STREQ(params.password, c.password) << where;
        EXPECT_EQ(params.baud, 0u) << where;
    }
}

TEST(DeviceFactory, AmxIdentity)
{
    DeviceParams params;
    CDeviceFactory::Parse(Row(0x01), nullptr, 0, "1", params);
    EXPECT_STREQ(params.product, "Nerulan for Win32");
    EXPECT_STREQ(params.version, "1.5.6");
    EXPECT_STREQ(params.maker, "Talvenor Ltd.");
    EXPECT_STREQ(params.serial, "N\\A");
}

TEST(DeviceFactory, Requirements)
{
    struct Case
    {
        uint32_t code;
        const char* host;
        uint16_t port;
        const char* text;
        bool met;
    };
    const Case cases[] = {
        {0x01, nullptr, 0, nullptr, true}, // AMX: created without host or port
        {0x21, "127.0.0.1", 502, nullptr, true},    {0x21, "", 502, nullptr, false},
        {0x21, nullptr, 502, nullptr, false},       {0x21, "127.0.0.1", 0, nullptr, false},
        {0x63, nullptr, 1, nullptr, true},          {0x63, nullptr, 0, "9600,8,n", false},
        {0xC2, nullptr, 6000, nullptr, true}, // port only
        {0x112, nullptr, 0, nullptr, false},        {0x161, "127.0.0.1", 23, "nwk", true},
        {0x161, "127.0.0.1", 23, nullptr, false},   {0x161, "127.0.0.1", 23, "", false},
        {0x181, "127.0.0.1", 20023, nullptr, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CDeviceFactory::MeetsRequirement(Row(c.code), c.host, c.port, c.text), c.met)
            << std::hex << c.code;
}

TEST(DeviceFactory, TheTableHasEveryCodeOnce)
{
    const uint32_t codes[] = {0x01,  0x13,  0x14,  0x21,  0x33,  0x34,  0x43,  0x44, 0x52, 0x54,
                              0x61,  0x62,  0x63,  0x73,  0x74,  0x83,  0x84,  0x93, 0x94, 0xA1,
                              0xA2,  0xB3,  0xB4,  0xC2,  0xC3,  0xC4,  0xD2,  0xE1, 0xF1, 0x101,
                              0x102, 0x112, 0x131, 0x141, 0x151, 0x161, 0x171, 0x181};
    std::set<uint32_t> seen;
    for (const DeviceTypeRow& row : DeviceTypeTable())
        EXPECT_TRUE(seen.insert(row.code).second) << std::hex << row.code;
    EXPECT_EQ(seen, std::set<uint32_t>(std::begin(codes), std::end(codes)));
    CDeviceFactory factory;
    EXPECT_EQ(factory.FindRow(0x02), nullptr);
}

// A driver that keeps what Configure was given.
class CConfiguredDevice : public CAbstractDevice
{
public:
    static int configured;
    std::string host;
    uint16_t port = 0;
    uint32_t baud = 0;
    char parity = 0;
    std::string text;
    bool Configure(DeviceParams* params) override
    {
        ++configured;
        host = params->host ? params->host : "";
        port = params->port;
        baud = params->baud;
        parity = params->parity;
        text = params->text ? params->text : "";
        return false; // the driver is returned whatever Configure answers
    }
};
int CConfiguredDevice::configured = 0;

TEST(DeviceFactory, CreatesAndConfiguresOnlyWhatTheRowAllows)
{
    const DeviceTypeRow rows[] = {
        {0x63, "CreateSerial", ParamForm::Serial3, Requirement::ComPort, 9600, MakeDevice<CConfiguredDevice>},
        {0x161, "CreateText", ParamForm::WholeText, Requirement::HostPortText, 0,
         MakeDevice<CConfiguredDevice>},
        {0x21, "CreateNotYet", ParamForm::Number, Requirement::HostAndPort, 0, nullptr},
    };
    CDeviceFactory factory(rows);
    CConfiguredDevice::configured = 0;
    bool known = false;

    std::unique_ptr<CAbstractDevice> serial(factory.Create(0x63, nullptr, 4, "19200,7,e", known));
    EXPECT_TRUE(known);
    ASSERT_TRUE(serial);
    auto* configured = static_cast<CConfiguredDevice*>(serial.get());
    EXPECT_EQ(configured->port, 4);
    EXPECT_EQ(configured->baud, 19200u);
    EXPECT_EQ(configured->parity, 'e');

    std::unique_ptr<CAbstractDevice> text(factory.Create(0x161, "127.0.0.1", 23, "nwk", known));
    ASSERT_TRUE(text);
    EXPECT_EQ(static_cast<CConfiguredDevice*>(text.get())->text, "nwk");
    EXPECT_EQ(static_cast<CConfiguredDevice*>(text.get())->host, "127.0.0.1");

    // A requirement that fails: known, nothing created.
    EXPECT_EQ(factory.Create(0x161, "127.0.0.1", 23, nullptr, known), nullptr);
    EXPECT_TRUE(known);
    // A row without its driver acts as a code without a row.
    EXPECT_EQ(factory.Create(0x21, "127.0.0.1", 502, nullptr, known), nullptr);
    EXPECT_FALSE(known);
    EXPECT_EQ(factory.Create(0x02, "127.0.0.1", 502, nullptr, known), nullptr);
    EXPECT_FALSE(known);
    EXPECT_EQ(CConfiguredDevice::configured, 2);
}
} // namespace

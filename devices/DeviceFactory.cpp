#include "devices/DeviceFactory.h"

#include "common/StringFunctions.h"
#include "devices/AbstractDevice.h"

namespace
{
void Step(const char*& cursor)
{
    if (*cursor)
        ++cursor;
}

uint32_t Number(const char*& cursor)
{
    return static_cast<uint32_t>(NextInt(&cursor));
}

char FoldParity(char parity)
{
    if (parity >= 'A' && parity <= 'Z')
        return static_cast<char>(parity - 'A' + 'a');
    return parity;
}

void ParseSerial(const DeviceTypeRow& row, const char* text, DeviceParams& params)
{
    params.readInterval = CDeviceFactory::kReadInterval;
    if (!text)
    {
        params.baud = row.defaultBaud;
        params.dataBits = CDeviceFactory::kDefaultDataBits;
        params.parity = CDeviceFactory::kDefaultParity;
        return;
    }
    const char* cursor = text;
    params.baud = Number(cursor);
    Step(cursor);
    // A number too large for the field is no data-bit count: 0, which the transport refuses,
    // rather than its low byte (264 would read as 8).
    uint32_t dataBits = Number(cursor);
    params.dataBits = dataBits <= 0xFF ? static_cast<uint8_t>(dataBits) : 0;
    // The cursor stands on what ended the data bits; the parity is the character after it. A text
    // that ends first has no parity letter, which reads as none.
    params.parity = *cursor && cursor[1] ? FoldParity(cursor[1]) : CDeviceFactory::kDefaultParity;
    if (row.form == ParamForm::Serial4)
    {
        Step(cursor);
        Step(cursor);
        Step(cursor);
        params.value = Number(cursor);
    }
}
} // namespace

const DeviceTypeRow* CDeviceFactory::FindRow(uint32_t code) const
{
    for (const DeviceTypeRow& row : m_rows)
    {
        if (row.code == code)
            return &row;
    }
    return nullptr;
}

bool CDeviceFactory::MeetsRequirement(const DeviceTypeRow& row, const char* host, uint16_t port,
                                      const char* text)
{
    bool hasHost = host && *host;
    switch (row.requirement)
    {
    case Requirement::None:
        return true;
    case Requirement::HostAndPort:
        return hasHost && port != 0;
    case Requirement::Port:
    case Requirement::ComPort:
        return port != 0;
    case Requirement::HostPortText:
        return hasHost && port != 0 && text && *text;
    }
    return false;
}

void CDeviceFactory::Parse(const DeviceTypeRow& row, const char* host, uint16_t port, const char* text,
                           DeviceParams& params)
{
    params.type = row.code;
    params.host = host;
    params.port = port;
    const char* cursor = text ? text : "";
    switch (row.form)
    {
    case ParamForm::NotRead:
        break;
    case ParamForm::NotUsed:
        Number(cursor);
        break;
    case ParamForm::Number:
        params.value = Number(cursor);
        break;
    case ParamForm::NumberStepNumber:
        params.value = Number(cursor);
        Step(cursor);
        params.second = Number(cursor);
        break;
    case ParamForm::Serial3:
    case ParamForm::Serial4:
        ParseSerial(row, text, params);
        break;
    case ParamForm::Token:
        params.ownedText.reset(NextToken(kCommaDelimiters, &cursor));
        params.text = params.ownedText.get();
        break;
    case ParamForm::WholeText:
        params.text = text;
        break;
    case ParamForm::Amx:
        params.value = Number(cursor);
        Step(cursor);
        // An empty token is refused without moving the cursor: an empty user name leaves the
        // password absent as well.
        params.ownedText.reset(NextToken(kCommaDelimiters, &cursor));
        params.text = params.ownedText.get();
        params.ownedPassword.reset(NextToken(kCommaDelimiters, &cursor));
        params.password = params.ownedPassword.get();
        params.product = kAmxProduct;
        params.version = kAmxVersion;
        params.maker = kAmxMaker;
        params.serial = kAmxSerial;
        break;
    }
}

CAbstractDevice* CDeviceFactory::Create(uint32_t code, const char* host, uint16_t port, const char* text,
                                        bool& known) const
{
    const DeviceTypeRow* row = FindRow(code);
    known = row && row->make;
    if (!known || !MeetsRequirement(*row, host, port, text))
        return nullptr;
    DeviceParams params;
    Parse(*row, host, port, text, params);
    CAbstractDevice* device = row->make();
    if (device)
        device->Configure(&params);
    return device;
}

#include "devices/buses/cbus/ClipsalHvacZone.h"

uint8_t ClipsalHvacZone::ModeByte() const
{
    return static_cast<uint8_t>((bytes[3] & 7) | (bytes[4] ? 0x08 : 0) | (bytes[5] ? 0x10 : 0) |
                                (bytes[6] ? 0x20 : 0) | (bytes[7] ? 0x40 : 0));
}

uint8_t ClipsalHvacZone::LevelByte() const
{
    return static_cast<uint8_t>((bytes[15] & 0x3F) | (bytes[16] ? 0x40 : 0));
}

size_t ClipsalHvacZone::CommandLength(const uint8_t* command, size_t available)
{
    size_t length = 3;
    switch (command[0])
    {
    case 0x79:
    case 0x01:
        length = 2;
        break;
    case 0x05:
    case 0x0D:
    case 0x15:
    case 0x1D:
        length = 6;
        break;
    case 0x2F:
    case 0x47:
        length = 8;
        break;
    case 0x36:
    case 0x4E:
        length = 7;
        break;
    default:
        break;
    }
    // A command cut off by the end of the packet is not read.
    return length <= available ? length : 0;
}

void ClipsalHvacZone::Apply(const uint8_t* c)
{
    bytes[0] = c[1];
    switch (c[0])
    {
    case 0x79:
        bytes[25] = 1;
        return;
    case 0x01:
        bytes[25] = 0;
        return;
    case 0x05:
    case 0x0D:
        bytes[1] = c[0] == 0x05 ? 1 : 2;
        for (int bit = 0; bit < 5; ++bit)
            bytes[10 + bit] = (c[4] >> bit) & 1;
        bytes[17] = (c[4] >> 5) & 1;
        break;
    case 0x15:
    case 0x1D:
        bytes[1] = c[0] == 0x15 ? 1 : 2;
        temperature = static_cast<float>(static_cast<int8_t>(c[3])) + static_cast<float>(c[4]) / 256.0f;
        break;
    case 0x2F:
    case 0x47:
        bytes[1] = c[0] == 0x2F ? 1 : 2;
        bytes[3] = c[3] & 7;
        for (int bit = 0; bit < 4; ++bit)
            bytes[4 + bit] = (c[3] >> (3 + bit)) & 1;
        bytes[24] = c[4];
        bytes[21] = c[5];
        bytes[15] = c[7] & 0x3F;
        bytes[16] = (c[7] >> 6) & 1;
        break;
    case 0x36:
    case 0x4E:
        bytes[1] = c[0] == 0x36 ? 1 : 2;
        bytes[23] = c[5];
        bytes[15] = c[6] & 0x3F;
        bytes[16] = (c[6] >> 6) & 1;
        break;
    default:
        break;
    }
    bytes[2] = c[2];
}

bool ClipsalHvacZone::ChangeField(uint8_t commandType, uint8_t index, uint8_t value)
{
    if (index > kLastFieldIndex)
        return false;
    uint8_t& field = bytes[index + 2];
    switch (commandType)
    {
    case 6:
        field = static_cast<uint8_t>(field + value);
        break;
    case 7:
        field = value;
        break;
    case 5:
        if (index == 0)
            field = static_cast<uint8_t>(field ^ (1u << (value & 7)));
        else
            field = field ? 0 : 1;
        break;
    default:
        break;
    }
    return true;
}

bool ClipsalHvacZone::FieldValue(uint8_t index, uint8_t value, double& out) const
{
    if (index > kLastFieldIndex)
        return false;
    if (index == 0)
        out = bytes[2] & (1u << (value & 7));
    else if (index == 1 || index == 22)
        out = bytes[index + 2] == value ? 1.0 : 0.0;
    else if (index == 18)
        out = temperature;
    else
        out = bytes[index + 2];
    return true;
}

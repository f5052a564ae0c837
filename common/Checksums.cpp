#include "common/Checksums.h"

uint16_t Crc16Modbus(const uint8_t* bytes, size_t size)
{
    uint16_t crc = 0xFFFF;
    for (size_t i = 0; i < size; ++i)
    {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

uint16_t Crc16Xmodem(const uint8_t* bytes, size_t size)
{
    uint16_t crc = 0;
    for (size_t i = 0; i < size; ++i)
    {
        crc ^= static_cast<uint16_t>(bytes[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc =
                (crc & 0x8000) ? static_cast<uint16_t>((crc << 1) ^ 0x1021) : static_cast<uint16_t>(crc << 1);
    }
    return crc;
}

uint8_t ByteSum8(const uint8_t* bytes, size_t size)
{
    uint8_t sum = 0;
    for (size_t i = 0; i < size; ++i)
        sum = static_cast<uint8_t>(sum + bytes[i]);
    return sum;
}

uint8_t Lrc8(const uint8_t* bytes, size_t size)
{
    return static_cast<uint8_t>(0x100 - ByteSum8(bytes, size));
}

uint8_t Xor8(const uint8_t* bytes, size_t size)
{
    uint8_t x = 0;
    for (size_t i = 0; i < size; ++i)
        x ^= bytes[i];
    return x;
}

uint8_t ShturmanSum7(const uint8_t* bytes, size_t size)
{
    return static_cast<uint8_t>((ByteSum8(bytes, size) + 0x37) & 0x7F);
}

#pragma once
#include <cstddef>
#include <cstdint>

// The checksums of the bus protocols, each written once for every driver and codec.
// A null pointer with a size of 0 is an empty block.

// CRC-16 of Modbus RTU: reflected polynomial 0xA001, start 0xFFFF. Sent low byte first.
uint16_t Crc16Modbus(const uint8_t* bytes, size_t size);
// CRC-16/XMODEM: polynomial 0x1021, start 0, not reflected (SmartBus). Sent high byte first.
uint16_t Crc16Xmodem(const uint8_t* bytes, size_t size);
// Longitudinal redundancy check of Modbus ASCII: the two's complement of the byte sum.
uint8_t Lrc8(const uint8_t* bytes, size_t size);
// The sum of the bytes modulo 256.
uint8_t ByteSum8(const uint8_t* bytes, size_t size);
// The exclusive or of the bytes.
uint8_t Xor8(const uint8_t* bytes, size_t size);
// The 7-bit sum of the Shturman module buses: the byte sum plus 0x37, bit 7 cleared.
uint8_t ShturmanSum7(const uint8_t* bytes, size_t size);

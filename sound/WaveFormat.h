#pragma once
#include <cstddef>
#include <cstdint>

// The WAVE format record as it is stored in a "fmt " chunk: 18 bytes, little-endian. Containers
// read it and decoders fill one with the format of the PCM they produce.
struct WaveFormat
{
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};

// Format tags the system decodes.
constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint16_t kWaveFormatMsAdpcm = 2;
constexpr uint16_t kWaveFormatImaAdpcm = 17;
constexpr uint16_t kWaveFormatMpeg = 85;

// Size of the record on disk; the format's extra bytes follow it.
constexpr size_t kWaveFormatBytes = 18;

// Little-endian fields of the sound files' bytes, at any alignment; the caller has checked that
// the bytes are there.
uint16_t LoadU16(const uint8_t* p);
int16_t LoadS16(const uint8_t* p);
uint32_t LoadU32(const uint8_t* p);

// Reads the record from the first 18 bytes of a format block (little-endian, any alignment).
WaveFormat ParseWaveFormat(const uint8_t* block);

// The 16-bit PCM format that the ADPCM and MPEG decoders produce for a source of the given
// channels and rate.
WaveFormat MakePcm16Format(uint16_t channels, uint32_t samplesPerSec);

#include "sound/WaveFormat.h"

uint16_t LoadU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

int16_t LoadS16(const uint8_t* p)
{
    return static_cast<int16_t>(LoadU16(p));
}

uint32_t LoadU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

WaveFormat ParseWaveFormat(const uint8_t* block)
{
    WaveFormat format;
    if (!block)
        return format;
    format.formatTag = LoadU16(block);
    format.channels = LoadU16(block + 2);
    format.samplesPerSec = LoadU32(block + 4);
    format.avgBytesPerSec = LoadU32(block + 8);
    format.blockAlign = LoadU16(block + 12);
    format.bitsPerSample = LoadU16(block + 14);
    format.extraSize = LoadU16(block + 16);
    return format;
}

WaveFormat MakePcm16Format(uint16_t channels, uint32_t samplesPerSec)
{
    WaveFormat format;
    format.formatTag = kWaveFormatPcm;
    format.channels = channels;
    format.samplesPerSec = samplesPerSec;
    format.bitsPerSample = 16;
    format.blockAlign = static_cast<uint16_t>(2 * channels);
    format.avgBytesPerSec = format.blockAlign * samplesPerSec;
    format.extraSize = 0;
    return format;
}

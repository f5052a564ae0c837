#include "sound/WaveFormat.h"

namespace
{
uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t U32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
} // namespace

WaveFormat ParseWaveFormat(const uint8_t* block)
{
    WaveFormat format;
    if (!block)
        return format;
    format.formatTag = U16(block);
    format.channels = U16(block + 2);
    format.samplesPerSec = U32(block + 4);
    format.avgBytesPerSec = U32(block + 8);
    format.blockAlign = U16(block + 12);
    format.bitsPerSample = U16(block + 14);
    format.extraSize = U16(block + 16);
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

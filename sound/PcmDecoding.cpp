#include "sound/PcmDecoding.h"

#include <cstring>

namespace pcm
{
void ReadOrFill(CAbstractSoundFile* container, uint8_t* buffer, uint64_t offset, uint32_t bytes,
                uint8_t silence)
{
    uint32_t got = 0;
    if (container && offset < container->GetDataSize())
    {
        container->Seek(static_cast<uint32_t>(offset));
        got = container->ReadData(bytes, buffer);
    }
    if (got < bytes)
        std::memset(buffer + got, silence, bytes - got);
}

bool ReadPcmFormat(CAbstractSoundFile* container, WaveFormat& outputFormat, uint32_t& frames)
{
    if (!container || !container->GetFormat())
        return false;
    outputFormat = ParseWaveFormat(container->GetFormat());
    frames = outputFormat.blockAlign ? container->GetDataSize() / outputFormat.blockAlign : 0;
    return true;
}

uint32_t SaturatedBytes(uint64_t value)
{
    return value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value);
}
} // namespace pcm

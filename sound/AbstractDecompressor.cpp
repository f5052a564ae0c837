#include "sound/AbstractDecompressor.h"

#include <cstring>

uint32_t CAbstractDecompressor::WriteSilence16(void* buffer, uint32_t samples)
{
    if (!buffer)
        return 0;
    std::memset(buffer, 0, static_cast<size_t>(samples) * 2);
    return samples * 2;
}

uint32_t CAbstractDecompressor::WriteSilence8(void* buffer, uint32_t samples)
{
    if (!buffer)
        return 0;
    std::memset(buffer, 128, samples);
    return samples;
}

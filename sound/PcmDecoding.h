#pragma once
#include <cstdint>

#include "sound/AbstractSoundFile.h"

namespace pcm
{
// Reads `bytes` of the container's data at `offset` into buffer and fills what the data does not
// hold with `silence`, so the caller always gets a defined buffer.
void ReadOrFill(CAbstractSoundFile* container, uint8_t* buffer, uint64_t offset, uint32_t bytes,
                uint8_t silence);

// 32-bit x 32-bit products as byte counts, saturated to 32 bits.
uint32_t SaturatedBytes(uint64_t value);
} // namespace pcm

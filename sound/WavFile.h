#pragma once
#include <cstdint>

#include "sound/AbstractSoundFile.h"

// A RIFF/WAVE container: walks the chunks for "fmt " and "data". A block that is not a WAVE
// file leaves the format tag 0, so the caller can try it as something else.
class CWavFile : public CAbstractSoundFile
{
public:
    static constexpr uint32_t kFormatBlockSize = 256;

    explicit CWavFile(CReader* reader);

    const uint8_t* GetFormat() override { return m_format; }
    uint32_t GetFormatSize() override { return m_formatSize; }

private:
    void Walk();

    uint8_t m_format[kFormatBlockSize] = {};
    uint32_t m_formatSize = 0;
};

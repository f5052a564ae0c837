#pragma once
#include <cstdint>

#include "sound/AbstractSoundFile.h"

// A raw MPEG audio stream: the data runs from the first frame sync after any ID3v2 tag to the
// end of the block, less a trailing ID3v1 tag.
class CMpegFile : public CAbstractSoundFile
{
public:
    static constexpr uint32_t kWindow = 256;

    explicit CMpegFile(CReader* reader);

    const uint8_t* GetFormat() override { return nullptr; }

private:
    uint64_t FindFrameSync(uint64_t skip);
};

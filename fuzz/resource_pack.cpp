// The resource pack (resource.qvs): its record codec, and what the back end makes of each record:
// font faces from the font files, frame templates drawn into buffers, slider thumbs.
#include <cstdint>
#include <vector>

#include "interface/ResourcePack.h"
#include "render/BlendTables.h"
#include "render/FontFaceCache.h"
#include "render/PixelBuffer.h"
#include "render/Template.h"

namespace
{
class CFuzzSink : public CResourcePackSink
{
public:
    void OnFont(const char* name, const uint8_t* bytes, int32_t length) override
    {
        LoadFontFaceFromMemory(name, bytes, length);
    }

    void OnTemplate(uint32_t id, const uint8_t* data, int32_t length) override
    {
        CTemplate frame(id, data, length);
        for (CPixelBuffer* buffer : {m_large, m_small})
        {
            if (buffer != nullptr)
                frame.DrawFrame(buffer, 0x80FF8040);
        }
    }

    void OnThumb(const uint8_t* data, int32_t length) override
    {
        if (data == nullptr || length <= 0)
            return;
        std::vector<uint8_t> copy(data, data + length);
        for (CPixelBuffer* buffer : {m_large, m_small})
        {
            if (buffer != nullptr)
            {
                DrawThreePartBar(copy.data(), length, true, buffer, 0xFF336699);
                DrawThreePartBar(copy.data(), length, false, buffer, 0xFF336699);
            }
        }
    }

    CPixelBuffer* m_large = CPixelBuffer::Create(64, 48);
    CPixelBuffer* m_small = CPixelBuffer::Create(3, 2);
};
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    BuildBlendTables();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The faces made live in the face cache until its last reference goes, as when a back end ends.
    if (!FontFaceCache::Acquire())
        return 0;
    {
        CFuzzSink sink;
        CResourcePack::Read(data, size, sink);
        CPixelBuffer::Free(sink.m_large);
        CPixelBuffer::Free(sink.m_small);
    }
    FontFaceCache::Release();
    return 0;
}

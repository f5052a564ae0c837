#include "render/Fnt.h"

#include "render/FontFaceCache.h"

CFnt::CFnt(const char* fileName, uint32_t id, uint8_t size)
{
    if (!FontFaceCache::Acquire())
        return;
    Adopt(LoadFontFace(fileName, fileName), id, size);
}

CFnt::CFnt(const char* faceName, const uint8_t* bytes, int32_t length, uint32_t id, uint8_t size)
{
    if (!FontFaceCache::Acquire())
        return;
    Adopt(LoadFontFaceFromMemory(faceName, bytes, length), id, size);
}

CFnt::~CFnt()
{
    // The reference was taken only when the library could be initialised.
    if (m_acquired)
        FontFaceCache::Release();
}

void CFnt::Adopt(FT_Face face, uint32_t id, uint8_t size)
{
    m_acquired = true;
    // A font without a face keeps id 0 and size 0, so that no lookup by id finds a face that is
    // not there.
    if (face == nullptr)
        return;
    m_face = face;
    m_id = id;
    m_size = size;
}

#include "render/FontFaceCache.h"

#include <cstring>
#include <ft2build.h>
#include FT_FREETYPE_H

#include "common/StringFunctions.h"
#include "common/Vector.h"

namespace
{
struct FaceEntry
{
    char* name;     // null for an empty name: such an entry matches no lookup
    uint8_t* bytes; // the font file's bytes for faces made from memory, else null
    FT_Face face;
};

FT_Library g_library = nullptr;
CVector* g_faces = nullptr;
int32_t g_references = 0;

bool EnsureCache()
{
    if (g_library != nullptr)
        return true;
    if (FT_Init_FreeType(&g_library) != 0)
    {
        g_library = nullptr;
        return false;
    }
    g_faces = new CVector(4);
    return true;
}

void DestroyCache()
{
    if (g_faces != nullptr)
    {
        for (int32_t i = 0; i < g_faces->GetCount(); ++i)
        {
            FaceEntry* entry = g_faces->Get<FaceEntry>(i);
            FT_Done_Face(entry->face);
            StrFree(entry->name);
            delete[] entry->bytes;
            delete entry;
        }
        delete g_faces;
        g_faces = nullptr;
    }
    if (g_library != nullptr)
    {
        FT_Done_FreeType(g_library);
        g_library = nullptr;
    }
}

FT_Face FindCachedFace(const char* name)
{
    if (g_faces == nullptr || name == nullptr || name[0] == '\0')
        return nullptr;
    for (int32_t i = 0; i < g_faces->GetCount(); ++i)
    {
        const FaceEntry* entry = g_faces->Get<FaceEntry>(i);
        if (entry->name != nullptr && std::strcmp(entry->name, name) == 0)
            return entry->face;
    }
    return nullptr;
}

// Text is looked up through a Microsoft charmap (Unicode or symbol); a face without one (a
// Macintosh-only face, say) would map every character wrongly, so it is refused.
bool SelectMicrosoftCharmap(FT_Face face)
{
    for (FT_Int i = 0; i < face->num_charmaps; ++i)
    {
        FT_CharMap charmap = face->charmaps[i];
        if (charmap->platform_id == 3)
            return FT_Set_Charmap(face, charmap) == 0;
    }
    return false;
}

// Keeps the new face when a Microsoft charmap can be selected, else closes it. bytes (may be
// null) pass to the cache entry, which frees them with the face.
FT_Face AddFace(FT_Face face, const char* name, uint8_t* bytes)
{
    if (!SelectMicrosoftCharmap(face))
    {
        FT_Done_Face(face);
        delete[] bytes;
        return nullptr;
    }
    FaceEntry* entry = new FaceEntry{StrDup(name), bytes, face};
    g_faces->Add(entry);
    return face;
}
} // namespace

namespace FontFaceCache
{
bool Acquire()
{
    if (!EnsureCache())
        return false;
    ++g_references;
    return true;
}

void Release()
{
    if (g_references <= 0)
        return;
    if (--g_references == 0)
        DestroyCache();
}

int32_t GetReferenceCount()
{
    return g_references;
}

bool IsAlive()
{
    return g_library != nullptr;
}

bool HasFace(const char* name)
{
    return FindCachedFace(name) != nullptr;
}
} // namespace FontFaceCache

FT_Face LoadFontFace(const char* path, const char* name)
{
    if (path == nullptr || path[0] == '\0' || !EnsureCache())
        return nullptr;
    FT_Face cached = FindCachedFace(name);
    if (cached != nullptr)
        return cached;
    FT_Face face = nullptr;
    if (FT_New_Face(g_library, path, 0, &face) != 0)
        return nullptr;
    return AddFace(face, name, nullptr);
}

FT_Face LoadFontFaceFromMemory(const char* name, const uint8_t* bytes, int32_t length)
{
    if (!EnsureCache())
        return nullptr;
    FT_Face cached = FindCachedFace(name);
    if (cached != nullptr)
        return cached;
    if (bytes == nullptr || length <= 0)
        return nullptr;
    // FreeType reads the face's bytes for as long as the face lives, so it gets a copy of its own.
    uint8_t* copy = new uint8_t[static_cast<size_t>(length)];
    std::memcpy(copy, bytes, static_cast<size_t>(length));
    FT_Face face = nullptr;
    if (FT_New_Memory_Face(g_library, copy, length, 0, &face) != 0)
    {
        delete[] copy;
        return nullptr;
    }
    return AddFace(face, name, copy);
}

#pragma once
#include <cstdint>

// FreeType's face handle, declared here so that users of fonts need not see FreeType's headers.
typedef struct FT_FaceRec_* FT_Face;

// One font of the interface: a face of the shared face cache at a size in points. A font whose
// face could not be made keeps no face, id 0 and size 0, and draws nothing.
//
// Every font object holds one reference on the face cache; the cache and the FreeType library
// live until the last font object is gone, so deleting one font never leaves the others
// pointing at closed faces.
class CFnt
{
public:
    // A font over the file of that name (opened from the current directory), or over a face
    // already cached under that name (a resource-pack font of the same name wins).
    CFnt(const char* fileName, uint32_t id, uint8_t size);
    // A font over font file bytes, cached under faceName (the bytes are copied; a face already
    // cached under that name is used and the bytes are then not read).
    CFnt(const char* faceName, const uint8_t* bytes, int32_t length, uint32_t id, uint8_t size);
    virtual ~CFnt();
    CFnt(const CFnt&) = delete;
    CFnt& operator=(const CFnt&) = delete;

    uint32_t GetId() const { return m_id; }
    uint8_t GetSize() const { return m_size; }
    FT_Face GetFace() const { return m_face; }
    bool HasFace() const { return m_face != nullptr; }

private:
    void Adopt(FT_Face face, uint32_t id, uint8_t size);

    uint32_t m_id = 0;
    uint8_t m_size = 0;
    FT_Face m_face = nullptr;
    bool m_acquired = false;
};

#pragma once
#include <cstdint>

typedef struct FT_FaceRec_* FT_Face;

// The process-wide list of FreeType faces, keyed by name (exact, case-sensitive), together with
// the FreeType library. Both are made on first use. Font objects hold references (Acquire and
// Release); when the last reference goes, every face, the list and the library are released.
// Not locked: faces are made and used only under the back end's lock, one thread at a time.
namespace FontFaceCache
{
// Takes one reference on the cache (creating it and the library when needed). False when the
// FreeType library could not be initialised.
bool Acquire();
// Drops one reference; the last one tears the cache and the library down.
void Release();
// Current number of references (for checks).
int32_t GetReferenceCount();
// True while the FreeType library and the list exist.
bool IsAlive();
// True when a face is cached under that name (a font of that file name would use it).
bool HasFace(const char* name);
} // namespace FontFaceCache

// The cached face of that name, else the face of the font file at path (face index 0). Null when
// the file has no Microsoft (platform 3) charmap, cannot be opened, or FreeType is unavailable.
// A face made here is added to the cache under name.
FT_Face LoadFontFace(const char* path, const char* name);

// The cached face of that name (the bytes are then not used), else a face over a private copy of
// the bytes, cached under name. Null as for LoadFontFace. The resource loader registers its fonts
// this way, so that a later font object of the same file name finds them.
FT_Face LoadFontFaceFromMemory(const char* name, const uint8_t* bytes, int32_t length);

#pragma once
#include <cstdint>

struct FIBITMAP;
struct CPixelBuffer;
struct PixelRect;
class CInStream;
class CDynamicSpriteData;

// One picture of the interface: a decoded FreeImage bitmap with an id and an optional name.
// Pictures are decoded from memory only, and bytes that would decode into something huge are
// refused before FreeImage decodes them (see DecodeImage).
class CSprite
{
public:
    enum Kind : int32_t
    {
        KindStatic = 1,
        KindDynamic = 2,
    };

    // Ceilings for untrusted picture bytes: larger inputs or pictures are refused.
    static constexpr uint32_t kMaxEncodedBytes = 32u * 1024u * 1024u;
    static constexpr int32_t kMaxImageSide = 8192;
    static constexpr uint64_t kMaxImagePixels = 16ull * 1024ull * 1024ull;

    CSprite() = default;
    // A static image over a decoded bitmap, which the image now owns (the splash image, tests).
    // The name is copied; null or empty keeps none.
    CSprite(uint32_t id, const char* name, FIBITMAP* bitmap);
    virtual ~CSprite();
    CSprite(const CSprite&) = delete;
    CSprite& operator=(const CSprite&) = delete;

    virtual int32_t GetKind() const { return KindStatic; }
    virtual int32_t GetWidth() { return m_width; }
    virtual int32_t GetHeight() { return m_height; }
    virtual bool HasName() const { return m_name != nullptr; }
    // Unscaled at (x, y); a dynamic image is scaled to the whole buffer instead.
    virtual void Draw(CPixelBuffer* buffer, int32_t x, int32_t y);
    // The mask passes; width and height -1 mean the image's own size.
    virtual void DrawFillTint(CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y,
                              int32_t width, int32_t height, uint32_t colour);
    virtual void DrawCutOut(CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y, int32_t width,
                            int32_t height, uint32_t colour);
    virtual void DrawBorderTint(CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y,
                                int32_t width, int32_t height, uint32_t colour);
    // Reads the image block of the interface file at the stream's read position (fileVersion
    // selects the dynamic record's refresh field). False when the record is cut short.
    virtual bool Load(CInStream* stream, uint32_t id, const char* name, uint32_t fileVersion);
    virtual void ApplyChanges(const CDynamicSpriteData* data) { (void)data; }
    virtual void SetRefreshPeriod(uint32_t milliseconds) { (void)milliseconds; }
    virtual uint32_t GetVersion() const { return m_version; }

    uint32_t GetId() const { return m_id; }
    void SetId(uint32_t id) { m_id = id; }
    const char* GetName() const { return m_name; }
    // True when the image holds a bitmap now (dynamic images: under their lock).
    virtual bool HasBitmap() { return m_bitmap != nullptr; }

    // Decodes picture bytes with FreeImage: PNG, JPEG, BMP and GIF, the formats whose pixel size
    // is read and checked before decoding. Null for empty, other, oversized or undecodable
    // input. The caller owns the bitmap (FreeImage_Unload).
    static FIBITMAP* DecodeImage(const uint8_t* bytes, uint32_t length);
    // Pixel size of the encoded picture read from its header without decoding its pixels, or false
    // when it cannot be told. Used to refuse oversized pictures before decoding.
    static bool PeekImageSize(const uint8_t* bytes, uint32_t length, int32_t& width, int32_t& height);

protected:
    void SetName(const char* name);

    uint32_t m_id = 0;
    char* m_name = nullptr;
    FIBITMAP* m_bitmap = nullptr;
    uint32_t m_version = 0;
    int32_t m_width = 0;
    int32_t m_height = 0;
};

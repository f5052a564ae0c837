#include "render/Sprite.h"

#include <FreeImage.h>
#include <algorithm>
#include <climits>
#include <cstring>

#include "common/InStream.h"
#include "common/StringFunctions.h"
#include "render/PixelBuffer.h"

// The drawing code reads 32-bit pixels as the bytes B, G, R, A, the order of the pixel buffers.
// FreeImage stores them that way on little-endian Linux; a build where it does not would draw
// every picture with red and blue swapped.
static_assert(FI_RGBA_BLUE == 0 && FI_RGBA_GREEN == 1 && FI_RGBA_RED == 2 && FI_RGBA_ALPHA == 3,
              "FreeImage must store pixels as B, G, R, A");

namespace
{
// Pictures the drawing code reads directly: standard bitmaps of 1, 4, 8, 16, 24 or 32 bits.
bool IsDrawableBitmap(FIBITMAP* bitmap)
{
    if (FreeImage_GetImageType(bitmap) != FIT_BITMAP)
        return false;
    switch (FreeImage_GetBPP(bitmap))
    {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        return true;
    default:
        return false;
    }
}

// Pictures of other kinds (16 bits a channel, for instance) become 32-bit bitmaps so that they
// draw rather than show nothing. Palette pictures with transparent entries (GIF, PNG with a
// transparency table) become 32-bit as well: palette rows are drawn opaque, which would show
// their transparent colour. Null when FreeImage cannot convert them.
FIBITMAP* MakeDrawable(FIBITMAP* bitmap)
{
    const bool transparentPalette = FreeImage_GetBPP(bitmap) <= 8 && FreeImage_IsTransparent(bitmap);
    if (IsDrawableBitmap(bitmap) && !transparentPalette)
        return bitmap;
    FIBITMAP* converted = FreeImage_ConvertTo32Bits(bitmap);
    FreeImage_Unload(bitmap);
    if (converted != nullptr && !IsDrawableBitmap(converted))
    {
        FreeImage_Unload(converted);
        return nullptr;
    }
    return converted;
}

bool SizeWithinCeiling(int64_t width, int64_t height)
{
    return width > 0 && height > 0 && width <= CSprite::kMaxImageSide && height <= CSprite::kMaxImageSide &&
           static_cast<uint64_t>(width * height) <= CSprite::kMaxImagePixels;
}

uint32_t LittleEndian16(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0] | bytes[1] << 8);
}

uint32_t LittleEndian32(const uint8_t* bytes)
{
    return LittleEndian16(bytes) | LittleEndian16(bytes + 2) << 16;
}

uint32_t BigEndian16(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) << 8 | bytes[1];
}

uint32_t BigEndian32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
           static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

// FreeImage cannot read a GIF's header alone, and a GIF of a few bytes may claim 65535 x 65535
// pixels. Its size is read here: the logical screen and the first image (which is the one
// decoded), whichever is larger in each direction. False when the bytes end first.
bool ReadGifSize(const uint8_t* bytes, uint32_t length, int32_t& width, int32_t& height)
{
    if (length < 13)
        return false;
    uint32_t screenWidth = LittleEndian16(bytes + 6);
    uint32_t screenHeight = LittleEndian16(bytes + 8);
    uint32_t at = 13;
    if ((bytes[10] & 0x80) != 0)
        at += 3u << ((bytes[10] & 7) + 1);
    // Skip extension blocks (0x21, label, sub-blocks ending with a zero length) up to the first
    // image descriptor (0x2C, left, top, width, height).
    while (at < length && bytes[at] == 0x21)
    {
        at += 2;
        while (at < length && bytes[at] != 0)
            at += 1u + bytes[at];
        ++at;
    }
    if (at + 9 > length || bytes[at] != 0x2C)
        return false;
    width = static_cast<int32_t>(std::max(screenWidth, LittleEndian16(bytes + at + 5)));
    height = static_cast<int32_t>(std::max(screenHeight, LittleEndian16(bytes + at + 7)));
    return true;
}

// A PNG begins with its 8-byte signature and the IHDR chunk (length, "IHDR", width, height as
// big-endian words); the decoder accepts no other first chunk.
// The chunks (length, type, data, CRC) must lie within the bytes up to IEND or the end: the
// decoder reads a chunk whole before it looks at it, and a 260-byte file whose text chunk claims
// 1.5 GB kept it busy for 14 s.
bool PngChunksWithinBytes(const uint8_t* bytes, uint32_t length)
{
    uint32_t at = 8;
    while (length - at >= 8)
    {
        const uint32_t chunk = BigEndian32(bytes + at);
        if (chunk > length - at - 8 || length - at - 8 - chunk < 4)
            return false;
        if (std::memcmp(bytes + at + 4, "IEND", 4) == 0)
            return true;
        at += 12 + chunk;
    }
    return true;
}

bool ReadPngSize(const uint8_t* bytes, uint32_t length, int32_t& width, int32_t& height)
{
    if (length < 24 || std::memcmp(bytes + 12, "IHDR", 4) != 0 || !PngChunksWithinBytes(bytes, length))
        return false;
    const uint32_t w = BigEndian32(bytes + 16);
    const uint32_t h = BigEndian32(bytes + 20);
    if (w > 0x7FFFFFFFu || h > 0x7FFFFFFFu)
        return false;
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    return true;
}

// A BMP: a 14-byte file header ("BM"), then an info header whose first word is its own size.
// FreeImage reads the info header without checking that the bytes hold it (40 bytes at least
// for every kind but the 12-byte OS/2 one), so a cut header would give it a size from memory
// nobody wrote: the bytes must hold the whole header. OS/2 1.x headers carry 16-bit sizes, the
// others 32-bit signed ones, a negative height meaning rows stored top-down.
bool ReadBmpSize(const uint8_t* bytes, uint32_t length, int32_t& width, int32_t& height)
{
    if (length < 18 || bytes[0] != 'B' || bytes[1] != 'M')
        return false;
    const uint32_t infoSize = LittleEndian32(bytes + 14);
    if (infoSize == 12)
    {
        if (length < 14 + 12)
            return false;
        width = static_cast<int32_t>(LittleEndian16(bytes + 18));
        height = static_cast<int32_t>(LittleEndian16(bytes + 20));
        return true;
    }
    const bool known = infoSize == 40 || infoSize == 52 || infoSize == 56 || infoSize == 64 ||
                       infoSize == 108 || infoSize == 124;
    if (!known || length < 14 + infoSize)
        return false;
    const int32_t w = static_cast<int32_t>(LittleEndian32(bytes + 18));
    const int32_t h = static_cast<int32_t>(LittleEndian32(bytes + 22));
    if (h == INT32_MIN)
        return false;
    width = w;
    height = h < 0 ? -h : h;
    return true;
}

// A JPEG's size is in its frame header (an SOF marker: length, precision, height, width), found by
// walking the markers from the start as the decoder does: bytes between segments that are not a
// marker are passed over, fill bytes (0xFF) before a marker too. The image library's header-only
// load cannot be used for this: a 257-byte progressive JPEG claiming 58111 x 65275 pixels made it
// take 7.4 GB and 16 s. False when the bytes end, or a scan or the end of the image comes, first.
bool ReadJpegSize(const uint8_t* bytes, uint32_t length, int32_t& width, int32_t& height)
{
    if (length < 4 || bytes[0] != 0xFF || bytes[1] != 0xD8)
        return false;
    uint32_t at = 2;
    for (;;)
    {
        while (at < length && bytes[at] != 0xFF)
            ++at;
        while (at < length && bytes[at] == 0xFF)
            ++at;
        if (at >= length)
            return false;
        const uint8_t marker = bytes[at++];
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // a stuffed zero, TEM or a restart marker: no segment follows
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA)
            return false; // a second start, the end or a scan before any frame header
        if (length - at < 2)
            return false;
        const uint32_t segment = BigEndian16(bytes + at);
        if (segment < 2 || segment > length - at)
            return false;
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame)
        {
            if (segment < 8)
                return false;
            height = static_cast<int32_t>(BigEndian16(bytes + at + 3));
            width = static_cast<int32_t>(BigEndian16(bytes + at + 5));
            return true;
        }
        at += segment;
    }
}

// Reads the picture's pixel size before anything is decoded. Only formats whose header is read
// whole and trusted get a size: PNG, BMP, GIF and JPEG, by the readers above. FreeImage decodes
// many more formats, but for
// some it cannot read the size alone (SGI, DDS, IFF, PICT, WBMP, XBM, JPEG 2000, MNG, KOALA...)
// and for others it reads a cut header from memory nobody wrote (ICO): a few hundred bytes of
// those can ask for gigabytes. They get no size, and a picture without one is not decoded.
bool ReadHeaderSize(FIMEMORY* memory, FREE_IMAGE_FORMAT format, int32_t& width, int32_t& height)
{
    BYTE* bytes = nullptr;
    DWORD length = 0;
    if (!FreeImage_AcquireMemory(memory, &bytes, &length) || bytes == nullptr)
        return false;
    switch (format)
    {
    case FIF_GIF:
        return ReadGifSize(bytes, length, width, height);
    case FIF_PNG:
        return ReadPngSize(bytes, length, width, height);
    case FIF_BMP:
        return ReadBmpSize(bytes, length, width, height);
    case FIF_JPEG:
        return ReadJpegSize(bytes, length, width, height);
    default:
        return false;
    }
}
} // namespace

CSprite::CSprite(uint32_t id, const char* name, FIBITMAP* bitmap) : m_id(id), m_bitmap(bitmap)
{
    SetName(name);
    if (m_bitmap != nullptr)
    {
        m_width = static_cast<int32_t>(FreeImage_GetWidth(m_bitmap));
        m_height = static_cast<int32_t>(FreeImage_GetHeight(m_bitmap));
    }
}

CSprite::~CSprite()
{
    StrFree(m_name);
    if (m_bitmap != nullptr)
        FreeImage_Unload(m_bitmap);
}

void CSprite::SetName(const char* name)
{
    StrFree(m_name);
    m_name = StrDup(name);
}

void CSprite::Draw(CPixelBuffer* buffer, int32_t x, int32_t y)
{
    if (m_bitmap != nullptr)
        DrawImage(m_bitmap, buffer, x, y);
}

void CSprite::DrawFillTint(CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y, int32_t width,
                           int32_t height, uint32_t colour)
{
    if (m_bitmap != nullptr)
        DrawImageFillTint(m_bitmap, buffer, clip, x, y, width, height, colour);
}

void CSprite::DrawCutOut(CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y, int32_t width,
                         int32_t height, uint32_t colour)
{
    if (m_bitmap != nullptr)
        DrawImageCutOut(m_bitmap, buffer, clip, x, y, width, height, colour);
}

void CSprite::DrawBorderTint(CPixelBuffer* buffer, const PixelRect* clip, int32_t x, int32_t y, int32_t width,
                             int32_t height, uint32_t colour)
{
    if (m_bitmap != nullptr)
        DrawImageBorderTint(m_bitmap, buffer, clip, x, y, width, height, colour);
}

bool CSprite::Load(CInStream* stream, uint32_t id, const char* name, uint32_t fileVersion)
{
    (void)fileVersion;
    m_id = id;
    SetName(name);
    uint16_t width = 0;
    uint16_t height = 0;
    uint32_t size = 0;
    if (stream == nullptr || !stream->ReadU16(width) || !stream->ReadU16(height) || !stream->ReadU32(size))
        return false;
    m_width = width;
    m_height = height;
    if (size == 0)
        return true;
    if (size > static_cast<uint32_t>(stream->Pending()))
        return false;
    FIBITMAP* bitmap = DecodeImage(stream->ReadPos(), size);
    stream->Skip(static_cast<int32_t>(size));
    if (m_bitmap != nullptr)
        FreeImage_Unload(m_bitmap);
    m_bitmap = bitmap;
    m_width = bitmap != nullptr ? static_cast<int32_t>(FreeImage_GetWidth(bitmap)) : 0;
    m_height = bitmap != nullptr ? static_cast<int32_t>(FreeImage_GetHeight(bitmap)) : 0;
    ++m_version;
    return true;
}

bool CSprite::PeekImageSize(const uint8_t* bytes, uint32_t length, int32_t& width, int32_t& height)
{
    width = 0;
    height = 0;
    if (bytes == nullptr || length == 0 || length > kMaxEncodedBytes)
        return false;
    FIMEMORY* memory = FreeImage_OpenMemory(const_cast<BYTE*>(bytes), length);
    if (memory == nullptr)
        return false;
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromMemory(memory, 0);
    const bool known = format != FIF_UNKNOWN && ReadHeaderSize(memory, format, width, height);
    FreeImage_CloseMemory(memory);
    return known;
}

// Picture bytes come from the interface file and from the network, so they are untrusted: before
// FreeImage decodes them, the encoded size and the pixel size must stay under the ceilings. The
// pixel size is read from the header alone (ReadHeaderSize); a picture whose size cannot be told
// that way, a broken header or a format not read so, is refused as unreadable. The decoded
// bitmap is checked once more.
FIBITMAP* CSprite::DecodeImage(const uint8_t* bytes, uint32_t length)
{
    if (bytes == nullptr || length == 0 || length > kMaxEncodedBytes)
        return nullptr;
    FIMEMORY* memory = FreeImage_OpenMemory(const_cast<BYTE*>(bytes), length);
    if (memory == nullptr)
        return nullptr;
    FIBITMAP* bitmap = nullptr;
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromMemory(memory, 0);
    if (format != FIF_UNKNOWN && FreeImage_FIFSupportsReading(format))
    {
        int32_t width = 0;
        int32_t height = 0;
        if (ReadHeaderSize(memory, format, width, height) && SizeWithinCeiling(width, height))
            bitmap = FreeImage_LoadFromMemory(format, memory, 0);
    }
    FreeImage_CloseMemory(memory);
    if (bitmap == nullptr)
        return nullptr;
    // The decoded size is checked again: a header may not tell the truth.
    if (!SizeWithinCeiling(FreeImage_GetWidth(bitmap), FreeImage_GetHeight(bitmap)))
    {
        FreeImage_Unload(bitmap);
        return nullptr;
    }
    return MakeDrawable(bitmap);
}

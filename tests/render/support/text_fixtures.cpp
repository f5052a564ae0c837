#include "text_fixtures.h"

#include <cstdlib>
#include <cstring>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace
{
uint32_t Be16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint32_t>(b.at(at) << 8 | b.at(at + 1));
}
uint32_t Be32(const std::vector<uint8_t>& b, size_t at)
{
    return Be16(b, at) << 16 | Be16(b, at + 2);
}
void PutBe16(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b.at(at) = static_cast<uint8_t>(v >> 8);
    b.at(at + 1) = static_cast<uint8_t>(v);
}
void PutBe32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    PutBe16(b, at, v >> 16);
    PutBe16(b, at + 2, v & 0xFFFF);
}
void AppendBe16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v));
}

// Offset of the table directory record of a tag, or 0.
size_t FindTableRecord(const std::vector<uint8_t>& font, const char* tag)
{
    const uint32_t tables = Be16(font, 4);
    for (uint32_t i = 0; i < tables; ++i)
    {
        const size_t record = 12 + 16 * i;
        if (std::memcmp(font.data() + record, tag, 4) == 0)
            return record;
    }
    return 0;
}

struct FaceHandle
{
    explicit FaceHandle(const std::string& path, uint32_t size)
    {
        FT_Init_FreeType(&library);
        if (FT_New_Face(library, path.c_str(), 0, &face) != 0)
            face = nullptr;
        else
            FT_Set_Char_Size(face, size << 6, size << 6, 96, 96);
    }
    ~FaceHandle()
    {
        if (face != nullptr)
            FT_Done_Face(face);
        FT_Done_FreeType(library);
    }
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};
} // namespace

std::vector<uint8_t> MakeMacintoshOnlyFont(const std::vector<uint8_t>& font)
{
    std::vector<uint8_t> copy = font;
    const size_t record = FindTableRecord(copy, "cmap");
    const size_t cmap = Be32(copy, record + 8);
    const uint32_t count = Be16(copy, cmap + 2);
    for (uint32_t i = 0; i < count; ++i)
    {
        const size_t encoding = cmap + 4 + 8 * i;
        if (Be16(copy, encoding) == 3)
            PutBe16(copy, encoding, 1);
    }
    return copy;
}

std::vector<uint8_t> MakeHighSymbolFont(const std::vector<uint8_t>& font)
{
    // Glyph ids of the printable ASCII characters in the original font.
    std::vector<uint32_t> glyphs;
    {
        FaceHandle original(kLiberationSansPath, 15);
        for (uint32_t code = 0x20; code <= 0x7E; ++code)
            glyphs.push_back(FT_Get_Char_Index(original.face, code));
    }
    // cmap: one (3, 0) record, a format 4 subtable with the segment 0xF020-0xF07E read through
    // the glyph id array, and the closing 0xFFFF segment.
    std::vector<uint8_t> cmap;
    AppendBe16(cmap, 0);
    AppendBe16(cmap, 1);
    AppendBe16(cmap, 3);
    AppendBe16(cmap, 0);
    AppendBe16(cmap, 0);
    AppendBe16(cmap, 12);
    const uint32_t length = 16 + 2 * 4 * 2 + 2 * static_cast<uint32_t>(glyphs.size());
    for (uint32_t v :
         {4u, length, 0u, 4u, 4u, 1u, 0u, 0xF07Eu, 0xFFFFu, 0u, 0xF020u, 0xFFFFu, 0u, 1u, 4u, 0u})
        AppendBe16(cmap, v);
    for (uint32_t glyph : glyphs)
        AppendBe16(cmap, glyph);

    std::vector<uint8_t> copy = font;
    while (copy.size() % 4 != 0)
        copy.push_back(0);
    const size_t record = FindTableRecord(copy, "cmap");
    PutBe32(copy, record + 8, static_cast<uint32_t>(copy.size()));
    PutBe32(copy, record + 12, static_cast<uint32_t>(cmap.size()));
    copy.insert(copy.end(), cmap.begin(), cmap.end());
    while (copy.size() % 4 != 0)
        copy.push_back(0);
    return copy;
}

int32_t FontKerning(const std::string& path, uint32_t size, uint32_t left, uint32_t right)
{
    FaceHandle font(path, size);
    FT_Vector delta{0, 0};
    FT_Get_Kerning(font.face, FT_Get_Char_Index(font.face, left), FT_Get_Char_Index(font.face, right),
                   FT_KERNING_DEFAULT, &delta);
    return static_cast<int32_t>(delta.x >> 6);
}

int32_t FontTextWidth(const std::string& path, uint32_t size, const char16_t* text)
{
    FaceHandle font(path, size);
    int32_t width = 0;
    FT_UInt previous = 0;
    for (; *text != 0; ++text)
    {
        const FT_UInt glyph = FT_Get_Char_Index(font.face, *text);
        if (previous != 0)
        {
            FT_Vector delta{0, 0};
            FT_Get_Kerning(font.face, previous, glyph, FT_KERNING_DEFAULT, &delta);
            width += static_cast<int32_t>(delta.x >> 6);
        }
        FT_Load_Glyph(font.face, glyph, FT_LOAD_NO_AUTOHINT);
        width += static_cast<int32_t>(font.face->glyph->advance.x >> 6);
        previous = glyph;
    }
    return width;
}

int32_t FontLineHeight(const std::string& path, uint32_t size)
{
    FaceHandle font(path, size);
    return static_cast<int32_t>(font.face->size->metrics.height >> 6);
}

InkBounds MeasureInk(const CoverageMask* mask)
{
    InkBounds ink;
    for (int32_t y = 0; y < mask->height; ++y)
    {
        for (int32_t x = 0; x < mask->width; ++x)
        {
            const uint8_t c = mask->data[y * mask->width + x];
            if (c == 0)
                continue;
            if (ink.empty)
            {
                ink = InkBounds{false, x, y, x, y, 0};
            }
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
            ink.sum += c;
        }
    }
    return ink;
}

uint8_t MaskAt(const CoverageMask* mask, int32_t x, int32_t y)
{
    if (x < 0 || y < 0 || x >= mask->width || y >= mask->height)
        return 0;
    return mask->data[y * mask->width + x];
}

bool MasksEqualShifted(const CoverageMask* a, const CoverageMask* b, int32_t dx, int32_t dy)
{
    if (MeasureInk(a).sum != MeasureInk(b).sum)
        return false;
    for (int32_t y = 0; y < a->height; ++y)
    {
        for (int32_t x = 0; x < a->width; ++x)
        {
            if (MaskAt(a, x, y) != MaskAt(b, x + dx, y + dy))
                return false;
        }
    }
    return true;
}

#include "screen/PromptTextPainter.h"

#include <SDL.h>
#include <ft2build.h>
#include FT_FREETYPE_H

namespace platform
{
PromptTextPainter::PromptTextPainter(int32_t pixelHeight)
    : m_pixelHeight(pixelHeight), m_lineHeight(pixelHeight), m_ascent(pixelHeight)
{
}

PromptTextPainter::~PromptTextPainter()
{
    if (m_face)
        FT_Done_Face(m_face);
    if (m_library)
        FT_Done_FreeType(m_library);
}

bool PromptTextPainter::Load()
{
    if (m_face)
        return true;
    if (!m_library && FT_Init_FreeType(&m_library) != 0)
    {
        m_library = nullptr;
        return false;
    }
    return LoadFrom(kLocalFont) || LoadFrom(kSystemFont);
}

bool PromptTextPainter::LoadFrom(const char* path)
{
    FT_Face face = nullptr;
    if (FT_New_Face(m_library, path, 0, &face) != 0)
        return false;
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(m_pixelHeight)) != 0)
    {
        FT_Done_Face(face);
        return false;
    }
    m_face = face;
    m_ascent = static_cast<int32_t>(face->size->metrics.ascender >> 6);
    m_lineHeight = static_cast<int32_t>(face->size->metrics.height >> 6);
    return true;
}

uint32_t PromptTextPainter::NextCodePoint(const std::u16string& text, size_t& i) const
{
    uint32_t unit = text[i++];
    if (unit >= 0xD800 && unit <= 0xDBFF && i < text.size() && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
        unit = 0x10000 + ((unit - 0xD800) << 10) + (text[i++] - 0xDC00);
    return unit;
}

int32_t PromptTextPainter::Measure(const std::u16string& text)
{
    if (!m_face)
        return 0;
    int32_t width = 0;
    for (size_t i = 0; i < text.size();)
    {
        FT_UInt glyph = FT_Get_Char_Index(m_face, NextCodePoint(text, i));
        if (FT_Load_Glyph(m_face, glyph, FT_LOAD_DEFAULT) == 0)
            width += static_cast<int32_t>(m_face->glyph->advance.x >> 6);
    }
    return width;
}

void PromptTextPainter::Draw(SDL_Surface* surface, int32_t x, int32_t y, const std::u16string& text,
                             uint32_t rgb)
{
    if (!m_face || !surface || surface->format->BytesPerPixel != 4 || SDL_LockSurface(surface) != 0)
        return;
    const SDL_Rect& clip = surface->clip_rect;
    const SDL_PixelFormat* format = surface->format;
    const uint8_t red = static_cast<uint8_t>(rgb >> 16);
    const uint8_t green = static_cast<uint8_t>(rgb >> 8);
    const uint8_t blue = static_cast<uint8_t>(rgb);
    int32_t penX = x;
    const int32_t baseline = y + m_ascent;
    for (size_t i = 0; i < text.size();)
    {
        FT_UInt glyph = FT_Get_Char_Index(m_face, NextCodePoint(text, i));
        if (FT_Load_Glyph(m_face, glyph, FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot slot = m_face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.pitch > 0)
        {
            for (uint32_t row = 0; row < bitmap.rows; ++row)
            {
                int32_t py = baseline - slot->bitmap_top + static_cast<int32_t>(row);
                if (py < clip.y || py >= clip.y + clip.h)
                    continue;
                uint8_t* line = static_cast<uint8_t*>(surface->pixels) + py * surface->pitch;
                for (uint32_t col = 0; col < bitmap.width; ++col)
                {
                    int32_t px = penX + slot->bitmap_left + static_cast<int32_t>(col);
                    uint32_t coverage =
                        bitmap.buffer[static_cast<size_t>(row) * static_cast<size_t>(bitmap.pitch) + col];
                    if (coverage == 0 || px < clip.x || px >= clip.x + clip.w)
                        continue;
                    uint32_t* pixel = reinterpret_cast<uint32_t*>(line) + px;
                    uint8_t r, g, b;
                    SDL_GetRGB(*pixel, format, &r, &g, &b);
                    r = static_cast<uint8_t>((red * coverage + r * (255 - coverage)) / 255);
                    g = static_cast<uint8_t>((green * coverage + g * (255 - coverage)) / 255);
                    b = static_cast<uint8_t>((blue * coverage + b * (255 - coverage)) / 255);
                    *pixel = SDL_MapRGB(format, r, g, b);
                }
            }
        }
        penX += static_cast<int32_t>(slot->advance.x >> 6);
    }
    SDL_UnlockSurface(surface);
}
} // namespace platform

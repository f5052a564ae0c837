#include "render/Template.h"

#include "render/PixelBuffer.h"

#include <cstring>

CTemplate::CTemplate(uint32_t id, const uint8_t* data, int32_t length) : m_id(id)
{
    if (data != nullptr && length > 0)
    {
        m_data = new uint8_t[length];
        std::memcpy(m_data, data, length);
        m_length = length;
    }
}

CTemplate::~CTemplate()
{
    delete[] m_data;
}

int32_t CTemplate::GetEntry(int32_t index) const
{
    const uint8_t* p = m_data + index * 4;
    return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}

int32_t CTemplate::GetMargin(int32_t byteOffset) const
{
    if (!HasEntries())
        return 0;
    return m_data[byteOffset] | m_data[byteOffset + 1] << 8;
}

namespace
{
struct FramePieces
{
    TemplatePiece piece[CTemplate::PlaceCount];
    TemplatePiece shade[CTemplate::PlaceCount];
};

const TemplatePiece* ShadeOrNull(const TemplatePiece& shade)
{
    return IsTemplatePiecePresent(&shade) ? &shade : nullptr;
}
} // namespace

void CTemplate::DrawFrame(CPixelBuffer* buffer, uint32_t colour) const
{
    if (buffer == nullptr || !HasEntries())
        return;
    const bool plain = IsPlain();
    // The plain variant draws the pieces of the shade entries, in grey mode, with no shade.
    const int32_t firstEntry = plain ? kFirstShadeEntry : kFirstTintEntry;
    const int32_t mode = plain ? 1 : 0;
    FramePieces f;
    for (int32_t place = 0; place < PlaceCount; place++)
    {
        GetTemplatePiece(m_data, m_length, firstEntry + place, &f.piece[place]);
        f.shade[place] = TemplatePiece{nullptr, 0, 0};
        if (!plain)
            GetTemplatePiece(m_data, m_length, kFirstShadeEntry + place, &f.shade[place]);
    }
    const int32_t w = buffer->width;
    const int32_t h = buffer->height;
    const TemplatePiece* p = f.piece;
    auto shade = [&f](Place place) { return ShadeOrNull(f.shade[place]); };

    DrawTemplatePiece(buffer, 0, 0, &p[PlaceTopLeft], shade(PlaceTopLeft), colour, mode);
    DrawTemplatePiece(buffer, 0, h - p[PlaceBottomLeft].height, &p[PlaceBottomLeft], shade(PlaceBottomLeft),
                      colour, mode);
    DrawTemplatePiece(buffer, w - p[PlaceTopRight].width, 0, &p[PlaceTopRight], shade(PlaceTopRight), colour,
                      mode);
    DrawTemplatePiece(buffer, w - p[PlaceBottomRight].width, h - p[PlaceBottomRight].height,
                      &p[PlaceBottomRight], shade(PlaceBottomRight), colour, mode);
    TileTemplateHorizontal(buffer, p[PlaceTopLeft].width, 0,
                           w - p[PlaceTopRight].width - p[PlaceTopLeft].width, &p[PlaceTop], shade(PlaceTop),
                           colour, mode);
    TileTemplateHorizontal(buffer, p[PlaceBottomLeft].width, h - p[PlaceBottom].height,
                           w - p[PlaceBottomRight].width - p[PlaceBottomLeft].width, &p[PlaceBottom],
                           shade(PlaceBottom), colour, mode);
    TileTemplateVertical(buffer, 0, p[PlaceTopLeft].height,
                         h - p[PlaceBottomLeft].height - p[PlaceTopLeft].height, &p[PlaceLeft],
                         shade(PlaceLeft), colour, mode);
    TileTemplateVertical(buffer, w - p[PlaceRight].width, p[PlaceTopRight].height,
                         h - p[PlaceBottomRight].height - p[PlaceTopRight].height, &p[PlaceRight],
                         shade(PlaceRight), colour, mode);
}

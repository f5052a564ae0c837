#pragma once
#include <cstdint>

struct CPixelBuffer;

// One frame template of the resource pack: an id and its data, a row of 21 little-endian 32-bit
// entries followed by grey-and-alpha pieces. Entry 0 selects the variant (negative: plain), entries
// 1 and 2 hold the 16-bit margins left, top, right, bottom, entries 3 to 11 the tint pieces of the
// nine places (top-left, top, top-right, left, centre, right, bottom-left, bottom, bottom-right)
// and 12 to 20 their shade pieces. Data shorter than the entry row draws nothing.
class CTemplate
{
public:
    static constexpr int32_t kEntryCount = 21;
    static constexpr int32_t kFirstTintEntry = 3;
    static constexpr int32_t kFirstShadeEntry = 12;

    // The places of the nine pieces, in entry order.
    enum Place : int32_t
    {
        PlaceTopLeft = 0,
        PlaceTop,
        PlaceTopRight,
        PlaceLeft,
        PlaceCentre,
        PlaceRight,
        PlaceBottomLeft,
        PlaceBottom,
        PlaceBottomRight,
        PlaceCount
    };

    // Copies the data.
    CTemplate(uint32_t id, const uint8_t* data, int32_t length);
    virtual ~CTemplate();
    CTemplate(const CTemplate&) = delete;
    CTemplate& operator=(const CTemplate&) = delete;

    uint32_t GetId() const { return m_id; }
    const uint8_t* GetData() const { return m_data; }
    int32_t GetLength() const { return m_length; }
    bool HasEntries() const { return m_length >= kEntryCount * 4; }
    bool IsPlain() const { return HasEntries() && GetEntry(0) < 0; }
    // The margins, 0 when the data has no entry row.
    int32_t GetLeftMargin() const { return GetMargin(4); }
    int32_t GetTopMargin() const { return GetMargin(6); }
    int32_t GetRightMargin() const { return GetMargin(8); }
    int32_t GetBottomMargin() const { return GetMargin(10); }

    // Draws the eight edge and corner pieces over the whole buffer in the colour word 0xAARRGGBB
    // (the centre piece is never drawn).
    void DrawFrame(CPixelBuffer* buffer, uint32_t colour) const;

private:
    int32_t GetEntry(int32_t index) const;
    int32_t GetMargin(int32_t byteOffset) const;

    uint32_t m_id;
    uint8_t* m_data = nullptr;
    int32_t m_length = 0;
};

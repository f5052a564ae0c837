#include "render/BlendTables.h"
#include "render/PixelBuffer.h"
#include "support/pixel_fixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <vector>

namespace
{
class PixelTemplateTest : public BlendTablesTest
{
};

// Template data as the resource pack stores it: a row of little-endian 32-bit entries, then
// pieces (width, height, then (grey, alpha) pairs).
class TemplateData
{
public:
    explicit TemplateData(int32_t entries) : m_bytes(static_cast<size_t>(entries) * 4, 0) {}

    void SetEntry(int32_t entry, int32_t value)
    {
        for (int k = 0; k < 4; ++k)
        {
            m_bytes[entry * 4 + k] = static_cast<uint8_t>(static_cast<uint32_t>(value) >> (8 * k));
        }
    }
    // Appends a piece whose every pixel is (grey, alpha) and points the entry at it.
    void AddPiece(int32_t entry, uint8_t width, uint8_t height, uint8_t grey, uint8_t alpha)
    {
        std::vector<uint8_t> pairs;
        for (int i = 0; i < width * height; ++i)
        {
            pairs.push_back(grey);
            pairs.push_back(alpha);
        }
        AddPiece(entry, width, height, pairs);
    }
    void AddPiece(int32_t entry, uint8_t width, uint8_t height, const std::vector<uint8_t>& pairs)
    {
        SetEntry(entry, static_cast<int32_t>(m_bytes.size()));
        m_bytes.push_back(width);
        m_bytes.push_back(height);
        m_bytes.insert(m_bytes.end(), pairs.begin(), pairs.end());
    }
    const uint8_t* Data() const { return m_bytes.data(); }
    int32_t Length() const { return static_cast<int32_t>(m_bytes.size()); }
    std::vector<uint8_t>& Bytes() { return m_bytes; }

private:
    std::vector<uint8_t> m_bytes;
};

TEST(PixelTemplatePiece, ReadsOnlyPiecesThatLieWhollyInsideTheData)
{
    TemplateData data(3);
    data.AddPiece(0, 2, 3, 9, 9); // offset 12, 2 + 12 bytes: ends exactly at the data's end
    const int32_t end = data.Length();
    struct Case
    {
        const char* name;
        int32_t entryValue; // written to entry 1
        int32_t length;
        int32_t entry;
        bool ok;
    };
    const Case cases[] = {
        {"exact fit", 12, end, 1, true},
        {"pixels cut by one byte", 12, end - 1, 1, false},
        {"header cut", end - 1, end, 1, false},
        {"offset at the end", end, end, 1, false},
        {"negative offset", -4, end, 1, false},
        {"offset far beyond", 0x7FFFFFF0, end, 1, false},
        {"entry beyond the data", 12, 8, 2, false},
        {"negative entry", 12, end, -1, false},
        {"negative length", 12, -1, 1, false},
        {"offset pointing into the entry row", 0, end, 1, true}, // bytes 0 and 1 read as a 12 x 0 piece
    };
    for (const Case& c : cases)
    {
        data.SetEntry(1, c.entryValue);
        TemplatePiece piece{reinterpret_cast<const uint8_t*>(1), 7, 7};
        EXPECT_EQ(GetTemplatePiece(data.Data(), c.length, c.entry, &piece), c.ok) << c.name;
        if (!c.ok)
        {
            EXPECT_EQ(piece.pixels, nullptr) << c.name;
            EXPECT_FALSE(IsTemplatePiecePresent(&piece)) << c.name;
        }
    }
    TemplatePiece piece{};
    ASSERT_TRUE(GetTemplatePiece(data.Data(), end, 0, &piece));
    EXPECT_EQ(piece.width, 2);
    EXPECT_EQ(piece.height, 3);
    EXPECT_EQ(piece.pixels, data.Data() + 14);
    EXPECT_FALSE(GetTemplatePiece(nullptr, end, 0, &piece));
}

TEST_F(PixelTemplateTest, TintedPixelRules)
{
    const uint32_t colour = 0x80C86432u; // A 0x80, R 200, G 100, B 50
    struct Case
    {
        const char* name;
        Pixel before;
        uint8_t grey, alpha;
        bool shade;
        uint8_t shadeGrey, shadeAlpha;
        Pixel after;
    };
    const Case cases[] = {
        {"grey 255 alpha 0: transparent tint", {1, 2, 3, 255}, 255, 0, false, 0, 0, {50, 100, 200, 0}},
        {"grey scales the tint, alpha replaces", {1, 2, 3, 4}, 128, 200, false, 0, 0, {25, 50, 100, 200}},
        {"shade blended over the tint", {1, 2, 3, 4}, 255, 255, true, 0, 128, {24, 49, 99, 255}},
        {"no shade where the piece has no alpha", {1, 2, 3, 4}, 255, 0, true, 0, 255, {50, 100, 200, 0}},
        {"grey 0 blends the tint by alpha", {0, 0, 0, 255}, 0, 128, false, 0, 0, {25, 50, 100, 255}},
        {"grey 0 then the shade", {0, 0, 0, 255}, 0, 255, true, 255, 255, {255, 255, 255, 255}},
        {"grey 0 alpha 0 leaves the pixel and skips the shade",
         {7, 8, 9, 10},
         0,
         0,
         true,
         255,
         255,
         {7, 8, 9, 10}},
    };
    for (const Case& c : cases)
    {
        Pixel pixel = c.before;
        const uint8_t piece[2] = {c.grey, c.alpha};
        const uint8_t shade[2] = {c.shadeGrey, c.shadeAlpha};
        BlendTemplatePixel(pixel.data(), piece, c.shade ? shade : nullptr, colour);
        EXPECT_EQ(pixel, c.after) << c.name;
    }
}

TEST_F(PixelTemplateTest, GreyPixelRule)
{
    const uint32_t colour = 0x80C86432u;
    struct Case
    {
        uint8_t grey, alpha;
        Pixel after;
    };
    const Case cases[] = {
        {90, 255, {90, 90, 90, 255}}, // opaque piece: the grey only
        {90, 0, {50, 100, 200, 128}}, // transparent piece: the colour, all four bytes
        {0, 128, {24, 49, 99, 255}},  // half: colour x 127 / 255 over black
    };
    for (const Case& c : cases)
    {
        Pixel pixel = {1, 2, 3, 4};
        const uint8_t piece[2] = {c.grey, c.alpha};
        BlendTemplatePixelGrey(pixel.data(), piece, colour);
        EXPECT_EQ(pixel, c.after) << int(c.grey) << "/" << int(c.alpha);
    }
}

// A 3 x 2 piece whose pixels are greys 10..60 (opaque) drawn in mode 1, so each destination
// pixel shows which piece pixel landed on it.
TEST_F(PixelTemplateTest, PieceIsClippedToTheBufferOnEverySide)
{
    TemplateData data(1);
    data.AddPiece(0, 3, 2, {10, 255, 20, 255, 30, 255, 40, 255, 50, 255, 60, 255});
    TemplatePiece piece{};
    ASSERT_TRUE(GetTemplatePiece(data.Data(), data.Length(), 0, &piece));
    struct Case
    {
        int32_t x, y;
        std::vector<uint8_t> greys; // 4 x 3 buffer, 0 = untouched
    };
    const Case cases[] = {
        {-1, -1, {50, 60, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},   {2, 2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 20}},
        {0, 0, {10, 20, 30, 0, 40, 50, 60, 0, 0, 0, 0, 0}}, {4, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0, -2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases)
    {
        BufferPtr buffer(CPixelBuffer::Create(4, 3));
        DrawTemplatePiece(buffer.get(), c.x, c.y, &piece, nullptr, 0, 1);
        for (int32_t i = 0; i < 12; ++i)
        {
            EXPECT_EQ(At(buffer.get(), i % 4, i / 4)[0], c.greys[i]) << c.x << "," << c.y << " pixel " << i;
        }
    }
    BufferPtr buffer(CPixelBuffer::Create(4, 3));
    DrawTemplatePiece(buffer.get(), 0, 0, &piece, nullptr, 0, 2);
    EXPECT_EQ(At(buffer.get(), 0, 0), (Pixel{0, 0, 0, 0})) << "mode 2 draws nothing";
}

TEST_F(PixelTemplateTest, TilingStaysAnchoredAtItsStartWhenClipped)
{
    TemplateData data(2);
    data.AddPiece(0, 3, 1, {10, 255, 20, 255, 30, 255});
    data.AddPiece(1, 1, 3, {10, 255, 20, 255, 30, 255});
    TemplatePiece row{}, column{};
    ASSERT_TRUE(GetTemplatePiece(data.Data(), data.Length(), 0, &row));
    ASSERT_TRUE(GetTemplatePiece(data.Data(), data.Length(), 1, &column));

    BufferPtr buffer(CPixelBuffer::Create(6, 6));
    TileTemplateHorizontal(buffer.get(), -2, 0, 7, &row, nullptr, 0, 1); // columns -2 .. 4
    TileTemplateVertical(buffer.get(), 5, 1, 100, &column, nullptr, 0, 1);
    const uint8_t across[6] = {30, 10, 20, 30, 10, 0};
    const uint8_t down[6] = {0, 10, 20, 30, 10, 20};
    for (int32_t i = 0; i < 6; ++i)
    {
        EXPECT_EQ(At(buffer.get(), i, 0)[0], across[i]) << "column " << i;
        EXPECT_EQ(At(buffer.get(), 5, i)[0], i == 0 ? 0 : down[i]) << "row " << i;
    }
    EXPECT_EQ(At(buffer.get(), 0, 1)[3], 0) << "the band is only the piece's height";

    BufferPtr untouched(CPixelBuffer::Create(6, 6));
    TileTemplateHorizontal(untouched.get(), 0, 0, 0, &row, nullptr, 0, 1);
    TileTemplateVertical(untouched.get(), 0, 0, -5, &column, nullptr, 0, 1);
    const TemplatePiece empty{data.Data(), 0, 4};
    TileTemplateHorizontal(untouched.get(), 0, 0, 6, &empty, nullptr, 0, 1);
    for (int32_t i = 0; i < 36; ++i)
    {
        ASSERT_EQ(At(untouched.get(), i % 6, i / 6)[3], 0) << i;
    }
}

// The shade piece is read at the piece's position: one smaller than the piece shades only where
// it has pixels, and is never read past its end (the data ends right after it).
TEST_F(PixelTemplateTest, SmallerShadePieceShadesOnlyItsOwnArea)
{
    TemplateData data(2);
    data.AddPiece(0, 2, 2, 255, 255);
    data.AddPiece(1, 1, 1, 0, 255);
    TemplatePiece piece{}, shade{};
    ASSERT_TRUE(GetTemplatePiece(data.Data(), data.Length(), 0, &piece));
    ASSERT_TRUE(GetTemplatePiece(data.Data(), data.Length(), 1, &shade));
    std::vector<uint8_t> exact(data.Bytes()); // so that a read past the shade is a heap overflow
    BufferPtr buffer(CPixelBuffer::Create(2, 2));
    DrawTemplatePiece(buffer.get(), 0, 0, &piece, &shade, 0xFF0000FFu, 0);
    EXPECT_EQ(At(buffer.get(), 0, 0), (Pixel{0, 0, 0, 255}));
    EXPECT_EQ(At(buffer.get(), 1, 0), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(At(buffer.get(), 1, 1), (Pixel{255, 0, 0, 255}));
}

class PixelThreePartBarTest : public PixelTemplateTest
{
protected:
    TemplateData MakeThumb(bool plain)
    {
        TemplateData data(ThumbEntryCount);
        data.SetEntry(ThumbVariant, plain ? -1 : 0);
        data.SetEntry(ThumbSize, 12);
        // Tinted pieces: grey 255 shows the colour; plain pieces: opaque greys 10, 20, 30.
        data.AddPiece(ThumbHorizontalLeft, 2, 1, 255, 255);
        data.AddPiece(ThumbHorizontalMiddle, 1, 1, 255, 255);
        data.AddPiece(ThumbHorizontalRight, 3, 1, 255, 255);
        data.AddPiece(ThumbVerticalTop, 1, 2, 255, 255);
        data.AddPiece(ThumbVerticalMiddle, 1, 1, 255, 255);
        data.AddPiece(ThumbVerticalBottom, 1, 3, 255, 255);
        data.AddPiece(ThumbShadeHorizontalLeft, 2, 1, 10, 255);
        data.AddPiece(ThumbShadeHorizontalMiddle, 0, 0, 0, 0); // no shade for the middle
        data.AddPiece(ThumbShadeHorizontalRight, 3, 1, 30, plain ? 255 : 0);
        data.AddPiece(ThumbShadeVerticalTop, 1, 2, 10, 255);
        data.AddPiece(ThumbShadeVerticalMiddle, 1, 1, 20, 255);
        data.AddPiece(ThumbShadeVerticalBottom, 1, 3, 30, plain ? 255 : 0);
        return data;
    }
};

TEST_F(PixelThreePartBarTest, HorizontalCapsAndTiledMiddle)
{
    const uint32_t colour = 0xFF0000C8u; // blue 200
    struct Case
    {
        bool plain;
        std::vector<uint8_t> blue; // row 0, 8 pixels
    };
    const Case cases[] = {
        // Tinted: the left cap shaded to grey 10 (opaque shade), the middle plain tint, the right
        // cap's transparent shade changes nothing.
        {false, {10, 10, 200, 200, 200, 200, 200, 200}},
        // Plain: shade entries 11 to 13 drawn in grey, the middle entry 12 is empty.
        {true, {10, 10, 0, 0, 0, 30, 30, 30}},
    };
    for (const Case& c : cases)
    {
        TemplateData data = MakeThumb(c.plain);
        BufferPtr buffer(CPixelBuffer::Create(8, 2));
        DrawThreePartBar(data.Data(), data.Length(), true, buffer.get(), colour);
        for (int32_t x = 0; x < 8; ++x)
        {
            EXPECT_EQ(At(buffer.get(), x, 0)[0], c.blue[x])
                << (c.plain ? "plain" : "tinted") << " column " << x;
            EXPECT_EQ(At(buffer.get(), x, 1)[3], 0) << "row 1 untouched, column " << x;
        }
    }
}

TEST_F(PixelThreePartBarTest, VerticalCapsAndTiledMiddle)
{
    struct Case
    {
        bool plain;
        std::vector<uint8_t> blue; // column 0, 7 pixels
    };
    const Case cases[] = {
        {false, {10, 10, 20, 20, 200, 200, 200}}, // the middle shade applies to every tile
        {true, {10, 10, 20, 20, 30, 30, 30}},
    };
    for (const Case& c : cases)
    {
        TemplateData data = MakeThumb(c.plain);
        BufferPtr buffer(CPixelBuffer::Create(2, 7));
        DrawThreePartBar(data.Data(), data.Length(), false, buffer.get(), 0xFF0000C8u);
        for (int32_t y = 0; y < 7; ++y)
        {
            EXPECT_EQ(At(buffer.get(), 0, y)[0], c.blue[y]) << (c.plain ? "plain" : "tinted") << " row " << y;
            EXPECT_EQ(At(buffer.get(), 1, y)[3], 0) << "column 1 untouched, row " << y;
        }
    }
}

TEST_F(PixelThreePartBarTest, CorruptThumbDataDrawsNothingOutsideItsBytes)
{
    TemplateData good = MakeThumb(false);
    // Every truncation of the data: the pieces cut off are skipped, the rest still draw.
    for (int32_t length = 0; length <= good.Length(); ++length)
    {
        std::vector<uint8_t> bytes(good.Data(), good.Data() + length);
        BufferPtr buffer(CPixelBuffer::Create(8, 8));
        DrawThreePartBar(bytes.data(), length, true, buffer.get(), 0xFFFFFFFFu);
        DrawThreePartBar(bytes.data(), length, false, buffer.get(), 0xFFFFFFFFu);
    }
    TemplateData bad = MakeThumb(false);
    bad.SetEntry(ThumbHorizontalLeft, -100);
    bad.SetEntry(ThumbHorizontalMiddle, bad.Length() - 1);
    bad.SetEntry(ThumbHorizontalRight, 0x7FFFFFFF);
    BufferPtr buffer(CPixelBuffer::Create(8, 1));
    DrawThreePartBar(bad.Data(), bad.Length(), true, buffer.get(), 0xFFFFFFFFu);
    for (int32_t x = 0; x < 8; ++x)
    {
        EXPECT_EQ(At(buffer.get(), x, 0)[3], 0) << x;
    }
    DrawThreePartBar(nullptr, 100, true, buffer.get(), 0xFFFFFFFFu);
    DrawThreePartBar(good.Data(), good.Length(), true, nullptr, 0xFFFFFFFFu);
}
} // namespace

#include "render/TextLayout.h"

#include <algorithm>
#include <cstring>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H

#include "common/StringFunctions.h"
#include "render/Fnt.h"
#include "render/GlyphCoverage.h"

namespace
{
// One character shown: its glyph (null for a line feed or a glyph that did not load), the kerning
// before it and its advance in pixels, and whether it starts a line.
struct GlyphEntry
{
    FT_Glyph glyph;
    int16_t kerning;
    int16_t advance;
    uint8_t lineStart;
    uint8_t kind; // CharKind
};

enum CharKind : uint8_t
{
    KindEnd = 0,
    KindLineFeed,
    KindSpace,
    KindOther,
    KindCaret,
};

struct LineInfo
{
    int32_t width;
    int32_t glyphCount;
};

int16_t ToInt16(FT_Pos value)
{
    return static_cast<int16_t>(std::clamp<FT_Pos>(value, INT16_MIN, INT16_MAX));
}

// Characters of the text with surrogate pairs joined, at most kMaxLayoutChars of them, and the
// unit index at which each begins.
int32_t DecodeText(const char16_t* text, uint32_t* codes, int32_t* unitIndex)
{
    int32_t count = 0;
    int32_t i = 0;
    while (text[i] != 0 && count < kMaxLayoutChars)
    {
        uint32_t code = text[i];
        unitIndex[count] = i;
        ++i;
        if (code >= 0xD800 && code <= 0xDBFF && text[i] >= 0xDC00 && text[i] <= 0xDFFF)
        {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i] - 0xDC00);
            ++i;
        }
        codes[count++] = code;
    }
    unitIndex[count] = i;
    return count;
}

class GlyphRunBuilder
{
public:
    explicit GlyphRunBuilder(FT_Face face) : m_face(face)
    {
        m_kerning = FT_HAS_KERNING(face);
        m_symbol = face->charmap != nullptr && face->charmap->encoding == FT_ENCODING_MS_SYMBOL;
        if (m_symbol)
        {
            // Symbol fonts usually put their glyphs at 0xF000 and up; every character then
            // reaches them with that page added (codes already there stay as they are).
            FT_UInt glyph = 0;
            m_symbolHighPage = FT_Get_First_Char(face, &glyph) >= 257;
        }
    }

    void AddCharacter(GlyphEntry& entry, uint32_t code)
    {
        entry = GlyphEntry{nullptr, 0, 0, 0, KindOther};
        if (code == 10)
        {
            entry.kind = KindLineFeed;
            // Kerning pairs never reach across a line break.
            m_previous = 0;
            return;
        }
        entry.kind = code == 32 ? KindSpace : KindOther;
        const FT_UInt glyph = GlyphIndex(code);
        if (m_kerning && m_previous != 0 && glyph != 0)
        {
            FT_Vector delta{0, 0};
            if (FT_Get_Kerning(m_face, m_previous, glyph, FT_KERNING_DEFAULT, &delta) == 0)
                entry.kerning = ToInt16(delta.x >> 6);
        }
        LoadGlyph(entry, glyph);
        m_previous = glyph;
    }

    // The caret is drawn where the next character begins and moves nothing.
    void AddCaret(GlyphEntry& entry)
    {
        entry = GlyphEntry{nullptr, 0, 0, 0, KindCaret};
        LoadGlyph(entry, GlyphIndex('_'));
        entry.advance = 0;
    }

private:
    FT_UInt GlyphIndex(uint32_t code) const
    {
        if (m_symbol && m_symbolHighPage)
            code |= 0xF000;
        return FT_Get_Char_Index(m_face, code);
    }

    void LoadGlyph(GlyphEntry& entry, FT_UInt glyph)
    {
        if (FT_Load_Glyph(m_face, glyph, FT_LOAD_NO_AUTOHINT) != 0)
            return;
        if (FT_Get_Glyph(m_face->glyph, &entry.glyph) != 0)
        {
            entry.glyph = nullptr;
            return;
        }
        entry.advance = ToInt16(m_face->glyph->advance.x >> 6);
    }

    FT_Face m_face;
    bool m_kerning = false;
    bool m_symbol = false;
    bool m_symbolHighPage = false;
    FT_UInt m_previous = 0;
};

// Glyph run of the first `count` characters, with the caret glyph before the character that
// begins at caretUnit (at the end when caretUnit is the text's length). Returns the entry count.
int32_t BuildGlyphRun(FT_Face face, const uint32_t* codes, const int32_t* unitIndex, int32_t count,
                      int32_t caretUnit, GlyphEntry* run)
{
    GlyphRunBuilder builder(face);
    int32_t entries = 0;
    bool caretDone = caretUnit < 0;
    for (int32_t i = 0; i < count; ++i)
    {
        if (!caretDone && caretUnit <= unitIndex[i])
        {
            builder.AddCaret(run[entries++]);
            caretDone = true;
        }
        builder.AddCharacter(run[entries++], codes[i]);
    }
    if (!caretDone && caretUnit <= unitIndex[count])
        builder.AddCaret(run[entries++]);
    return entries;
}

void FreeGlyphRun(GlyphEntry* run, int32_t entries)
{
    for (int32_t i = 0; i < entries; ++i)
    {
        if (run[i].glyph != nullptr)
            FT_Done_Glyph(run[i].glyph);
    }
    delete[] run;
}

// Cuts the run into lines: runs of spaces and of other characters are words that wrap as a whole;
// line feeds break lines. Sets the entries' line-start flags and fills the line table. Returns the
// number of entries laid out: entries that would start a line past the table are cut off.
class LineBreaker
{
public:
    LineBreaker(GlyphEntry* run, int32_t entries, int32_t boxWidth, bool wordWrap)
        : m_run(run), m_entries(entries), m_boxWidth(boxWidth), m_wrap(wordWrap)
    {
        m_lines[0] = LineInfo{0, 0};
    }

    int32_t Break()
    {
        int32_t pendingCaret = -1;
        for (int32_t i = 0; i < m_entries && m_cutAt < 0; ++i)
        {
            const GlyphEntry& entry = m_run[i];
            if (entry.kind == KindCaret)
            {
                pendingCaret = i;
                continue;
            }
            if (entry.kind == KindLineFeed)
            {
                AddRun(false);
                if (!StartLine(i))
                    break;
                pendingCaret = -1;
                continue;
            }
            if (entry.kind != m_runKind)
            {
                AddRun(true);
                if (m_cutAt >= 0)
                    break;
                // A caret just before the run's first character travels with it.
                m_runStart = pendingCaret >= 0 && pendingCaret == i - 1 ? pendingCaret : i;
                m_runKind = entry.kind;
            }
            m_runWidth += entry.kerning + entry.advance;
            ++m_runGlyphs;
            pendingCaret = -1;
        }
        if (m_cutAt < 0)
            AddRun(true);
        return m_cutAt >= 0 ? m_cutAt : m_entries;
    }

    int32_t GetLineCount() const { return m_lineCount; }
    const LineInfo* GetLines() const { return m_lines; }

private:
    // Opens the next line at entry `start`; false (and the text cut there) when the table is full.
    bool StartLine(int32_t start)
    {
        if (m_lineCount >= kMaxLayoutLines)
        {
            m_cutAt = start;
            return false;
        }
        m_run[start].lineStart = 1;
        m_lines[m_lineCount++] = LineInfo{0, 0};
        return true;
    }

    void AddRun(bool wrapTest)
    {
        if (m_runKind == KindEnd)
            return;
        LineInfo* line = &m_lines[m_lineCount - 1];
        if (wrapTest && m_wrap && line->width + m_runWidth > m_boxWidth)
        {
            if (!StartLine(m_runStart))
                return;
            line = &m_lines[m_lineCount - 1];
        }
        line->width += m_runWidth;
        line->glyphCount += m_runGlyphs;
        m_runKind = KindEnd;
        m_runWidth = 0;
        m_runGlyphs = 0;
    }

    GlyphEntry* m_run;
    int32_t m_entries;
    int32_t m_boxWidth;
    bool m_wrap;
    LineInfo m_lines[kMaxLayoutLines];
    int32_t m_lineCount = 1;
    int32_t m_cutAt = -1;
    uint8_t m_runKind = KindEnd;
    int32_t m_runStart = 0;
    int32_t m_runWidth = 0;
    int32_t m_runGlyphs = 0;
};

// Column (0 left, 1 centre, 2 right) and row (0 top, 1 middle, 2 bottom) of an alignment code;
// code 0 and codes outside 1 to 9 are left and top.
void AlignmentCell(int32_t alignment, int32_t& column, int32_t& row)
{
    if (alignment < 1 || alignment > 9)
    {
        column = 0;
        row = 0;
        return;
    }
    column = (alignment - 1) % 3;
    row = (alignment - 1) / 3;
}

int32_t AlignOffset(int32_t cell, int32_t space, int32_t used)
{
    if (cell == 1)
        return (space - used) / 2;
    if (cell == 2)
        return space - used;
    return 0;
}

// Copies a glyph's coverage into the mask with its top-left corner at (left, top), clipped; the
// glyph's coverage replaces what was there.
void StampGlyph(CoverageMask* mask, const uint8_t* coverage, int32_t width, int32_t rows, int32_t left,
                int32_t top)
{
    const int32_t x0 = std::max(0, left);
    const int32_t y0 = std::max(0, top);
    const int64_t x1 = std::min<int64_t>(mask->width, static_cast<int64_t>(left) + width);
    const int64_t y1 = std::min<int64_t>(mask->height, static_cast<int64_t>(top) + rows);
    if (x1 <= x0 || y1 <= y0)
        return;
    for (int32_t y = y0; y < y1; ++y)
    {
        const uint8_t* source = coverage + static_cast<size_t>(y - top) * width + (x0 - left);
        uint8_t* target = mask->data + static_cast<size_t>(y) * mask->width + x0;
        std::memcpy(target, source, static_cast<size_t>(x1 - x0));
    }
}

void DrawGlyph(CoverageMask* mask, FT_Glyph glyph, int32_t& penX, int32_t baseline, const GlyphEntry& entry)
{
    FT_Glyph image = glyph;
    // The source glyph is kept (it is released with the run).
    if (FT_Glyph_To_Bitmap(&image, FT_RENDER_MODE_NORMAL, nullptr, 0) != 0)
        return;
    penX += entry.kerning;
    if (image->format == FT_GLYPH_FORMAT_BITMAP)
    {
        FT_BitmapGlyph bitmapGlyph = reinterpret_cast<FT_BitmapGlyph>(image);
        uint8_t* coverage = nullptr;
        const bool owned = GlyphToCoverage(&bitmapGlyph->bitmap, &coverage);
        if (coverage != nullptr)
            StampGlyph(mask, coverage, static_cast<int32_t>(bitmapGlyph->bitmap.width),
                       static_cast<int32_t>(bitmapGlyph->bitmap.rows), penX + bitmapGlyph->left,
                       baseline - bitmapGlyph->top);
        if (owned)
            delete[] coverage;
    }
    penX += entry.advance;
    if (image != glyph)
        FT_Done_Glyph(image);
}
} // namespace

CoverageMask* LayoutText(const CFnt* font, const char16_t* text, int32_t caretIndex, int32_t alignment,
                         int32_t boxWidth, int32_t boxHeight, bool wordWrap)
{
    // A box that its insets have eaten up is empty: no negative size reaches an allocation.
    if (font == nullptr || !font->HasFace() || boxWidth < 1 || boxHeight < 1)
        return nullptr;
    FT_Face face = font->GetFace();
    const FT_F26Dot6 size = static_cast<FT_F26Dot6>(font->GetSize()) << 6;
    // A face is shared by fonts of several sizes: set this font's size on every call.
    if (FT_Set_Char_Size(face, size, size, kTextDpi, kTextDpi) != 0)
        return nullptr;
    CoverageMask* mask = NewCoverageMask(boxWidth, boxHeight);
    if (mask == nullptr)
        return nullptr;

    static const char16_t kEmpty[] = {0};
    uint32_t codes[kMaxLayoutChars];
    int32_t unitIndex[kMaxLayoutChars + 1];
    const int32_t count = DecodeText(text != nullptr ? text : kEmpty, codes, unitIndex);
    GlyphEntry* run = new GlyphEntry[static_cast<size_t>(count) + 1];
    const int32_t entries = BuildGlyphRun(face, codes, unitIndex, count, caretIndex, run);

    LineBreaker breaker(run, entries, boxWidth, wordWrap);
    const int32_t shown = breaker.Break();
    const int32_t lineHeight = static_cast<int32_t>(face->size->metrics.height >> 6);
    const int32_t ascender = static_cast<int32_t>(face->size->metrics.ascender >> 6);
    const int32_t totalHeight = breaker.GetLineCount() * lineHeight;
    int32_t column = 0;
    int32_t row = 0;
    AlignmentCell(alignment, column, row);

    const LineInfo* lines = breaker.GetLines();
    int32_t line = 0;
    int32_t baseline = AlignOffset(row, boxHeight, totalHeight) + ascender;
    int32_t penX = AlignOffset(column, boxWidth, lines[0].width);
    for (int32_t i = 0; i < shown; ++i)
    {
        if (run[i].lineStart != 0 && line + 1 < breaker.GetLineCount())
        {
            ++line;
            penX = AlignOffset(column, boxWidth, lines[line].width);
            baseline += lineHeight;
        }
        if (run[i].glyph != nullptr)
            DrawGlyph(mask, run[i].glyph, penX, baseline, run[i]);
    }
    FreeGlyphRun(run, entries);
    return mask;
}

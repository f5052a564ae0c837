#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "render/CoverageMask.h"
#include "support/TempFolder.h"

// Helpers of the text and image tests: a private temporary folder, the test font and fonts made
// from it, and measurements of coverage masks.

constexpr const char* kLiberationSansPath = "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf";

// The font with every Microsoft (platform 3) charmap record turned into a Macintosh one.
std::vector<uint8_t> MakeMacintoshOnlyFont(const std::vector<uint8_t>& font);
// The font with its character map replaced by one Microsoft symbol charmap that puts the glyphs of
// the characters 0x20 to 0x7E at the codes 0xF020 to 0xF07E, as symbol fonts do.
std::vector<uint8_t> MakeHighSymbolFont(const std::vector<uint8_t>& font);

// FreeType's kerning of a character pair of the font file at a size in points at 96 DPI, in whole
// pixels, and the advance sum of a text (kerning included) as the layout measures it.
int32_t FontKerning(const std::string& path, uint32_t size, uint32_t left, uint32_t right);
int32_t FontTextWidth(const std::string& path, uint32_t size, const char16_t* text);
int32_t FontLineHeight(const std::string& path, uint32_t size);

// Ink bounds of a mask: the covered pixels' rectangle (right and bottom inclusive), empty when no
// pixel is covered.
struct InkBounds
{
    bool empty = true;
    int32_t left = 0, top = 0, right = -1, bottom = -1;
    int64_t sum = 0;
};
InkBounds MeasureInk(const CoverageMask* mask);
uint8_t MaskAt(const CoverageMask* mask, int32_t x, int32_t y);
// True when b is a moved by (dx, dy): every covered pixel of either lies at the other's place
// moved, and no ink was cut at the edges.
bool MasksEqualShifted(const CoverageMask* a, const CoverageMask* b, int32_t dx, int32_t dy);

// Owns a mask for the length of a test.
struct MaskHolder
{
    explicit MaskHolder(CoverageMask* m = nullptr) : mask(m) {}
    ~MaskHolder() { FreeCoverageMask(mask); }
    MaskHolder(const MaskHolder&) = delete;
    MaskHolder& operator=(const MaskHolder&) = delete;
    CoverageMask* operator->() const { return mask; }
    CoverageMask* get() const { return mask; }
    CoverageMask* mask;
};

#pragma once
#include <cstdint>

#include "render/CoverageMask.h"

struct CPixelBuffer;

// Number of text effect codes (0 "None" to 56 "HardDropShadow8withoutline").
constexpr int32_t kTextEffectCount = 57;

// One stamp of a text effect: kernel cell (originX - 1, originY - 1) lands on each covered pixel.
struct TextEffectKernel
{
    int32_t originX;
    int32_t originY;
    int32_t height;
    int32_t width;
    const uint8_t* bytes; // height rows of width bytes; null for code 0
};

// The kernel of an effect code, null for codes outside 0 to 56.
const TextEffectKernel* GetTextEffectKernel(int32_t effectCode);

// A new mask of the text mask's size holding the effect (outline, glow or shadow) made by stamping
// the effect's kernel on every covered pixel, weighted by its coverage. Null for codes outside
// 0 to 56 or without a mask; code 0 gives an all-zero mask.
CoverageMask* ApplyTextEffect(int32_t effectCode, const CoverageMask* textMask);

// Blends the colour (0xAARRGGBB) into a 24-bit or 32-bit buffer at (x, y) with the mask's coverage
// as the weight. Nothing when the colour's alpha byte is 0; full coverage writes the colour's
// alpha on 32-bit buffers. Needs the blend tables.
void DrawCoverage(const CoverageMask* mask, CPixelBuffer* buffer, int32_t x, int32_t y, uint32_t colour);

#pragma once
#include <cstdint>

#include <ft2build.h>
#include FT_FREETYPE_H

// Turns a rendered FreeType bitmap into rows of 8-bit coverage, `width` bytes a row, top row
// first. Rows are read by the bitmap's pitch (its byte step from one row to the next, negative for
// bitmaps stored bottom row first), never by the width.
//   8-bit grey: the rows are used in place when the pitch equals the width (false, *coverage
//               points into the bitmap), else copied;
//   mono: one bit a pixel, first pixel in the high bit, 0 or 255;
//   2-bit grey: four pixels a byte, first in the high bits, levels 0, 63, 127, 191;
//   4-bit grey: two pixels a byte, first in the high half, level 16 x v.
// True when *coverage is a new block (delete[] by the caller). False with *coverage null for an
// empty bitmap, a pitch too small for the width, or another pixel mode.
bool GlyphToCoverage(const FT_Bitmap* bitmap, uint8_t** coverage);

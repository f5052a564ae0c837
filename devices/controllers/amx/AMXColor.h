#pragma once
#include <cstdint>

// Colours of the AMX panel commands, as 0xRRGGBBAA (red in the highest byte, alpha in the lowest).

struct AmxPaletteRow
{
    const char* name;
    uint32_t color;
};

constexpr int32_t kAmxPaletteRows = 89;
// The panel's named colours: six shades of twelve families, then white, the greys, black and
// transparent. A colour number below 89 is a row of this table.
extern const AmxPaletteRow AmxColorPalette[kAmxPaletteRows];

// The colour named by the rest of the text at the cursor, which moves to the end of the text:
// - "#" and hexadecimal digits: six digits (at most seven characters in all) give an opaque
//   colour, eight give red, green, blue and alpha;
// - a decimal number: a palette row below 89, else the number itself;
// - a palette name, spaces and ASCII case ignored, and the longest name that begins the text
//   wins ("Grey12" is not "Grey1");
// - anything else, and an empty or null text, gives 0.
uint32_t ParseColor(const char** cursor);
uint32_t ParseColor(char** cursor);

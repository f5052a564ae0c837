#pragma once
#include <cstdint>

#include "render/CoverageMask.h"

class CFnt;

// Text is laid out at the screen's fixed logical resolution.
constexpr uint32_t kTextDpi = 96;
// At most this many characters of a text are laid out.
constexpr int32_t kMaxLayoutChars = 2048;
// At most this many lines are laid out; the characters that would start line 256 and later are
// not drawn.
constexpr int32_t kMaxLayoutLines = 255;

// Lays out the text (UTF-16, zero-terminated) in the font into a coverage mask of the box's size:
// line feeds break lines, with wordWrap runs that pass the box width move to the next line, the
// block is placed by the alignment code (0 or 1 to 9, 3 x 3 grid from the top left). With a caret
// index (0 to the text length; -1 for none) a "_" glyph is drawn where that character begins.
// Null when the font has no face, the box is empty (width or height below 1) or the size cannot be
// set.
CoverageMask* LayoutText(const CFnt* font, const char16_t* text, int32_t caretIndex, int32_t alignment,
                         int32_t boxWidth, int32_t boxHeight, bool wordWrap);

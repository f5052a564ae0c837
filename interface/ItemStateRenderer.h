#pragma once
#include <cstdint>

struct CPixelBuffer;
class CDialogItem;
class CDialogItemState;
class CSprite;
class CFnt;
class CTemplate;

// How a state's border is drawn.
enum BorderKind : int32_t
{
    BorderNone = 0,
    BorderTemplate = 1,
    BorderImage = 2,
};

// Inset of item text from the buffer's edges (plus a template border's margin).
constexpr int32_t kTextInset = 4;

// A state colour 0xRRGGBBAA as the colour word 0xAARRGGBB the pixel operations take.
inline uint32_t ColorWord(uint32_t rgba)
{
    return (rgba << 24) | (rgba >> 8);
}

// The border of a border word, resolved against the back end's templates and images: a frame
// template by 1-based position, or (top byte 1) an image that holds a bitmap. With no template
// loaded at all there is no border of either kind.
BorderKind ResolveStateBorder(uint32_t borderWord, CTemplate** frame, CSprite** image);

// Paints the state into buffer (a new zeroed buffer of the item's current size when null; an
// existing one at its own size) and greys it when the item is disabled. No state paints only the
// cleared (and maybe greyed) buffer. Returns the buffer, null when none could be made.
CPixelBuffer* RenderItemState(CPixelBuffer* buffer, CDialogItem* item, CDialogItemState* state);

// The painting passes, also used by items with looks of their own. Colours are colour words.
void DrawStateFill(BorderKind kind, CPixelBuffer* buffer, CSprite* borderImage, const CTemplate* frame,
                   uint32_t colour);
void DrawStateImage(CSprite* image, uint8_t alignment, int32_t x, int32_t y, CPixelBuffer* buffer);
void DrawItemText(CPixelBuffer* buffer, const char16_t* text, int32_t caret, const CFnt* font,
                  uint32_t colour, uint8_t alignment, int32_t x, int32_t y, bool wordWrap, int32_t effect,
                  uint32_t effectColour, BorderKind kind, const CTemplate* frame, int32_t indent);
void DrawStateBorder(BorderKind kind, CPixelBuffer* buffer, CSprite* borderImage, const CTemplate* frame,
                     uint32_t colour);
// Multiplies the buffer by the border image's alpha (edit boxes with an image border).
void DrawCutOut(CPixelBuffer* buffer, CSprite* borderImage, uint32_t colour);

// The box the text is laid out in, within a buffer of width x height: the inset is taken on the
// sides the alignment leans to; code 0 uses the whole buffer at the stored position.
struct TextBox
{
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};
TextBox ComputeTextBox(int32_t width, int32_t height, uint8_t alignment, int32_t x, int32_t y,
                       BorderKind kind, const CTemplate* frame, int32_t indent);

// The per-state setters: each changes one state (by index) or every state (-1), then flags the
// item for rendering, also when the index names no state.
#include "common/StringFunctions.h"
#include "common/Vector.h"
#include "interface/DialogItem.h"
#include "interface/DialogItemState.h"
#include "interface/TextVariables.h"

template <class Fn> void CDialogItem::ForStates(int32_t index, Fn fn)
{
    if (index == -1)
    {
        for (int32_t i = 0; i < GetStateCount(); i++)
            fn(GetStateAt(i));
    }
    else if (CDialogItemState* state = GetStateAt(index))
    {
        fn(state);
    }
    Invalidate();
}

void CDialogItem::SetFillColor(int32_t index, uint32_t color)
{
    ForStates(index, [color](CDialogItemState* s) { s->m_fillColor = color; });
}

void CDialogItem::SetTextColor(int32_t index, uint32_t color)
{
    ForStates(index, [color](CDialogItemState* s) { s->m_textColor = color; });
}

void CDialogItem::SetBorderColor(int32_t index, uint32_t color)
{
    ForStates(index, [color](CDialogItemState* s) { s->m_borderColor = color; });
}

void CDialogItem::SetOpacity(int32_t index, uint8_t opacity)
{
    ForStates(index, [opacity](CDialogItemState* s) { s->m_opacity = opacity; });
}

void CDialogItem::SetText(int32_t index, const char16_t* text)
{
    ForStates(index, [text](CDialogItemState* s) { ParseTextVariables(text, s); });
}

namespace
{
// The displayed text (with its variables as they read now) followed by more, cut so that the
// result and its terminating zero fit the append limit, never inside a surrogate pair.
char16_t* JoinTexts(CDialogItemState* state, const char16_t* more)
{
    ExpandTextVariables(state);
    char16_t* joined = new char16_t[kMaxAppendedText];
    size_t length = WStrCpyN(joined, kMaxAppendedText, state->m_text);
    length += WStrCpyN(joined + length, kMaxAppendedText - length, more);
    if (length == static_cast<size_t>(kMaxAppendedText - 1) && joined[length - 1] >= 0xD800 &&
        joined[length - 1] <= 0xDBFF)
        joined[length - 1] = 0;
    return joined;
}
} // namespace

void CDialogItem::AppendText(int32_t index, const char16_t* text)
{
    ForStates(index,
              [text](CDialogItemState* s)
              {
                  char16_t* joined = JoinTexts(s, text);
                  ParseTextVariables(joined, s);
                  delete[] joined;
              });
}

void CDialogItem::SetBitmap(int32_t index, CSprite* bitmap)
{
    ForStates(index,
              [bitmap](CDialogItemState* s)
              {
                  s->m_bitmap = bitmap;
                  PlaceStateBitmap(s, s->m_bitmapAlignment);
              });
}

void CDialogItem::SetIcon(int32_t index, CSprite* icon)
{
    ForStates(index,
              [icon](CDialogItemState* s)
              {
                  s->m_icon = icon;
                  PlaceStateIcon(s, s->m_iconAlignment);
              });
}

void CDialogItem::SetBitmapAlignment(int32_t index, uint8_t code)
{
    ForStates(index,
              [code](CDialogItemState* s)
              {
                  s->m_bitmapAlignment = code;
                  s->m_bitmapX = s->m_bitmapY = 0;
                  PlaceStateBitmap(s, code);
              });
}

void CDialogItem::SetIconAlignment(int32_t index, uint8_t code)
{
    ForStates(index,
              [code](CDialogItemState* s)
              {
                  s->m_iconAlignment = code;
                  s->m_iconX = s->m_iconY = 0;
                  PlaceStateIcon(s, code);
              });
}

void CDialogItem::SetTextAlignment(int32_t index, uint8_t code)
{
    ForStates(index,
              [code](CDialogItemState* s)
              {
                  s->m_textAlignment = code;
                  s->m_textX = s->m_textY = 0;
              });
}

void CDialogItem::SetLoadingBorder()
{
    ForStates(-1, [](CDialogItemState* s) { s->m_border = kLoadingBorder; });
}

void CDialogItem::SetFont(CFnt* font)
{
    ForStates(-1, [font](CDialogItemState* s) { s->m_font = font; });
}

void CDialogItem::SetBitmapCentred(CSprite* bitmap)
{
    ForStates(-1,
              [bitmap](CDialogItemState* s)
              {
                  s->m_bitmap = bitmap;
                  s->m_bitmapAlignment = AlignCentre;
                  s->m_bitmapX = s->m_bitmapY = 0;
                  PlaceStateBitmap(s, AlignCentre);
              });
}

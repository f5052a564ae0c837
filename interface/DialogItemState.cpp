#include "interface/DialogItemState.h"

#include "common/InStream.h"
#include "common/StringFunctions.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogItem.h"
#include "interface/TextVariables.h"
#include "render/Sprite.h"

namespace
{
constexpr uint32_t kVersionBorders = 0x10400;
constexpr uint32_t kVersionTextEffects = 0x10500;

// Image id, alignment and offsets of a bitmap or an icon.
bool ReadImageFields(CInStream* stream, uint32_t& id, uint8_t& alignment, int32_t& x, int32_t& y)
{
    return stream->ReadU32(id) && stream->ReadU8(alignment) && stream->ReadI16(x) && stream->ReadI16(y);
}

// A UTF-8 text of the file as wide text. Null in text with true when there is none; false when
// the bytes are not there.
bool ReadUtf8Text(CInStream* stream, char16_t*& text)
{
    text = nullptr;
    char* bytes = nullptr;
    if (!stream->ReadText(bytes))
        return false;
    if (bytes)
        text = Utf8ToWide(bytes);
    delete[] bytes;
    return true;
}

CSprite* FindRegistryImage(uint32_t id, bool icon)
{
    if (g_pDialogSystem == nullptr)
        return nullptr;
    return icon ? g_pDialogSystem->FindIcon(id) : g_pDialogSystem->FindImage(id);
}

// Offsets that place an image of w x h in the 3 x 3 grid of an item of W x H. Signed divisions
// truncate toward zero, so an image larger than the item gets a negative offset.
void PlaceInGrid(uint8_t code, int32_t itemWidth, int32_t itemHeight, int32_t width, int32_t height,
                 int32_t& x, int32_t& y)
{
    int32_t column = (code - 1) % 3;
    int32_t row = (code - 1) / 3;
    x = column == 0 ? 0 : column == 1 ? (itemWidth - width) / 2 : itemWidth - width;
    y = row == 0 ? 0 : row == 1 ? (itemHeight - height) / 2 : itemHeight - height;
}

void PlaceImage(CDialogItemState* state, CSprite* image, uint8_t code, int32_t& x, int32_t& y)
{
    if (image == nullptr || !image->HasName() || code == AlignStoredOffsets || code > AlignRightBottom)
        return;
    PlaceInGrid(code, state->m_owner->GetWidth(), state->m_owner->GetHeight(), image->GetWidth(),
                image->GetHeight(), x, y);
}
} // namespace

CDialogItemState::CDialogItemState(CDialogItem* owner) : m_owner(owner) {}

CDialogItemState::~CDialogItemState()
{
    WStrFree(m_text);
    WStrFree(m_textTemplate);
}

bool CDialogItemState::Load(CInStream* stream, uint32_t version)
{
    if (!stream->ReadU32(m_fillColor) || !stream->ReadU8(m_opacity))
        return false;
    if (version >= kVersionBorders && !stream->ReadU32(m_drawOrder))
        return false;

    uint32_t bitmapId = 0;
    if (!ReadImageFields(stream, bitmapId, m_bitmapAlignment, m_bitmapX, m_bitmapY))
        return false;
    m_bitmap = FindRegistryImage(bitmapId, false);
    PlaceStateBitmap(this, m_bitmapAlignment);

    uint32_t iconId = 0;
    if (!ReadImageFields(stream, iconId, m_iconAlignment, m_iconX, m_iconY))
        return false;
    m_icon = FindRegistryImage(iconId, true);
    PlaceStateIcon(this, m_iconAlignment);

    if (version >= kVersionBorders && (!stream->ReadU32(m_border) || !stream->ReadU32(m_borderColor)))
        return false;

    uint32_t fontId = 0;
    if (!stream->ReadU32(fontId) || !stream->ReadU8(m_textAlignment))
        return false;
    m_font = g_pDialogSystem != nullptr ? g_pDialogSystem->FindFont(fontId) : nullptr;
    if (version >= kVersionBorders && !stream->ReadU8(m_wordWrap))
        return false;
    if (!stream->ReadI16(m_textX) || !stream->ReadI16(m_textY) || !stream->ReadU32(m_textColor))
        return false;

    char16_t* text = nullptr;
    if (!ReadUtf8Text(stream, text))
        return false;
    ParseTextVariables(text, this);
    WStrFree(text);

    if (version >= kVersionTextEffects &&
        (!stream->ReadU16(m_textEffect) || !stream->ReadU32(m_textEffectColor)))
        return false;
    return true;
}

void PlaceStateBitmap(CDialogItemState* state, uint8_t code)
{
    PlaceImage(state, state->m_bitmap, code, state->m_bitmapX, state->m_bitmapY);
}

void PlaceStateIcon(CDialogItemState* state, uint8_t code)
{
    PlaceImage(state, state->m_icon, code, state->m_iconX, state->m_iconY);
}

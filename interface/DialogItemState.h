#pragma once
#include <cstdint>

class CDialogItem;
class CFnt;
class CSprite;
class CInStream;

// Painting passes named by the 4-bit codes of a draw-order word, lowest first.
enum DrawOrderCode : uint32_t
{
    DrawOrderFill = 1,
    DrawOrderBitmap = 2,
    DrawOrderIcon = 3,
    DrawOrderText = 4,
    DrawOrderBorder = 5,
};
constexpr uint32_t kDefaultDrawOrder = 0x54321;

// 0 keeps the stored offsets; 1 to 9 place in a 3 x 3 grid, row by row from the top left.
enum AlignmentCode : uint8_t
{
    AlignStoredOffsets = 0,
    AlignLeftTop = 1,
    AlignCentreTop = 2,
    AlignRightTop = 3,
    AlignLeftMiddle = 4,
    AlignCentre = 5,
    AlignRightMiddle = 6,
    AlignLeftBottom = 7,
    AlignCentreBottom = 8,
    AlignRightBottom = 9,
};

// Border word: top byte 0 with a non-zero low part is a frame template (1-based position),
// top byte 1 an image id used as a border image; anything else is no border.
constexpr uint32_t kBorderImageFlag = 0x01000000;
// Frame template of the Loading page's progress bar.
constexpr uint32_t kLoadingBorder = 7;

// One visual state of an item: opacity, fill, border, bitmap, icon and text, each placed by an
// AlignmentCode, and the order of the painting passes. Colours are 0xRRGGBBAA. The images and
// the font belong to the back end's registries; the two texts belong to the state.
class CDialogItemState
{
public:
    explicit CDialogItemState(CDialogItem* owner);
    ~CDialogItemState();
    CDialogItemState(const CDialogItemState&) = delete;
    CDialogItemState& operator=(const CDialogItemState&) = delete;

    // Reads one state record (fields by the file version). False when the record does not fit
    // in the bytes left.
    bool Load(CInStream* stream, uint32_t version);

    CDialogItem* m_owner;
    uint8_t m_opacity = 255;
    uint32_t m_drawOrder = kDefaultDrawOrder;
    uint32_t m_fillColor = 0;
    uint32_t m_border = 0;
    uint32_t m_borderColor = 0;
    char16_t* m_text = nullptr;
    char16_t* m_textTemplate = nullptr;
    CFnt* m_font = nullptr;
    uint32_t m_textColor = 0;
    uint8_t m_textAlignment = AlignCentre;
    uint8_t m_wordWrap = 0;
    int32_t m_textX = 0;
    int32_t m_textY = 0;
    uint16_t m_textEffect = 0;
    uint32_t m_textEffectColor = 0;
    CSprite* m_bitmap = nullptr;
    uint8_t m_bitmapAlignment = AlignCentre;
    int32_t m_bitmapX = 0;
    int32_t m_bitmapY = 0;
    uint32_t m_seenImageVersion = 0;
    CSprite* m_icon = nullptr;
    uint8_t m_iconAlignment = AlignCentre;
    int32_t m_iconX = 0;
    int32_t m_iconY = 0;
};

// Offsets of the state's bitmap (icon) from an AlignmentCode and the owner's loaded size. Nothing
// happens without an image, for an image without a name, or for code 0.
void PlaceStateBitmap(CDialogItemState* state, uint8_t code);
void PlaceStateIcon(CDialogItemState* state, uint8_t code);

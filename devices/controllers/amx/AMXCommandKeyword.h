#pragma once
#include <cstdint>

// The panel commands an AMX master sends, by their index in the keyword table. The order of the
// table decides which keyword a text matches first ("ABEEP" before "ADBEEP", "^RFR-" before
// "^RFRP-"), so the numbers are those of the table and must not be reordered.
enum AmxCommandKeyword : int32_t
{
    AmxNoKeyword = 0,
    AmxPopupShow = 1,         // "@PPN-"
    AmxPopupHide,             // "@PPF-"
    AmxPopupHideAll,          // "@PPX"
    AmxPopupHideAllOnPage,    // "@PPA"
    AmxPopupHideOnAllPages,   // "@PPK-"
    AmxPopupToggle,           // "@PPG-"
    AmxPopupGroupHide,        // "@CPG-"
    AmxPageShow,              // "PAGE-"
    AmxPopupShowOld,          // "PPON-"
    AmxPopupHideOld,          // "PPOF-"
    AmxPopupToggleOld,        // "PPOG-"
    AmxText,                  // "^TXT-"
    AmxAppendText,            // "^BAT-"
    AmxUnicodeText,           // "^UNI-"
    AmxAppendUnicodeText,     // "^BAU-"
    AmxAnimate,               // "^ANI-"
    AmxButtonMultiField,      // "^BMF-"
    AmxBorderColor,           // "^BCB-"
    AmxFillColor,             // "^BCF-"
    AmxTextColor,             // "^BCT-"
    AmxBorderStyle,           // "^BOR-"
    AmxWordWrap,              // "^BWW-"
    AmxBorderRadius,          // "^BRD-"
    AmxSound,                 // "^BSO-"
    AmxDrawOrder,             // "^BDO-"
    AmxBitmapAlignment,       // "^JSB-"
    AmxIconAlignment,         // "^JSI-"
    AmxTextAlignment,         // "^JST-"
    AmxIcon,                  // "^ICO-"
    AmxBitmap,                // "^BMP-"
    AmxOpacity,               // "^BOP-"
    AmxBorderName,            // "^BBR-"
    AmxTextEffectColor,       // "^TEC-"
    AmxTextEffect,            // "^TEF-"
    AmxSetFont,               // "^BSF-"
    AmxStreamingSource,       // "^BSM-"
    AmxFeedbackType,          // "^BFB-"
    AmxMarquee,               // "^BML-"
    AmxEnable,                // "^ENA-"
    AmxShow,                  // "^SHO-"
    AmxGaugeInvert,           // "^GIV-"
    AmxGaugeHigh,             // "^GLH-"
    AmxGaugeLow,              // "^GLL-"
    AmxGaugeColor,            // "^GSC-"
    AmxGaugeName,             // "^GSN-"
    AmxResourceAdd,           // "^RAF-"
    AmxResourceRefresh,       // "^RFR-"
    AmxResourceRefreshPrefix, // "^RFRP-"
    AmxResourceModify,        // "^RMF-"
    AmxResourceSetRefresh,    // "^RSR-"
    AmxBeep,                  // "ABEEP"
    AmxDoubleBeep,            // "ADBEEP"
    AmxPlaySound,             // "@SOU-"
    AmxKeyboardBlank,         // "@AKB-"
    AmxKeypadBlank,           // "@AKP-"
    AmxKeyboardRemove,        // "@AKR"
    AmxKeypadPopup,           // "@PKP-"
    AmxKeyboardOld,           // "AKEYB-"
    AmxKeypadOld,             // "AKEYP-"
    AmxKeyboardRemoveOld,     // "AKEYR"
    AmxButtonOn,              // "BTON"
    AmxButtonOff,             // "BTOF"
    AmxButtonShortOld,        // "!B"
    AmxTextShortOld,          // "!T"
    AmxTextOld,               // "TEXT"
    AmxFontShortOld,          // "!F"
    AmxFontOld,               // "FONT"
    AmxIconShortOld,          // "!I"
    AmxIconOld,               // "ICON"
    AmxColorShortOld,         // "!C"
    AmxListClear,             // "QVLB_CLEAR-"
    AmxListAdd,               // "QVLB_ADD-"
    AmxListResistance,        // "QVLB_RESISTENCE-"
    AmxListScrollColor,       // "QVLB_SCROLL_COLOR-"
    AmxListScrollBar,         // "QVLB_SCROLL_BAR-"
    AmxListIndent,            // "QVLB_INDENT-"
    AmxListSelect,            // "QVLB_SELECT-"
    AmxListChannel,           // "QVLB_CHANNEL-"
    AmxListText,              // "QVLB_TEXT-"
    AmxListUnicode,           // "QVLB_UNICODE-"
    AmxListBitmap,            // "QVLB_BITMAP-"
    AmxListFlipClear,         // "QVLB_FLIP_CLEAR-"
    AmxListFlipAdd,           // "QVLB_FLIP_ADD-"
    AmxKeywordCount,          // 84: the entries of the table, entry 0 included
};

// The keyword texts by index; entry 0 is empty.
extern const char* const kAmxCommandKeywords[AmxKeywordCount];

// The first keyword of the table that begins the text at the cursor, ASCII letters compared
// without regard to case (bytes of 0x80 and above only equal themselves, so no keyword matches
// them). On a match the cursor moves past the keyword; AmxNoKeyword, cursor unchanged, when none
// matches or the text is null or empty.
int32_t FindCommandKeyword(const char** cursor);
int32_t FindCommandKeyword(char** cursor);

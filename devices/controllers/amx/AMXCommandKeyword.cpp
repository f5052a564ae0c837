#include "devices/controllers/amx/AMXCommandKeyword.h"

const char* const kAmxCommandKeywords[AmxKeywordCount] = {
    "",
    "@PPN-",
    "@PPF-",
    "@PPX",
    "@PPA",
    "@PPK-",
    "@PPG-",
    "@CPG-",
    "PAGE-",
    "PPON-",
    "PPOF-",
    "PPOG-",
    "^TXT-",
    "^BAT-",
    "^UNI-",
    "^BAU-",
    "^ANI-",
    "^BMF-",
    "^BCB-",
    "^BCF-",
    "^BCT-",
    "^BOR-",
    "^BWW-",
    "^BRD-",
    "^BSO-",
    "^BDO-",
    "^JSB-",
    "^JSI-",
    "^JST-",
    "^ICO-",
    "^BMP-",
    "^BOP-",
    "^BBR-",
    "^TEC-",
    "^TEF-",
    "^BSF-",
    "^BSM-",
    "^BFB-",
    "^BML-",
    "^ENA-",
    "^SHO-",
    "^GIV-",
    "^GLH-",
    "^GLL-",
    "^GSC-",
    "^GSN-",
    "^RAF-",
    "^RFR-",
    "^RFRP-",
    "^RMF-",
    "^RSR-",
    "ABEEP",
    "ADBEEP",
    "@SOU-",
    "@AKB-",
    "@AKP-",
    "@AKR",
    "@PKP-",
    "AKEYB-",
    "AKEYP-",
    "AKEYR",
    "BTON",
    "BTOF",
    "!B",
    "!T",
    "TEXT",
    "!F",
    "FONT",
    "!I",
    "ICON",
    "!C",
    "QVLB_CLEAR-",
    "QVLB_ADD-",
    "QVLB_RESISTENCE-",
    "QVLB_SCROLL_COLOR-",
    "QVLB_SCROLL_BAR-",
    "QVLB_INDENT-",
    "QVLB_SELECT-",
    "QVLB_CHANNEL-",
    "QVLB_TEXT-",
    "QVLB_UNICODE-",
    "QVLB_BITMAP-",
    "QVLB_FLIP_CLEAR-",
    "QVLB_FLIP_ADD-",
};

namespace
{
// Only A-Z fold; every other byte, those of 0x80 and above included, stands for itself, so a
// non-ASCII byte can never pass for a keyword's letter or sign.
unsigned char FoldAscii(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

// Length of the keyword when it begins the text, else 0. The text's zero never equals a keyword
// byte, so the comparison stops at the text's end.
int32_t MatchLength(const char* keyword, const char* text)
{
    int32_t i = 0;
    for (; keyword[i]; ++i)
        if (FoldAscii(keyword[i]) != FoldAscii(text[i]))
            return 0;
    return i;
}
} // namespace

int32_t FindCommandKeyword(const char** cursor)
{
    if (!cursor || !*cursor || !**cursor)
        return AmxNoKeyword;
    for (int32_t index = 1; index < AmxKeywordCount; ++index)
    {
        int32_t length = MatchLength(kAmxCommandKeywords[index], *cursor);
        if (length > 0)
        {
            *cursor += length;
            return index;
        }
    }
    return AmxNoKeyword;
}

int32_t FindCommandKeyword(char** cursor)
{
    return FindCommandKeyword(const_cast<const char**>(cursor));
}

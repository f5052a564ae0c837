#pragma once
#include <cstddef>
#include <cstdint>

// Free functions on narrow (byte) and wide (UTF-16) NUL-terminated texts, shared by the
// interface-file readers and the protocol drivers.
//
// Ownership: every function that returns a text returns a new heap block (new[]) that the caller
// releases with StrFree or WStrFree; a null result means "no text". Every function accepts null
// arguments and answers them with null, 0, -1 or false as documented.

// ---- Ownership and wide-text helpers ----------------------------------------------------------

void StrFree(char* text);
void WStrFree(char16_t* text);

// Number of units before the terminating zero; 0 for null.
size_t WStrLen(const char16_t* text);
// Compares unit by unit like strcmp (null sorts before every text, two nulls are equal).
int WStrCmp(const char16_t* a, const char16_t* b);
// Copies at most capacity - 1 units and always terminates when capacity > 0; returns the units
// copied. A null source gives an empty text.
size_t WStrCpyN(char16_t* dest, size_t capacity, const char16_t* src);

// ---- Duplication and in-place edits ------------------------------------------------------------

// Copy of a narrow text; null for a null or empty text.
char* StrDup(const char* text);
// Copy of a wide text; null for a null or empty text.
char16_t* WStrDup(const char16_t* text);
// True for a null or empty wide text.
bool WStrIsEmpty(const char16_t* text);

// Deletes every space (0x20) in place.
void RemoveSpaces(char* text);
// Replace every vertical bar by a line feed in place.
void PipeToNewline(char* text);
void WPipeToNewline(char16_t* text);

// Writes the file name of a path (after the last backslash, before the extension's dot) into the
// buffer of `capacity` bytes, cut to fit and always terminated when capacity > 0. True when the
// name written is not empty.
bool FileTitle(const char* path, char* buffer, size_t capacity);

// ---- Conversions -------------------------------------------------------------------------------
//
// UTF-8 reading: a lead byte that cannot start a sequence, or a continuation byte that is
// missing (the end of the text included), ends the text there: readers get the well-formed part
// before it. A sequence that is whole but names no character (an over-long form, an encoded
// surrogate, a value above U+10FFFF) reads as one U+FFFD. Characters above U+FFFF become
// surrogate pairs.

// Number of characters (not UTF-16 units) up to the end or the first sequence that ends the text.
int32_t Utf8Length(const char* text);
// Wide copy of the first Utf8Length characters; null when that count is 0.
char16_t* Utf8ToWide(const char* text);
// UTF-8 copy (a surrogate pair gives one 4-byte sequence, a lone surrogate gives U+FFFD); null for
// a null text, an empty text for an empty one.
char* WideToUtf8(const char16_t* text);
// Windows-1252 copy, one byte per character ('?' for characters it cannot show); null for a null
// or empty text.
char* WideToAnsi(const char16_t* text);
// Wide copy of a Windows-1252 text; null for a null text.
char16_t* AnsiToWide(const char* text);
// Wide copy of exactly the first n bytes (zeros included), terminated after them; null for a null
// text, an empty text for n <= 0.
char16_t* AnsiToWideN(const char* text, int32_t n);

// ---- Tokens and numbers ------------------------------------------------------------------------

// A delimiter set: one count byte n, then n delimiter bytes. A zero byte among the delimiters
// lets the end of the text close the last token.
using DelimiterSet = char;
extern const DelimiterSet kCommaDelimiters[3];     // {2, ',', 0}
extern const DelimiterSet kPercentDelimiters[3];   // {2, '%', 0}
extern const DelimiterSet kColonDelimiters[3];     // {2, ':', 0}
extern const DelimiterSet kSemicolonDelimiters[3]; // {2, ';', 0}

// Index of the first character of the text found in the set, the terminating zero compared too;
// bytes of 0x80 and above never match. 0 when none is found, or for a null or empty text: a
// delimiter at index 0 therefore counts as none (an empty token is refused).
int32_t FindDelimiter(const DelimiterSet* set, const char* text);
// Copy of the text at the cursor up to the first delimiter; the cursor moves past the token and,
// unless it stopped at the end of the text, past the delimiter. Null with the cursor unchanged
// when FindDelimiter gives 0.
char* NextToken(const DelimiterSet* set, const char** cursor);
char* NextToken(const DelimiterSet* set, char** cursor);
// Copy of the rest of the text at the cursor, the cursor moved to its end; null (cursor
// unchanged) when the cursor is null or at the end.
char* TakeRest(const char** cursor);
char* TakeRest(char** cursor);

// Skips to the next run of decimal digits and reads it; there is no sign ("-5" gives 5). The
// cursor is left after the whole run (at the terminating zero when no digit came first, which
// gives 0). A value beyond 2147483647 gives 2147483647, so the result is never negative.
int32_t NextInt(const char** cursor);
int32_t NextInt(char** cursor);
// The same with hexadecimal digits, converted as HexToInt.
uint32_t NextHexInt(const char** cursor);
uint32_t NextHexInt(char** cursor);

// Hexadecimal digits (either case) up to the first other character. Digits beyond the eighth
// shift the older ones out: the value is that of the last eight.
uint32_t HexToInt(const char* text);
// The first n characters as hexadecimal digits (either case); a character that is no digit counts
// as 0. The end of the text ends the number early. 0 for a null text or n = 0.
uint32_t HexToIntN(uint8_t n, const char* text);
// A text beginning with "#": every following character as a hexadecimal digit (0-9, A-F only;
// any other character counts as 0). 0 without the "#" or for a null text.
uint32_t HashHexToInt(const char* text);
// The first n characters as an unsigned decimal number with at most one point, in single
// precision. 0 for a null text or n = 0. Never NaN (fraction digits beyond the 30th are ignored).
float TextToFloat(uint8_t n, const char* text);

// ---- Comparison and search ---------------------------------------------------------------------
//
// Case is ignored for the ASCII letters only; bytes of 0x80 and above compare exactly.

// True when both texts are non-null and non-empty and the first is a prefix of the second.
bool StrEqualNoCase(const char* prefix, const char* text);
// Offset of the first match of the pattern that lies wholly within the first n characters of the
// text; -1 when none, or when the text or the pattern is null or empty.
int32_t StrFindNoCase(int32_t n, const char* text, const char* pattern);
// Offset of the first occurrence of the pattern wholly inside the buffer; -1 when absent or when
// any argument is null or zero.
int32_t FindBytes(const void* buffer, int32_t length, const void* pattern, int32_t patternLength);
// FindBytes with a NUL-terminated pattern (its bytes without the zero).
int32_t FindString(const void* buffer, int32_t length, const char* pattern);
// True when the buffer begins with the pattern; true whenever an argument is null or zero.
bool StartsWith(const void* buffer, int32_t length, const void* pattern, int32_t patternLength);

// ---- Encodings ---------------------------------------------------------------------------------

// CRC-32 of IEEE 802.3 (zlib's): of the bytes of a NUL-terminated text (0 for null), or of a block.
uint32_t Crc32(const char* text);
uint32_t Crc32(const void* bytes, size_t length);
// Base64 (RFC 4648, "=" padding) of a block, NUL-terminated; an empty text for length 0, null for
// a negative length or null bytes with a positive length.
char* Base64Encode(int32_t length, const void* bytes);

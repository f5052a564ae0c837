#pragma once
#include <cstdint>

class CDialogItemState;

// Longest displayed text an expansion produces, terminating zero included; longer expansions
// are cut at a whole character.
constexpr int32_t kMaxExpandedText = 1024;
// Longest text AppendText builds, terminating zero included.
constexpr int32_t kMaxAppendedText = 1025;

// Template codes of the text variables.
enum TextVariableCode : char16_t
{
    TextVarPercent = 1,
    TextVarValue = 2,
    TextVarLow = 3,
    TextVarHigh = 4,
    TextVarState = 5,
    TextVarAboveLow = 6,
    TextVarRange = 7,
    TextVarFixed1 = 14,
    TextVarFixed5 = 18,
};

// Sets the state's text: "|" becomes a line feed and "$" variables become template codes. With at
// least one variable the state keeps a template and its text is expanded at once. Returns
// whether a variable was found.
bool ParseTextVariables(const char16_t* text, CDialogItemState* state);
// Renews the displayed text from the template with the owner's current value, bounds and state.
void ExpandTextVariables(CDialogItemState* state);

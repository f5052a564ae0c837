#include "interface/TextVariables.h"

#include "common/StringFunctions.h"
#include "interface/DialogItem.h"
#include "interface/DialogItemState.h"
#include "platform/FloatToInt.h"

#include <charconv>
#include <cstring>

namespace
{
constexpr char16_t kLineFeed = 10;

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

// Template code of "$" followed by c, 0 when c names no variable.
char16_t VariableCode(char16_t c)
{
    switch (c)
    {
    case u'P':
        return TextVarPercent;
    case u'V':
        return TextVarValue;
    case u'L':
        return TextVarLow;
    case u'H':
        return TextVarHigh;
    case u'S':
        return TextVarState;
    case u'A':
        return TextVarAboveLow;
    case u'R':
        return TextVarRange;
    default:
        return 0;
    }
}

bool IsVariableCode(char16_t c)
{
    return (c >= TextVarPercent && c <= TextVarRange) || (c >= TextVarFixed1 && c <= TextVarFixed5);
}

// Writes the template in place over text (it never grows) and returns whether a variable came.
bool BuildTemplate(char16_t* text)
{
    bool found = false;
    char16_t* out = text;
    for (const char16_t* in = text; *in != 0; in++)
    {
        if (*in != u'$')
        {
            *out++ = *in;
            continue;
        }
        char16_t next = in[1];
        if (next == 0)
        {
            *out++ = u'$';
            continue;
        }
        in++;
        if (next == u'$')
        {
            *out++ = u'$';
        }
        else if (next == u'F')
        {
            found = true;
            char16_t digit = in[1];
            if (digit >= u'1' && digit <= u'5')
            {
                *out++ = static_cast<char16_t>(TextVarFixed1 + (digit - u'1'));
                in++;
            }
            else
            {
                // "$F" and any other character: the value, and that character is dropped.
                *out++ = TextVarValue;
                if (digit != 0)
                    in++;
            }
        }
        else if (char16_t code = VariableCode(next))
        {
            found = true;
            *out++ = code;
        }
        else
        {
            *out++ = u'$';
            *out++ = next;
        }
    }
    *out = 0;
    return found;
}

// 100 x (value - low) / (high - low) in 64 bits, 0 for an empty range or a value at or below low,
// at most 100.
int64_t Percentage(float value, int32_t low, int32_t high)
{
    int64_t range = static_cast<int64_t>(high) - low;
    if (range <= 0)
        return 0;
    int64_t above = platform::FloatToInt64(static_cast<double>(value) - low);
    if (above <= 0)
        return 0;
    // Large enough values cannot overflow the product: anything above the range is 100 anyway.
    if (above >= range)
        return 100;
    return above * 100 / range;
}

// Formats the number of one template code into buffer (not terminated); returns its length.
int32_t FormatVariable(char16_t code, CDialogItem* owner, char* buffer, int32_t capacity)
{
    float value = owner->GetValue();
    std::to_chars_result result{};
    char* end = buffer + capacity;
    if (code >= TextVarFixed1 && code <= TextVarFixed5)
    {
        // Single precision widened to double, printed as "%.Nf" would, in the C locale whatever
        // the process locale is.
        result = std::to_chars(buffer, end, static_cast<double>(value), std::chars_format::fixed,
                               code - TextVarFixed1 + 1);
    }
    else
    {
        int64_t number = 0;
        switch (code)
        {
        case TextVarPercent:
            number = Percentage(value, owner->GetLow(), owner->GetHigh());
            break;
        case TextVarValue:
            number = platform::FloatToInt32(value);
            break;
        case TextVarLow:
            number = owner->GetLow();
            break;
        case TextVarHigh:
            number = owner->GetHigh();
            break;
        case TextVarState:
            number = owner->GetState();
            break;
        case TextVarAboveLow:
            number = platform::FloatToInt32(static_cast<double>(value) - owner->GetLow());
            break;
        case TextVarRange:
            number = static_cast<int64_t>(owner->GetHigh()) - owner->GetLow();
            break;
        default:
            break;
        }
        result = std::to_chars(buffer, end, number);
    }
    if (result.ec != std::errc())
        return 0;
    return static_cast<int32_t>(result.ptr - buffer);
}
} // namespace

bool ParseTextVariables(const char16_t* text, CDialogItemState* state)
{
    WStrFree(state->m_text);
    WStrFree(state->m_textTemplate);
    state->m_text = nullptr;
    state->m_textTemplate = nullptr;
    char16_t* copy = WStrDup(text);
    if (copy == nullptr)
        return false;
    WPipeToNewline(copy);
    if (!BuildTemplate(copy))
    {
        state->m_text = copy;
        return false;
    }
    state->m_textTemplate = copy;
    ExpandTextVariables(state);
    return true;
}

void ExpandTextVariables(CDialogItemState* state)
{
    if (state->m_textTemplate == nullptr)
        return;
    WStrFree(state->m_text);
    char16_t* out = new char16_t[kMaxExpandedText];
    const int32_t limit = kMaxExpandedText - 1;
    int32_t length = 0;
    // Wide enough for "%.5f" of the largest float (39 digits before the point).
    char number[64];
    for (const char16_t* in = state->m_textTemplate; *in != 0 && length < limit; in++)
    {
        if (!IsVariableCode(*in))
        {
            out[length++] = *in;
            continue;
        }
        int32_t digits = FormatVariable(*in, state->m_owner, number, static_cast<int32_t>(sizeof number));
        for (int32_t i = 0; i < digits && length < limit; i++)
            out[length++] = static_cast<char16_t>(number[i]);
    }
    // Cutting at the limit must not leave half a surrogate pair.
    if (length == limit && IsHighSurrogate(out[length - 1]))
        length--;
    out[length] = 0;
    state->m_text = out;
}

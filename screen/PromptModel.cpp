#include "screen/PromptModel.h"

#include <cstdint>

namespace platform
{
namespace
{
bool IsHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Length of the sequence a lead byte starts, 0 when it cannot start one.
int SequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Decodes the sequence at p (length n, continuation bytes already checked); 0xFFFFFFFF when it
// names no character (over-long form, surrogate, beyond U+10FFFF).
uint32_t DecodeSequence(const unsigned char* p, int n)
{
    static const uint32_t kMinimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    uint32_t value = n == 1 ? p[0] : p[0] & (0x7F >> n);
    for (int i = 1; i < n; ++i)
        value = (value << 6) | (p[i] & 0x3F);
    if (value < kMinimum[n] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0xFFFFFFFF;
    return value;
}
} // namespace

PromptModel::PromptModel(ChangeHandler handler, void* context, size_t maxLength)
    : m_handler(handler), m_context(context), m_maxLength(maxLength)
{
}

std::u16string PromptModel::DecodeUtf8(const char* text)
{
    std::u16string out;
    if (!text)
        return out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p)
    {
        int n = SequenceLength(*p);
        bool whole = n > 0;
        for (int i = 1; whole && i < n; ++i)
            whole = (p[i] & 0xC0) == 0x80; // also stops at the terminating zero
        uint32_t value = whole ? DecodeSequence(p, n) : 0xFFFFFFFF;
        if (value == 0xFFFFFFFF)
        {
            ++p;
            continue;
        }
        if (value >= 0x10000)
        {
            value -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
        }
        else
        {
            out.push_back(static_cast<char16_t>(value));
        }
        p += n;
    }
    return out;
}

void PromptModel::InsertUtf8(const char* text)
{
    InsertText(DecodeUtf8(text));
}

void PromptModel::InsertText(const std::u16string& text)
{
    if (m_result != Result::Running)
        return;
    std::u16string accepted;
    for (size_t i = 0; i < text.size(); ++i)
    {
        char16_t unit = text[i];
        size_t units = 1;
        if (IsHighSurrogate(unit))
        {
            if (i + 1 >= text.size() || !IsLowSurrogate(text[i + 1]))
                continue; // a lone half is no character
            units = 2;
        }
        else if (IsLowSurrogate(unit) || unit < 0x20 || unit == 0x7F)
        {
            continue;
        }
        if (m_text.size() + accepted.size() + units > m_maxLength)
            break;
        accepted.append(text, i, units);
        i += units - 1;
    }
    if (accepted.empty())
        return;
    m_text.insert(m_caret, accepted);
    m_caret += accepted.size();
    Changed();
}

void PromptModel::PressKey(Key key)
{
    if (m_result != Result::Running)
        return;
    switch (key)
    {
    case Key::Enter:
        ClickOk();
        break;
    case Key::Escape:
        ClickCancel();
        break;
    case Key::Backspace:
        if (m_caret > 0)
        {
            size_t from = PreviousBoundary(m_caret);
            m_text.erase(from, m_caret - from);
            m_caret = from;
            Changed();
        }
        break;
    case Key::Delete:
        if (m_caret < m_text.size())
        {
            m_text.erase(m_caret, NextBoundary(m_caret) - m_caret);
            Changed();
        }
        break;
    case Key::Left:
        m_caret = PreviousBoundary(m_caret);
        break;
    case Key::Right:
        m_caret = NextBoundary(m_caret);
        break;
    case Key::Home:
        m_caret = 0;
        break;
    case Key::End:
        m_caret = m_text.size();
        break;
    }
}

void PromptModel::ClickOk()
{
    if (m_result == Result::Running && m_okEnabled)
        m_result = Result::Ok;
}

void PromptModel::ClickCancel()
{
    if (m_result == Result::Running)
        m_result = Result::Cancel;
}

void PromptModel::Close()
{
    ClickCancel();
}

std::u16string PromptModel::MaskedText(char16_t mask) const
{
    std::u16string masked;
    for (size_t i = 0; i < m_text.size(); i = NextBoundary(i))
        masked.push_back(mask);
    return masked;
}

size_t PromptModel::CaretCharacters() const
{
    size_t count = 0;
    for (size_t i = 0; i < m_caret; i = NextBoundary(i))
        ++count;
    return count;
}

void PromptModel::Changed()
{
    if (m_handler)
        m_okEnabled = m_handler(m_context, m_text);
}

size_t PromptModel::PreviousBoundary(size_t position) const
{
    if (position == 0)
        return 0;
    size_t previous = position - 1;
    if (previous > 0 && IsLowSurrogate(m_text[previous]) && IsHighSurrogate(m_text[previous - 1]))
        --previous;
    return previous;
}

size_t PromptModel::NextBoundary(size_t position) const
{
    if (position >= m_text.size())
        return m_text.size();
    size_t next = position + 1;
    if (next < m_text.size() && IsHighSurrogate(m_text[position]) && IsLowSurrogate(m_text[next]))
        ++next;
    return next;
}
} // namespace platform

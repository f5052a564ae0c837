#pragma once
#include <cstddef>
#include <string>

namespace platform
{
// The state of a small modal prompt: one edit line, an OK and a Cancel button. It knows nothing
// of windows or drawing, so that key and text events can be fed to it directly (the prompt
// window translates SDL events into these calls).
class PromptModel
{
public:
    enum class Key
    {
        Enter,
        Escape,
        Backspace,
        Delete,
        Left,
        Right,
        Home,
        End,
    };

    enum class Result
    {
        Running,
        Ok,
        Cancel,
    };

    // Called after every change of the text with the whole text; the answer enables or
    // disables OK.
    using ChangeHandler = bool (*)(void* context, const std::u16string& text);

    // maxLength: UTF-16 units the line accepts; input beyond it is dropped.
    PromptModel(ChangeHandler handler, void* context, size_t maxLength);

    void SetOkEnabled(bool enabled) { m_okEnabled = enabled; }
    bool IsOkEnabled() const { return m_okEnabled; }

    // Inserts typed text (UTF-8, as text-input events carry it) at the caret. Malformed bytes are
    // dropped; control characters are ignored.
    void InsertUtf8(const char* text);
    void InsertText(const std::u16string& text);
    void PressKey(Key key);
    // OK ends the prompt only while it is enabled; Cancel and the close box always end it.
    void ClickOk();
    void ClickCancel();
    void Close();

    Result GetResult() const { return m_result; }
    const std::u16string& GetText() const { return m_text; }
    // Caret position in UTF-16 units, never inside a surrogate pair.
    size_t GetCaret() const { return m_caret; }
    // One mask character per character of the text (a surrogate pair counts once).
    std::u16string MaskedText(char16_t mask) const;
    // Characters (not units) before the caret.
    size_t CaretCharacters() const;

    // Decodes UTF-8 into UTF-16; a malformed or over-long sequence is skipped byte by byte.
    static std::u16string DecodeUtf8(const char* text);

private:
    void Changed();
    size_t PreviousBoundary(size_t position) const;
    size_t NextBoundary(size_t position) const;

    ChangeHandler m_handler;
    void* m_context;
    size_t m_maxLength;
    std::u16string m_text;
    size_t m_caret = 0;
    bool m_okEnabled = false;
    Result m_result = Result::Running;
};
} // namespace platform

#pragma once
#include <cstdint>
#include <string>

#include "interface/DialogItem.h"

// A line of text typed by the controller: the text arrives through device events (insert, caret
// moves, delete, clear, send), and a send hands "name-text" in UTF-8 to the device of the item's
// first address. The edit box pressed last is the focused one: it paints its second state and a
// blinking caret.
class CDialogEditBox : public CDialogItem
{
public:
    // The most characters a box holds. A loaded maximum of 0 means "no limit of its own", but a
    // peer or the keyboard must not grow the text without bound: this limit then applies, and it
    // also caps a loaded maximum above it.
    static constexpr uint32_t kTextLimit = 4096;
    // The caret toggles after this many milliseconds.
    static constexpr uint32_t kBlinkMs = 500;
    // The maximum before the item is loaded.
    static constexpr uint32_t kInitialMaximum = 256;

    CDialogEditBox(uint8_t behaviour, CDialogItem* parent);
    ~CDialogEditBox() override;

    int32_t GetKind() override { return ItemKindEditBox; }
    void Update(uint32_t elapsedMs) override;
    bool OnMouse(int32_t kind, int32_t x, int32_t y) override;
    void SetValue(float value) override;
    bool Load(CInStream* stream) override;
    CPixelBuffer* RenderState(CPixelBuffer* buffer) override;

    // Device-event operations (tick thread).
    void InsertText(const char16_t* text);
    void CaretLeft();
    void CaretRight();
    void CaretHome();
    void CaretEnd();
    void Backspace();
    void DeleteChar();
    // Sends "name-text" when the item has a name, then empties the text.
    void Send();
    // Empties the text and puts the caret at 0 (the states' texts stay).
    void Clear();

    const std::u16string& GetText() const { return m_text; }
    uint32_t GetCaret() const { return m_caret; }
    uint32_t GetMaximum() const { return m_maximum; }
    // The length the text may reach: the loaded maximum, or kTextLimit when that is 0 or larger.
    uint32_t GetEffectiveMaximum() const;
    bool IsCaretOn() const { return m_caretOn != 0; }

private:
    void MoveCaret(uint32_t caret);
    // Every state's text becomes the box's text.
    void PublishText();
    bool IsFocused() const;

    uint32_t m_caret = 0;
    uint32_t m_maximum = kInitialMaximum;
    char* m_firstText = nullptr;  // kept as read, new[]
    char* m_secondText = nullptr; // kept as read, new[]
    std::u16string m_text;
    uint32_t m_caretOn = 0;
};
